#include "loadfilefactory.h"

#include "loadfile/binaryloadfile.h"
#include "loadfile/hexloadfile.h"
#include "loadfile/intelhexloadfile.h"
#include "loadfile/srecordloadfile.h"
#include "loadfile/tihexloadfile.h"

namespace {

struct FormatRow
{
    const char *name;
    const char *filter;
    const char *description;
    const char *extensions[4];
};

// In the order of file dialogs and of the extension lookup.
constexpr FormatRow formatTable[] = {
    {"bin", "*.bin *.rom", "Binary", {".bin", ".BIN", ".rom", ".ROM"}},
    {"ihex", "*.hex", "Intel Hex", {".hex", ".HEX", nullptr, nullptr}},
    {"hex", "*.lst", "Hex", {".lst", ".LST", nullptr, nullptr}},
    {"tihex", "*.txt", "TI Hex", {".txt", ".TXT", nullptr, nullptr}},
    {"srec", "*.s19 *.srec", "Motorola S-Record", {".srec", ".SREC", ".s19", ".S19"}},
};

} // namespace

LoadFileFactory::LoadFileFactory()
{
    for (const FormatRow &row : formatTable) {
        m_formats.append({QString::fromLatin1(row.name), QString::fromLatin1(row.filter),
                          QString::fromLatin1(row.description)});
    }
}

LoadFileFactory::~LoadFileFactory() = default;

std::unique_ptr<LoadFileInterface> LoadFileFactory::create(const QString &fileName,
                                                           const QString &formatName)
{
    if (formatName == QLatin1String("bin"))
        return std::make_unique<BinaryLoadFile>(fileName);
    if (formatName == QLatin1String("ihex"))
        return std::make_unique<IntelHexLoadFile>(fileName);
    if (formatName == QLatin1String("hex"))
        return std::make_unique<HexLoadFile>(fileName);
    if (formatName == QLatin1String("tihex"))
        return std::make_unique<TIHexLoadFile>(fileName);
    if (formatName == QLatin1String("srec"))
        return std::make_unique<SRecordLoadFile>(fileName);
    return nullptr;
}

void LoadFileFactory::destroy(LoadFileInterface *loadFile)
{
    delete loadFile;
}

QString LoadFileFactory::formatForFileName(const QString &fileName) const
{
    if (fileName.isEmpty())
        return QString();
    for (const FormatRow &row : formatTable) {
        for (const char *extension : row.extensions) {
            if (extension && fileName.endsWith(QLatin1String(extension), Qt::CaseSensitive))
                return QString::fromLatin1(row.name);
        }
    }
    return QString();
}
