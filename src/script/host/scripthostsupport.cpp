#include "scripthostsupport.h"

#include "script/esatom.h"
#include "script/esclass.h"
#include "script/escontext.h"
#include "script/esnativeerror.h"
#include "script/esnatives.h"
#include "script/esobject.h"

#include <QFile>
#include <QFileInfo>

#include <array>
#include <new>
#include <vector>

namespace {

// One entry per value of the register's top byte: that byte shifted through eight
// steps of the polynomial, most significant bit first.
constexpr std::array<quint32, 256> makeCrcTable()
{
    std::array<quint32, 256> table{};
    for (quint32 top = 0; top < 256; ++top) {
        quint32 crc = top << 24;
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc & 0x80000000u) ? (crc << 1) ^ 0x04C11DB7u : crc << 1;
        table[top] = crc;
    }
    return table;
}

constexpr std::array<quint32, 256> crcTable = makeCrcTable();

} // namespace

std::optional<QByteArray> scriptReadFile(const QString &path, QIODevice::OpenMode mode)
{
    QFile file(path);
    if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly | mode))
        return std::nullopt;
    const qint64 size = file.size();
    if (size > scriptMaxBinarySize)
        return std::nullopt;
    try {
        QByteArray bytes = file.read(size);
        if (bytes.size() != size || !file.atEnd())
            return std::nullopt;
        return bytes;
    } catch (const std::bad_alloc &) {
        return std::nullopt;
    }
}

quint32 scriptCrc32(const uchar *data, qint64 size)
{
    quint32 crc = 0xFFFFFFFFu;
    for (qint64 i = 0; i < size; ++i)
        crc = (crc << 8) ^ crcTable[(crc >> 24) ^ data[i]];
    return ~crc;
}

QByteArray scriptBytesFromArray(ESContext *cx, const ESValue &array, quint64 from,
                                quint64 count)
{
    ESObject *object = ESNativeArray::requireArray(cx, array);
    const quint64 length = ESNativeArray::lengthOf(cx, object);
    if (from >= length)
        return QByteArray();
    count = qMin(count, length - from);
    if (count > quint64(scriptMaxBinarySize))
        cx->throwScriptError(cx->rangeErrorClass(), QStringLiteral("byte array too long"));
    QByteArray bytes(int(count), Qt::Uninitialized);
    for (quint64 i = 0; i < count; ++i) {
        const quint64 index = from + i;
        const ESValue element = cx->get(object, ESAtom::forIndex(quint32(index)));
        if (!element.isNumber()) {
            cx->throwTypeError(QStringLiteral("byte array element %1 is not a number")
                                   .arg(index));
        }
        if (!(element.number >= 0 && element.number <= 255)
            || element.number != double(int(element.number))) {
            cx->throwScriptError(cx->rangeErrorClass(),
                                 QStringLiteral("byte array element %1 out of range")
                                     .arg(index));
        }
        bytes[int(i)] = char(int(element.number));
    }
    return bytes;
}

ESValue scriptArrayFromBytes(ESContext *cx, const char *data, qint64 size)
{
    std::vector<ESValue> elements(static_cast<std::size_t>(size));
    for (qint64 i = 0; i < size; ++i)
        elements[std::size_t(i)] = ESValue::fromNumber(uchar(data[i]));
    return ESValue::fromObject(ESNativeArray::newArray(cx, elements.data(), int(size)));
}

qint64 scriptPosition(ESContext *cx, const ESValue &value)
{
    const double number = cx->toInteger(value);
    if (number < 0)
        return -1;
    // Anything from 2^62 on is as far outside an image as 2^62 itself.
    return number >= 4611686018427387904.0 ? Q_INT64_C(4611686018427387904) : qint64(number);
}

ESObject *scriptInstallHost(ESContext *cx, ESClass *hostClass,
                            const ESBuiltinDescriptor *methods, int count)
{
    ESObject *object = hostClass->ESClass::install(cx);
    for (int i = 0; i < count; ++i)
        cx->defineBuiltin(object, hostClass, methods[i]);
    return object;
}
