#pragma once

#include <QtEndian>
#include <QtGlobal>

#include <cstring>

// Integers in target memory and in file headers are stored in either byte order, chosen
// at run time by a 32-bit flag: 0 is little-endian, any other value big-endian. Memory
// blocks, value codecs and the package archive's fields all go through these helpers.

namespace QTx {

/// The fixed-width integer of type T at `field` (any alignment) in `byteOrder`.
template <typename T>
T fromByteOrder(const void *field, quint32 byteOrder)
{
    return byteOrder ? qFromBigEndian<T>(field) : qFromLittleEndian<T>(field);
}

/// Stores `value` as a fixed-width integer at `field` (any alignment) in `byteOrder`.
template <typename T>
void toByteOrder(T value, void *field, quint32 byteOrder)
{
    if (byteOrder)
        qToBigEndian<T>(value, field);
    else
        qToLittleEndian<T>(value, field);
}

/// Decodes an unsigned integer of `size` bytes. Size 0 gives 0; of a wider integer only
/// the least significant eight bytes count (the first eight little-endian, the last
/// eight big-endian).
inline quint64 decodeInteger(const uchar *bytes, quint32 size, quint32 byteOrder)
{
    if (size > 8) {
        if (byteOrder)
            bytes += size - 8;
        size = 8;
    }
    switch (size) {
    case 0:
        return 0;
    case 1:
        return bytes[0];
    case 2:
        return fromByteOrder<quint16>(bytes, byteOrder);
    case 4:
        return fromByteOrder<quint32>(bytes, byteOrder);
    case 8:
        return fromByteOrder<quint64>(bytes, byteOrder);
    default:
        break;
    }
    // Odd widths (3, 5, 6 and 7 bytes), most significant byte first.
    quint64 value = 0;
    for (quint32 i = 0; i < size; ++i)
        value = (value << 8) | bytes[byteOrder ? i : size - 1 - i];
    return value;
}

/// Encodes the low `size` bytes of `value`; bytes beyond the eighth are zero.
inline void encodeInteger(uchar *bytes, quint64 value, quint32 size, quint32 byteOrder)
{
    if (size > 8) {
        // The zero high bytes come last little-endian, first big-endian.
        std::memset(byteOrder ? bytes : bytes + 8, 0, size - 8);
        if (byteOrder)
            bytes += size - 8;
        size = 8;
    }
    switch (size) {
    case 0:
        return;
    case 1:
        bytes[0] = uchar(value);
        return;
    case 2:
        toByteOrder(quint16(value), bytes, byteOrder);
        return;
    case 4:
        toByteOrder(quint32(value), bytes, byteOrder);
        return;
    case 8:
        toByteOrder(value, bytes, byteOrder);
        return;
    default:
        break;
    }
    for (quint32 i = 0; i < size; ++i)
        bytes[byteOrder ? size - 1 - i : i] = uchar(value >> (8 * i));
}

} // namespace QTx
