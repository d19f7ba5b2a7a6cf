// Fuzz target of the message framing: any byte stream, cut into pieces at any places,
// must give the same bodies as the whole stream at once, never more bytes of bodies than
// were fed, and nothing of a refused length allocated. The first byte chooses the
// piece size.

#include "languageserver/messagereader.h"

#include <QByteArray>
#include <QList>

#include <cstdlib>

namespace {

QList<QByteArray> bodies(const QByteArray &stream, int pieceSize)
{
    LanguageServer::MessageReader reader;
    QList<QByteArray> result;
    for (int i = 0; i < stream.size(); i += pieceSize) {
        reader.append(stream.mid(i, pieceSize));
        while (const auto body = reader.next())
            result.append(*body);
        reader.takeErrors();
    }
    return result;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const int pieceSize = 1 + data[0] % 16;
    const QByteArray stream(reinterpret_cast<const char *>(data + 1), int(size - 1));
    const QList<QByteArray> whole = bodies(stream, stream.size() + 1);
    qsizetype total = 0;
    for (const QByteArray &body : whole)
        total += body.size();
    if (total > stream.size() || bodies(stream, pieceSize) != whole)
        std::abort();
    return 0;
}
