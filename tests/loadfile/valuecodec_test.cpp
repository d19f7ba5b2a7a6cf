#include "loadfile/valuecodec.h"

#include <gtest/gtest.h>

namespace {

const quint8 bytes123456[] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11};

TEST(ValueCodecTest, DecodesBothByteOrdersAtEverySize)
{
    struct Row { quint32 size; quint64 little; quint64 big; };
    const Row rows[] = {
        {0, 0, 0},
        {1, 0x12, 0x12},
        {2, 0x3412, 0x1234},
        {3, 0x563412, 0x123456},
        {4, 0x78563412, 0x12345678},
        {5, 0x9A78563412, 0x123456789A},
        {8, 0xF0DEBC9A78563412ull, 0x123456789ABCDEF0ull},
        {9, 0xF0DEBC9A78563412ull, 0x3456789ABCDEF011ull},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.size);
        EXPECT_EQ(ValueCodec::decodeInteger(bytes123456, row.size, littleEndianOrder), row.little);
        EXPECT_EQ(ValueCodec::decodeInteger(bytes123456, row.size, bigEndianOrder), row.big);
    }
}

TEST(ValueCodecTest, AnyNonZeroFlagMeansBigEndian)
{
    EXPECT_EQ(ValueCodec::decodeInteger(bytes123456, 2, 0x100), 0x1234u);
}

TEST(ValueCodecTest, EncodingInvertsDecoding)
{
    for (quint32 order : {littleEndianOrder, bigEndianOrder}) {
        for (quint32 size = 1; size <= 8; ++size) {
            quint8 out[8] = {};
            const quint64 value = ValueCodec::decodeInteger(bytes123456, size, order);
            ValueCodec::encodeInteger(out, value, size, order);
            EXPECT_EQ(0, memcmp(out, bytes123456, size)) << "size " << size << " order " << order;
        }
    }
}

TEST(ValueCodecTest, EncodingKeepsOnlyTheLowBytes)
{
    quint8 out[4] = {0xEE, 0xEE, 0xEE, 0xEE};
    ValueCodec::encodeInteger(out, 0xAABBCCDDull, 2, bigEndianOrder);
    EXPECT_EQ(out[0], 0xCC);
    EXPECT_EQ(out[1], 0xDD);
    EXPECT_EQ(out[2], 0xEE);
}

TEST(ValueCodecTest, BitFieldNumberingFromEitherEnd)
{
    const quint8 byte[] = {0xB4, 0x00};
    EXPECT_EQ(ValueCodec::extractBits(byte, 1, 2, 3, true, littleEndianOrder), 5u);
    EXPECT_EQ(ValueCodec::extractBits(byte, 1, 2, 3, false, littleEndianOrder), 6u);
}

TEST(ValueCodecTest, MsbFirstOffsetWrapsWithinTheField)
{
    const quint8 word[] = {0x80, 0x01};  // big-endian 0x8001
    EXPECT_EQ(ValueCodec::extractBits(word, 2, 0, 1, false, bigEndianOrder), 1u);
    EXPECT_EQ(ValueCodec::extractBits(word, 2, 15, 1, false, bigEndianOrder), 1u);
    EXPECT_EQ(ValueCodec::extractBits(word, 2, 16, 1, false, bigEndianOrder), 1u);
    EXPECT_EQ(ValueCodec::extractBits(word, 2, 14, 2, false, bigEndianOrder), 1u);
}

TEST(ValueCodecTest, NegativeMsbFirstOffsetReachesIntoTheNextByte)
{
    // Byte 0xA5 followed by 0x03: the widened value is 0x03A5; bit offset -2 with 4 bits
    // selects bits 9..6 = 1110.
    const quint8 bytes[] = {0xA5, 0x03};
    EXPECT_EQ(ValueCodec::bitFieldBytes(1, -2, false), 2u);
    EXPECT_EQ(ValueCodec::extractBits(bytes, 1, -2, 4, false, littleEndianOrder), 0xEu);
    quint8 changed[] = {0xA5, 0x03};
    ValueCodec::insertBits(changed, 0x1, 1, -2, 4, false, littleEndianOrder);
    EXPECT_EQ(changed[0], 0x65);
    EXPECT_EQ(changed[1], 0x00);
    EXPECT_EQ(ValueCodec::extractBits(changed, 1, -2, 4, false, littleEndianOrder), 0x1u);
}

TEST(ValueCodecTest, InsertKeepsTheOtherBits)
{
    quint8 bytes[] = {0xB4};
    ValueCodec::insertBits(bytes, 2, 1, 2, 3, true, littleEndianOrder);
    EXPECT_EQ(bytes[0], 0xA8);  // 1010 1000: bits 4..2 now 010
    quint8 msb[] = {0xB4};
    ValueCodec::insertBits(msb, 1, 1, 2, 3, false, littleEndianOrder);
    EXPECT_EQ(msb[0], 0x8C);  // bits 5..3 now 001
}

TEST(ValueCodecTest, InsertDropsExcessValueBits)
{
    quint8 bytes[] = {0x00, 0x00};
    ValueCodec::insertBits(bytes, 0xFFFF, 2, 4, 4, true, bigEndianOrder);
    EXPECT_EQ(bytes[0], 0x00);
    EXPECT_EQ(bytes[1], 0xF0);
}

TEST(ValueCodecTest, FullWidthFieldAndOutOfRangeShift)
{
    const quint8 all[] = {1, 2, 3, 4, 5, 6, 7, 8};
    EXPECT_EQ(ValueCodec::extractBits(all, 8, 0, 64, true, bigEndianOrder),
              0x0102030405060708ull);
    EXPECT_EQ(ValueCodec::extractBits(all, 1, 70, 3, true, bigEndianOrder), 0u);
    EXPECT_EQ(ValueCodec::extractBits(all, 1, 0, 12, false, bigEndianOrder), 0u);
}

} // namespace
