#include "loadfile/lazymemoryblock.h"
#include "loadfile/memoryblock.h"
#include "loadfile/simulatedmemory.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

namespace {

// The target traffic of a lazy block: (space, address, count) of every access.
using Access = std::tuple<quint32, quint64, quint32>;

class CountingTarget : public SimulatedMemory
{
public:
    bool readMemory(quint32 space, quint64 address, quint32 count, void *destination) override
    {
        reads.emplace_back(space, address, count);
        return SimulatedMemory::readMemory(space, address, count, destination);
    }
    bool writeMemory(quint32 space, quint64 address, quint32 count,
                     const void *source) override
    {
        writes.emplace_back(space, address, count);
        return SimulatedMemory::writeMemory(space, address, count, source);
    }
    std::vector<Access> reads;
    std::vector<Access> writes;
};

// 8 KiB of counting bytes at 0x10000, with no traffic recorded yet.
class LazyMemoryBlockTest : public testing::Test
{
protected:
    LazyMemoryBlockTest()
    {
        target.addRange(AddressRange(0x10000, 0x11FFF));
        for (quint32 i = 0; i < 0x2000; ++i)
            target.writeByte(0x10000 + i, quint8(i));
    }
    CountingTarget target;
};

// What both kinds of block share, run on a MemoryBlock over host bytes (false) and on a
// LazyMemoryBlock over the same bytes written to the target (true).
class MemoryBlockKindTest : public LazyMemoryBlockTest, public testing::WithParamInterface<bool>
{
protected:
    MemoryBlockInterface &block(const QByteArray &bytes, quint32 byteOrder)
    {
        if (!GetParam())
            return *(m_block = std::make_unique<MemoryBlock>(bytes, byteOrder));
        target.write(0x10000, quint32(bytes.size()), bytes.constData());
        return *(m_block = std::make_unique<LazyMemoryBlock>(&target, 0, 0x10000,
                                                             quint32(bytes.size()), byteOrder));
    }
    std::unique_ptr<MemoryBlockInterface> m_block;
};

TEST_P(MemoryBlockKindTest, IntegersFollowTheByteOrderAndMoveTheCursor)
{
    EXPECT_EQ(block("\x12\x34\x56", littleEndianOrder).readInteger(3), 0x563412u);
    MemoryBlockInterface &big = block("\x12\x34\x56", bigEndianOrder);
    EXPECT_EQ(big.readInteger(2), 0x1234u);
    EXPECT_EQ(big.tell(), 2u);
    big.rewind();
    big.writeInteger(0xA1B2, 2);
    big.write(1, "x");
    EXPECT_EQ(big.tell(), 3u);
    big.rewind();
    EXPECT_EQ(big.readInteger(3), 0xA1B278u);  // no stale bytes from a cache
}

TEST_P(MemoryBlockKindTest, ReadStringStopsAtZeroAndKeepsTheCursor)
{
    MemoryBlockInterface &text = block(QByteArray("ab\0cd\0", 6), littleEndianOrder);
    char out[8];
    text.readString(8, out);
    EXPECT_STREQ(out, "ab");
    EXPECT_EQ(text.tell(), 0u);
    text.seek(3);
    text.readString(8, out);
    EXPECT_STREQ(out, "cd");
    text.seek(0);
    text.readString(2, out);
    EXPECT_STREQ(out, "a");  // terminated within the two bytes allowed
}

// The byte 1011 0100 numbered from either end.
TEST_P(MemoryBlockKindTest, BitFieldsRelativeToTheCursor)
{
    MemoryBlockInterface &bits = block(QByteArray("\x00\xB4", 2), littleEndianOrder);
    EXPECT_EQ(bits.readBits(1, 1, 2, 3, true), 5u);
    EXPECT_EQ(bits.readBits(1, 1, 2, 3, false), 6u);
    bits.writeBits(2, 1, 1, 2, 3, true);
    EXPECT_EQ(bits.tell(), 0u);
    EXPECT_EQ(bits.readBits(1, 1, 0, 8, true), 0xA8u);
}

INSTANTIATE_TEST_SUITE_P(All, MemoryBlockKindTest, testing::Bool(),
                         [](const auto &info) { return info.param ? "Lazy" : "Host"; });

TEST(MemoryBlockTest, OutOfRangeAccessDoesNothingAndCopiesAreDeep)
{
    MemoryBlock block(QByteArray("\x01\x02\x03\x04", 4));
    block.seek(2);
    char out[8] = {'x'};
    block.read(3, out);
    EXPECT_EQ(block.tell(), 2u);
    EXPECT_EQ(out[0], 'x');
    block.read(2, out);
    EXPECT_EQ(block.tell(), 4u);
    EXPECT_EQ(QByteArray(out, 2), "\x03\x04");
    EXPECT_EQ(block.readInteger(1), 0u);
    block.writeInteger(0xFF, 1);
    EXPECT_EQ(block.tell(), 4u);
    EXPECT_EQ(block.readBits(0, 1, 0, 4, true), 0u);
    block.skip(10);  // a cursor past the end, and back
    block.readString(8, out);
    EXPECT_STREQ(out, "");
    block.seek(2);
    MemoryBlock copy(block);
    copy.write(1, "z");  // at the copied cursor
    EXPECT_EQ(copy.toByteArray(), QByteArray("\x01\x02z\x04", 4));
    EXPECT_EQ(block.toByteArray(), QByteArray("\x01\x02\x03\x04", 4));
}

// Reads of (offset, count) in turn from a 4 KiB lazy block at 0x10000 in space 2, and
// the target reads they take.
TEST_F(LazyMemoryBlockTest, ReadsTheRightBytesWithTheExpectedTargetReads)
{
    const struct {
        const char *name;
        std::vector<std::pair<quint32, quint32>> reads;
        std::vector<Access> traffic;
    } rows[] = {
        {"reads within the cache share one target read", {{0, 4}, {4, 4}, {1000, 24}, {500, 8}},
         {{2, 0x10000, 1024}}},
        {"final bytes are read directly", {{4092, 4}}, {{2, 0x10000 + 4092, 4}}},
        // The second read crosses the end of the cached kilobyte and the third is served
        // from the new cache; near the end of the block the cache is shorter.
        {"cache is refilled from the cursor", {{0, 4}, {1022, 4}, {1030, 4}, {3500, 4}},
         {{2, 0x10000, 1024}, {2, 0x10000 + 1022, 1024}, {2, 0x10000 + 3500, 596}}},
        {"large reads bypass the cache", {{16, 2000}}, {{2, 0x10010, 2000}}},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.name);
        target.reads.clear();
        LazyMemoryBlock block(&target, 2, 0x10000, 4096);
        for (const auto &[offset, count] : row.reads) {
            block.seek(offset);
            std::vector<quint8> bytes(count);
            block.read(count, bytes.data());
            EXPECT_EQ(block.tell(), offset + count);
            for (quint32 i = 0; i < count; ++i)
                ASSERT_EQ(bytes[i], quint8(offset + i)) << "offset " << offset << " byte " << i;
        }
        EXPECT_EQ(target.reads, row.traffic);
    }
}

TEST_F(LazyMemoryBlockTest, WritesGoStraightToTheTargetInTheBlocksSpace)
{
    LazyMemoryBlock block(&target, 1, 0x10000, 4096, bigEndianOrder);
    block.skip(2);
    block.writeInteger(0xBEEF, 2);
    EXPECT_EQ(target.writes, std::vector<Access>{Access(1, 0x10002, 2)});
    EXPECT_TRUE(target.reads.empty());
}

TEST_F(LazyMemoryBlockTest, UnreadableMemoryGivesZerosAndEmptyStringsReadNothing)
{
    LazyMemoryBlock block(&target, 0, 0x20000, 16, bigEndianOrder);
    EXPECT_EQ(block.readInteger(4), 0u);
    EXPECT_EQ(block.tell(), 4u);
    target.reads.clear();
    char text[1] = {'x'};
    block.readString(0, text);
    EXPECT_TRUE(target.reads.empty());
    EXPECT_EQ(text[0], 'x');
}

} // namespace
