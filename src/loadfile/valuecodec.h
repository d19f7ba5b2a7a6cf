#pragma once

#include <QtGlobal>

/// Byte-order flags of memory blocks and value codecs: 0 is little-endian, any
/// other value big-endian.
constexpr quint32 littleEndianOrder = 0;
constexpr quint32 bigEndianOrder = 1;

/// Integer and bit-field codecs over raw target bytes, shared by the memory blocks,
/// the simulated memory and the expression evaluator. Sizes are in bytes.
class ValueCodec
{
public:
    /// Decodes `size` bytes. Size 0 gives 0; above 8 bytes only the least significant
    /// eight count (the first eight little-endian, the last eight big-endian).
    static quint64 decodeInteger(const quint8 *bytes, quint32 size, quint32 byteOrder);
    /// Writes the low `size` bytes of `value` (zero bytes beyond the eighth).
    static void encodeInteger(quint8 *bytes, quint64 value, quint32 size, quint32 byteOrder);

    /// Bytes a bit-field access touches: `size`, plus one when a negative msb-first bit
    /// offset reaches into the byte that follows the field.
    static quint32 bitFieldBytes(quint32 size, qint32 bitOffset, bool lsbNumbering);

    /// Extracts a bit-field from the bitFieldBytes() bytes at `bytes`. With
    /// `lsbNumbering` the offset counts from bit 0 of the decoded integer; otherwise
    /// from the most significant end of the size × 8 bit field.
    static quint64 extractBits(const quint8 *bytes, quint32 size, qint32 bitOffset,
                               quint32 bitSize, bool lsbNumbering, quint32 byteOrder);
    /// Replaces the same bit-field with `value` (extra high bits of `value` are dropped).
    static void insertBits(quint8 *bytes, quint64 value, quint32 size, qint32 bitOffset,
                           quint32 bitSize, bool lsbNumbering, quint32 byteOrder);
};
