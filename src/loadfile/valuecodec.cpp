#include "valuecodec.h"

#include "qtx/byteorder.h"

namespace {

quint64 bitMask(quint32 bitSize)
{
    return bitSize >= 64 ? ~quint64(0) : (quint64(1) << bitSize) - 1;
}

// Where the field's least significant bit lies in the decoded integer. Negative or
// too large shifts denote a field outside the integer; callers treat those as empty.
qint64 fieldShift(quint32 size, qint32 bitOffset, quint32 bitSize, bool lsbNumbering)
{
    if (lsbNumbering)
        return bitOffset;
    const qint64 fieldBits = qint64(size) * 8;
    if (fieldBits == 0)
        return -1;
    // The remainder keeps the sign of the offset, as C's '%' does: a negative offset
    // selects bits in the byte that follows the field.
    return fieldBits - ((qint64(bitOffset) % fieldBits) + bitSize);
}

bool shiftValid(qint64 shift)
{
    return shift >= 0 && shift < 64;
}

} // namespace

quint64 ValueCodec::decodeInteger(const quint8 *bytes, quint32 size, quint32 byteOrder)
{
    return QTx::decodeInteger(bytes, size, byteOrder);
}

void ValueCodec::encodeInteger(quint8 *bytes, quint64 value, quint32 size, quint32 byteOrder)
{
    QTx::encodeInteger(bytes, value, size, byteOrder);
}

quint32 ValueCodec::bitFieldBytes(quint32 size, qint32 bitOffset, bool lsbNumbering)
{
    return (!lsbNumbering && bitOffset < 0) ? size + 1 : size;
}

quint64 ValueCodec::extractBits(const quint8 *bytes, quint32 size, qint32 bitOffset,
                                quint32 bitSize, bool lsbNumbering, quint32 byteOrder)
{
    quint64 value = decodeInteger(bytes, size, byteOrder);
    if (bitFieldBytes(size, bitOffset, lsbNumbering) > size && size < 8)
        value |= quint64(bytes[size]) << (size * 8);
    const qint64 shift = fieldShift(size, bitOffset, bitSize, lsbNumbering);
    if (!shiftValid(shift))
        return 0;
    return (value >> shift) & bitMask(bitSize);
}

void ValueCodec::insertBits(quint8 *bytes, quint64 value, quint32 size, qint32 bitOffset,
                            quint32 bitSize, bool lsbNumbering, quint32 byteOrder)
{
    const qint64 shift = fieldShift(size, bitOffset, bitSize, lsbNumbering);
    if (!shiftValid(shift))
        return;
    // A negative msb-first offset works on an integer one byte wider: the byte after
    // the field sits above its most significant bit, whatever the byte order, exactly
    // as extractBits() sees it.
    const bool widened = bitFieldBytes(size, bitOffset, lsbNumbering) > size && size < 8;
    quint64 word = decodeInteger(bytes, size, byteOrder);
    if (widened)
        word |= quint64(bytes[size]) << (size * 8);
    const quint64 mask = bitMask(bitSize) << shift;
    word = (word & ~mask) | ((value << shift) & mask);
    encodeInteger(bytes, word, size, byteOrder);
    if (widened)
        bytes[size] = quint8(word >> (size * 8));
}
