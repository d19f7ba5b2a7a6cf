#include "binaryfileesclass.h"

#include "scripthostsupport.h"

#include "script/escontext.h"
#include "script/esobject.h"
#include "qtx/byteorder.h"
#include "qtx/fileguard.h"

#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <new>

namespace {

enum BinaryFileMethod {
    Load, LoadAppend, Save, SaveRange, PeekUint32, PokeUint32, PeekBytes, PokeBytes, Crc32,
    Length, Resize, MethodCount
};

const ESBuiltinDescriptor methods[] = {
    {"load", "BinaryFile.prototype.load", 1, 0, Load,
     "<b>BinaryFile.load(path)</b> loads binary file from <i>path</i>."},
    {"loadAppend", "BinaryFile.prototype.loadAppend", 1, 0, LoadAppend,
     "<b>BinaryFile.loadAppend(path)</b> loads binary file from <i>path</i> and appends it "
     "to the binary image."},
    {"save", "BinaryFile.prototype.save", 1, 0, Save,
     "<b>BinaryFile.save(path)</b> saves binary file to <i>path</i>."},
    {"saveRange", "BinaryFile.prototype.saveRange", 3, 0, SaveRange,
     "<b>BinaryFile.saveRange(path, offset, length)</b> saves part of the binary file to "
     "<i>path</i>. The <i>offset</i> argument specifies the byte offset to start from. The "
     "<i>length</i> argument specifies the maximum number of bytes that should be saved."},
    {"peekUint32", "BinaryFile.prototype.peekUint32", 2, 0, PeekUint32,
     "<b>BinaryFile.peekUint32(offset, littleEndian)</b> returns a 32-bit word peeked from "
     "<i>offset</i>. The <i>littleEndian</i> argument specifies the endianness of the "
     "access, if true or undefined it will be little endian, otherwise it will be big "
     "endian."},
    {"pokeUint32", "BinaryFile.prototype.pokeUint32", 3, 0, PokeUint32,
     "<b>BinaryFile.pokeUint32(offset, value, littleEndian)</b> poke a <i>value</i> to "
     "32-bit word located at <i>offset</i>. The <i>littleEndian</i> argument specifies the "
     "endianness of the access, if true or undefined it will be little endian, otherwise it "
     "will be big endian."},
    {"peekBytes", "BinaryFile.prototype.peekBytes", 2, 0, PeekBytes,
     "<b>BinaryFile.peekBytes(offset, length)</b> returns byte array containing "
     "<i>length</i> bytes peeked from <i>offset</i>."},
    {"pokeBytes", "BinaryFile.prototype.pokeBytes", 2, 0, PokeBytes,
     "<b>BinaryFile.pokeBytes(offset, byteArray)</b> poke byte array <i>byteArray</i> to "
     "<i>offset</i>."},
    {"crc32", "BinaryFile.prototype.crc32", 2, 0, Crc32,
     "<b>BinaryFile.crc32(offset, length)</b> returns the CRC-32 checksum of an address "
     "range <i>length</i> bytes long, starting at <i>offset</i>. This function computes a "
     "CRC-32 checksum on a block of data using the standard CRC-32 polynomial (0x04C11DB7) "
     "with an initial value of 0xFFFFFFFF. Note that this implementation doesn't reflect "
     "the input or the output and the result is inverted."},
    {"length", "BinaryFile.prototype.length", 0, 0, Length,
     "<b>BinaryFile.length()</b> returns the length of the binary file in bytes."},
    {"resize", "BinaryFile.prototype.resize", 2, 0, Resize,
     "<b>BinaryFile.resize(length, fill)</b> resizes the binary image to <i>length</i> "
     "bytes. If the operation extends the size, the binary image will be padded with bytes "
     "of value <i>fill</i>."},
};
static_assert(std::size(methods) == MethodCount, "methods out of step with BinaryFileMethod");

// The byte-order flag of peekUint32 and pokeUint32: little-endian when undefined or true.
quint32 byteOrderOf(ESContext *cx, const ESValue &littleEndian)
{
    return littleEndian.isUndefined() || cx->toBoolean(littleEndian) ? 0 : 1;
}

// Writes the bytes as the whole file, created with permission bits 0600 or truncated.
bool writeBytes(const QString &path, const char *data, qint64 size)
{
    QTx::FileDescriptor file(
        ::open(QFile::encodeName(path).constData(), O_WRONLY | O_CREAT | O_TRUNC, 0600));
    if (!file.isValid())
        return false;
    while (size > 0) {
        const ssize_t written = ::write(file.fd(), data, std::size_t(size));
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        data += written;
        size -= written;
    }
    return file.close() == 0;
}

} // namespace

ESObject *BinaryFileESClass::install(ESContext *cx)
{
    return scriptInstallHost(cx, this, methods, int(std::size(methods)));
}

BinaryFileESClass *BinaryFileESClass::installInto(ESContext *cx)
{
    return scriptAdoptHost<BinaryFileESClass>(cx);
}

void BinaryFileESClass::call(ESContext *cx, ESObject *function, const ESValue &thisValue,
                             int argc, ESValue *argv, ESValue *result)
{
    const auto path = [&] { return cx->toString(argv[0]); };
    const auto position = [&](int i) { return scriptPosition(cx, argv[i]); };
    switch (function->builtinIndex) {
    case Load:
        *result = ESValue::boolean(load(path(), false));
        return;
    case LoadAppend:
        *result = ESValue::boolean(load(path(), true));
        return;
    case Save:
        *result = ESValue::boolean(m_hasImage
                                   && writeBytes(path(), m_image.constData(), m_image.size()));
        return;
    case SaveRange:
        *result = ESValue::boolean(saveRange(path(), position(1), position(2)));
        return;
    case PeekUint32:
        *result = peekUint32(cx, argv);
        return;
    case PokeUint32:
        *result = ESValue::boolean(pokeUint32(cx, argv));
        return;
    case PeekBytes:
        *result = peekBytes(cx, argv);
        return;
    case PokeBytes:
        *result = ESValue::boolean(pokeBytes(cx, argv));
        return;
    case Crc32:
        *result = crc32(cx, argv);
        return;
    case Length:
        *result = ESValue::fromNumber(m_image.size());
        return;
    case Resize: {
        const char fill = argv[1].isUndefined() ? char(0xFF) : char(cx->toUint32(argv[1]));
        *result = ESValue::boolean(resize(position(0), fill));
        return;
    }
    default:
        ESClass::call(cx, function, thisValue, argc, argv, result);
    }
}

bool BinaryFileESClass::load(const QString &path, bool append)
{
    if (!append) {
        m_image.clear();
        m_hasImage = false;
    }
    const std::optional<QByteArray> bytes = scriptReadFile(path);
    if (!bytes || m_image.size() + qint64(bytes->size()) > scriptMaxBinarySize)
        return false;
    try {
        m_image += *bytes;
    } catch (const std::bad_alloc &) {
        return false;
    }
    m_hasImage = true;
    return true;
}

bool BinaryFileESClass::saveRange(const QString &path, qint64 offset, qint64 length) const
{
    if (!m_hasImage || offset < 0 || offset >= m_image.size())
        return false;
    return writeBytes(path, m_image.constData() + offset, clippedLength(offset, length));
}

bool BinaryFileESClass::resize(qint64 length, char fill)
{
    if (length < 0 || length > scriptMaxBinarySize)
        return false;
    try {
        const int oldSize = m_image.size();
        m_image.resize(int(length));
        if (length > oldSize)
            std::memset(m_image.data() + oldSize, fill, std::size_t(length - oldSize));
    } catch (const std::bad_alloc &) {
        return false;
    }
    m_hasImage = true;
    return true;
}

ESValue BinaryFileESClass::peekUint32(ESContext *cx, const ESValue *argv) const
{
    const qint64 offset = scriptPosition(cx, argv[0]);
    if (clippedLength(offset, 4) < 4)
        return ESValue();
    return ESValue::fromNumber(
        QTx::fromByteOrder<quint32>(m_image.constData() + offset, byteOrderOf(cx, argv[1])));
}

bool BinaryFileESClass::pokeUint32(ESContext *cx, const ESValue *argv)
{
    const qint64 offset = scriptPosition(cx, argv[0]);
    const quint32 value = cx->toUint32(argv[1]);
    const quint32 byteOrder = byteOrderOf(cx, argv[2]);
    if (clippedLength(offset, 4) < 4)
        return false;
    QTx::toByteOrder(value, m_image.data() + offset, byteOrder);
    return true;
}

ESValue BinaryFileESClass::peekBytes(ESContext *cx, const ESValue *argv) const
{
    const QByteArray bytes = range(cx, argv);
    return bytes.isEmpty() ? ESValue() : scriptArrayFromBytes(cx, bytes.constData(), bytes.size());
}

bool BinaryFileESClass::pokeBytes(ESContext *cx, const ESValue *argv)
{
    const qint64 offset = scriptPosition(cx, argv[0]);
    // Only the elements that land inside the image are read (and so checked).
    const qint64 room = clippedLength(offset, scriptMaxBinarySize);
    const QByteArray bytes = scriptBytesFromArray(cx, argv[1], 0, quint64(room));
    if (bytes.isEmpty())
        return false;
    std::memcpy(m_image.data() + offset, bytes.constData(), std::size_t(bytes.size()));
    return true;
}

ESValue BinaryFileESClass::crc32(ESContext *cx, const ESValue *argv) const
{
    const QByteArray bytes = range(cx, argv);
    if (bytes.isEmpty())
        return ESValue();
    return ESValue::fromNumber(
        scriptCrc32(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size()));
}

QByteArray BinaryFileESClass::range(ESContext *cx, const ESValue *argv) const
{
    const qint64 offset = scriptPosition(cx, argv[0]);
    const qint64 count = clippedLength(offset, scriptPosition(cx, argv[1]));
    return count ? QByteArray::fromRawData(m_image.constData() + offset, int(count))
                 : QByteArray();
}

qint64 BinaryFileESClass::clippedLength(qint64 offset, qint64 length) const
{
    if (offset < 0 || offset >= m_image.size() || length <= 0)
        return 0;
    return qMin(length, m_image.size() - offset);
}
