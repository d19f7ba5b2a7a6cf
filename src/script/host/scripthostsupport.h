#pragma once

// What the host objects share: the CRC of their images and byte arrays, the
// conversion between script byte arrays and bytes, and the reading of offsets.

#include "script/escontext.h"

#include <QByteArray>
#include <QIODevice>
#include <QtGlobal>

#include <memory>
#include <optional>

class ESClass;
class ESObject;
struct ESBuiltinDescriptor;
struct ESValue;

/// The most bytes an image or byte array may hold (1 GiB): a larger resize, load or
/// array is refused instead of exhausting memory.
constexpr qint64 scriptMaxBinarySize = qint64(1) << 30;

/// The whole file (opened read-only plus `mode`), or nothing when it cannot be read
/// completely: it cannot be opened, is a directory, is larger than scriptMaxBinarySize
/// or changes size while being read.
std::optional<QByteArray> scriptReadFile(const QString &path,
                                         QIODevice::OpenMode mode = QIODevice::NotOpen);

/// CRC-32/BZIP2 of `size` bytes: polynomial 0x04C11DB7, most significant bit first,
/// initial register 0xFFFFFFFF, no reflection, the result inverted.
quint32 scriptCrc32(const uchar *data, qint64 size);

/// The bytes of a script byte array (an Array of numbers 0 to 255). TypeError "array
/// argument expected" for a non-array, TypeError "byte array element N is not a number"
/// or RangeError "byte array element N out of range" for a bad element, RangeError
/// "byte array too long" beyond scriptMaxBinarySize. `from` and `count` select elements
/// (count clipped at the array's length).
QByteArray scriptBytesFromArray(ESContext *cx, const ESValue &array, quint64 from = 0,
                                quint64 count = ~quint64(0));

/// A new script Array holding the bytes as numbers.
ESValue scriptArrayFromBytes(ESContext *cx, const char *data, qint64 size);

/// An offset or length argument: the integer part of its number, -1 when it is
/// negative; undefined counts as 0. Values beyond any image stay large, so they fall
/// outside it instead of wrapping around as 32-bit numbers would.
qint64 scriptPosition(ESContext *cx, const ESValue &value);

/// What a host class's install() does: the default install (the global object under the
/// class's name), then one built-in per descriptor on it.
ESObject *scriptInstallHost(ESContext *cx, ESClass *hostClass,
                            const ESBuiltinDescriptor *methods, int count);

/// Makes a host class owned by the context, installs it and answers it.
template <typename HostClass, typename... Arguments>
HostClass *scriptAdoptHost(ESContext *cx, Arguments &&...arguments)
{
    auto *host = static_cast<HostClass *>(
        cx->adoptClass(std::make_unique<HostClass>(std::forward<Arguments>(arguments)...)));
    host->install(cx);
    return host;
}
