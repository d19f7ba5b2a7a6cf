#include "loadfile/valuecodec.h"

#include <gtest/gtest.h>

#include <QByteArray>

namespace {

QByteArray hex(const quint8 *bytes, int count)
{
    return QByteArray(reinterpret_cast<const char *>(bytes), count).toHex().toUpper();
}

// The first `size` bytes of 12 34 56 78 9A BC DE F0 11 decoded in either byte order, and
// encoded back. Of nine bytes only the least significant eight count: the ninth encodes
// as zero.
TEST(ValueCodecTest, DecodesAndEncodesBothByteOrdersAtEverySize)
{
    const quint8 bytes[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11};
    struct Row { quint32 size; quint64 little; quint64 big; const char *littleOut, *bigOut; };
    const Row rows[] = {
        {0, 0, 0, "", ""},
        {1, 0x12, 0x12, "12", "12"},
        {2, 0x3412, 0x1234, "1234", "1234"},
        {3, 0x563412, 0x123456, "123456", "123456"},
        {4, 0x78563412, 0x12345678, "12345678", "12345678"},
        {7, 0xDEBC9A78563412, 0x123456789ABCDE, "123456789ABCDE", "123456789ABCDE"},
        {8, 0xF0DEBC9A78563412ull, 0x123456789ABCDEF0ull, "123456789ABCDEF0",
         "123456789ABCDEF0"},
        {9, 0xF0DEBC9A78563412ull, 0x3456789ABCDEF011ull, "123456789ABCDEF000",
         "003456789ABCDEF011"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.size);
        EXPECT_EQ(ValueCodec::decodeInteger(bytes, row.size, littleEndianOrder), row.little);
        EXPECT_EQ(ValueCodec::decodeInteger(bytes, row.size, bigEndianOrder), row.big);
        quint8 out[10] = {0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE, 0xEE};
        ValueCodec::encodeInteger(out, row.little, row.size, littleEndianOrder);
        EXPECT_EQ(hex(out, int(row.size) + 1), QByteArray(row.littleOut) + "EE");
        ValueCodec::encodeInteger(out, row.big, row.size, 0x100);  // any flag but 0 is big
        EXPECT_EQ(hex(out, int(row.size) + 1), QByteArray(row.bigOut) + "EE");
    }
    quint8 out[2];
    ValueCodec::encodeInteger(out, 0xAABBCCDDull, 2, bigEndianOrder);  // the low bytes only
    EXPECT_EQ(hex(out, 2), "CCDD");
}

// Bit-fields of `size`-byte integers, bytes in hex; the byte after the integer is there
// for negative msb-first offsets, which reach into it.
TEST(ValueCodecTest, BitFields)
{
    const struct {
        const char *bytes; quint32 size; qint32 offset; quint32 bits; bool lsb; quint32 order;
        quint64 value; quint64 newValue; const char *changed;
    } rows[] = {
        // Big-endian 0x8001: a msb-first offset wraps within the field.
        {"8001", 2, 0, 1, false, bigEndianOrder, 1, 0, "0001"},
        {"8001", 2, 15, 1, false, bigEndianOrder, 1, 0, "8000"},
        {"8001", 2, 16, 1, false, bigEndianOrder, 1, 0, "0001"},
        {"8001", 2, 14, 2, false, bigEndianOrder, 1, 2, "8002"},
        // The widened value is 0x03A5; bits 9..6 are 1110.
        {"A503", 1, -2, 4, false, littleEndianOrder, 0xE, 0x1, "6500"},
        // Excess value bits are dropped.
        {"0000", 2, 4, 4, true, bigEndianOrder, 0, 0xFFFF, "00F0"},
        {"0102030405060708", 8, 0, 64, true, bigEndianOrder,
         0x0102030405060708ull, 0x1112131415161718ull, "1112131415161718"},
        {"01", 1, 70, 3, true, bigEndianOrder, 0, 7, "01"},   // shifted out of range
        {"01", 1, 0, 12, false, bigEndianOrder, 0, 0xFFF, "01"},  // wider than it
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << "offset " << row.offset << " bits " << row.bits);
        QByteArray changed = QByteArray::fromHex(row.bytes);
        auto *bytes = reinterpret_cast<quint8 *>(changed.data());
        EXPECT_EQ(ValueCodec::extractBits(bytes, row.size, row.offset, row.bits, row.lsb,
                                          row.order), row.value);
        ValueCodec::insertBits(bytes, row.newValue, row.size, row.offset, row.bits, row.lsb,
                               row.order);
        EXPECT_EQ(changed.toHex().toUpper(), row.changed);
    }
}

} // namespace
