#include "loadfile/lazymemoryblock.h"
#include "loadfile/memoryblock.h"
#include "loadfile/simulatedmemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <tuple>
#include <vector>

namespace {

TEST(MemoryBlockTest, IntegersFollowTheByteOrderAndMoveTheCursor)
{
    const quint8 bytes[] = {0x12, 0x34, 0x56};
    MemoryBlock big(bytes, 3, bigEndianOrder);
    EXPECT_EQ(big.readInteger(3), 0x123456u);
    EXPECT_EQ(MemoryBlock(bytes, 3, littleEndianOrder).readInteger(3), 0x563412u);
    big.rewind();
    EXPECT_EQ(big.readInteger(2), 0x1234u);
    EXPECT_EQ(big.tell(), 2u);
    MemoryBlock block(6, bigEndianOrder);
    block.writeInteger(0xA1B2, 2);
    block.write(2, "xy");
    block.writeInteger(0x0102, 2);
    EXPECT_EQ(block.tell(), 6u);
    EXPECT_EQ(block.toByteArray(), QByteArray("\xA1\xB2xy\x01\x02", 6));
}

TEST(MemoryBlockTest, OutOfRangeAccessDoesNothing)
{
    MemoryBlock block(QByteArray("\x01\x02\x03\x04", 4));
    block.seek(2);
    char out[3] = {'x', 'x', 'x'};
    block.read(3, out);
    EXPECT_EQ(block.tell(), 2u);
    EXPECT_EQ(out[0], 'x');
    block.read(2, out);
    EXPECT_EQ(block.tell(), 4u);
    EXPECT_EQ(QByteArray(out, 2), "\x03\x04");
    EXPECT_EQ(block.readInteger(1), 0u);
    EXPECT_EQ(block.tell(), 4u);
    block.writeInteger(0xFF, 1);
    EXPECT_EQ(block.toByteArray(), QByteArray("\x01\x02\x03\x04", 4));
    block.skip(10);  // a cursor past the end, and back
    EXPECT_EQ(block.tell(), 14u);
    EXPECT_EQ(block.readInteger(1), 0u);
    block.seek(1);
    EXPECT_EQ(block.readInteger(1), 2u);
}

TEST(MemoryBlockTest, ReadStringStopsAtZeroAndKeepsTheCursor)
{
    MemoryBlock block(QByteArray("ab\0cd", 5));
    char text[8];
    memset(text, 'x', sizeof text);
    block.readString(8, text);
    EXPECT_STREQ(text, "ab");
    EXPECT_EQ(block.tell(), 0u);
    block.seek(3);
    block.readString(8, text);
    EXPECT_STREQ(text, "cd");
    block.seek(0);
    block.readString(2, text);
    EXPECT_STREQ(text, "a");  // terminated within the two bytes allowed
    block.seek(9);
    block.readString(8, text);
    EXPECT_STREQ(text, "");
}

TEST(MemoryBlockTest, BitFieldsRelativeToTheCursor)
{
    MemoryBlock block(QByteArray("\x00\xB4", 2));
    EXPECT_EQ(block.readBits(1, 1, 2, 3, true), 5u);
    EXPECT_EQ(block.readBits(1, 1, 2, 3, false), 6u);
    block.writeBits(2, 1, 1, 2, 3, true);
    EXPECT_EQ(block.toByteArray(), QByteArray("\x00\xA8", 2));
    EXPECT_EQ(block.tell(), 0u);
    EXPECT_EQ(block.readBits(1, 2, 0, 4, true), 0u);  // past the end
}

TEST(MemoryBlockTest, CopiesAreDeep)
{
    MemoryBlock block(QByteArray("abc"));
    MemoryBlock copy(block);
    copy.write(1, "z");
    EXPECT_EQ(block.toByteArray(), QByteArray("abc"));
    EXPECT_EQ(copy.toByteArray(), QByteArray("zbc"));
}

// The target traffic of a lazy block: (space, address, count) of every access.
using Access = std::tuple<quint32, quint64, quint32>;

class CountingTarget : public SimulatedMemory
{
public:
    using SimulatedMemory::SimulatedMemory;
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
    void SetUp() override
    {
        target.addRange(AddressRange(0x10000, 0x11FFF));
        for (quint32 i = 0; i < 0x2000; ++i)
            target.writeByte(0x10000 + i, quint8(i));
        target.reads.clear();
        target.writes.clear();
    }
    CountingTarget target;
};

/// Reads of (offset, count) in turn from a 4 KiB lazy block at 0x10000 in space 2, and
/// the (address, count) of each target read they take.
struct TrafficCase
{
    const char *name;
    std::vector<std::pair<quint32, quint32>> reads;
    std::vector<std::pair<quint64, quint32>> traffic;
};

class LazyMemoryBlockTrafficTest : public LazyMemoryBlockTest,
                                   public testing::WithParamInterface<TrafficCase>
{
};

TEST_P(LazyMemoryBlockTrafficTest, ReadsTheRightBytesWithTheExpectedTargetReads)
{
    LazyMemoryBlock block(&target, 2, 0x10000, 4096);
    for (const auto &[offset, count] : GetParam().reads) {
        block.seek(offset);
        std::vector<quint8> bytes(count);
        block.read(count, bytes.data());
        EXPECT_EQ(block.tell(), offset + count);
        for (quint32 i = 0; i < count; ++i)
            ASSERT_EQ(bytes[i], quint8(offset + i)) << "offset " << offset << " byte " << i;
    }
    std::vector<Access> expected;
    for (const auto &[address, count] : GetParam().traffic)
        expected.emplace_back(2, address, count);
    EXPECT_EQ(target.reads, expected);
}

const TrafficCase trafficCases[] = {
    {"SmallReadsShareOneCachedTargetRead", {{0, 4}, {4, 4}, {8, 4}}, {{0x10000, 1024}}},
    {"ReadsWithinTheCacheTakeNone", {{0, 4}, {1000, 24}, {500, 8}}, {{0x10000, 1024}}},
    {"FinalBytesAreReadDirectly", {{4092, 4}}, {{0x10000 + 4092, 4}}},
    // The second read crosses the end of the cached kilobyte; near the end of the block
    // the cache is shorter.
    {"CacheIsRefilledFromTheCursor", {{0, 4}, {1022, 4}, {3500, 4}},
     {{0x10000, 1024}, {0x10000 + 1022, 1024}, {0x10000 + 3500, 596}}},
    {"LargeReadsBypassTheCache", {{16, 2000}}, {{0x10010, 2000}}},
};

INSTANTIATE_TEST_SUITE_P(All, LazyMemoryBlockTrafficTest, testing::ValuesIn(trafficCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(LazyMemoryBlockTest, WritesGoStraightToTheTargetAndDropStaleCache)
{
    LazyMemoryBlock block(&target, 1, 0x10000, 4096, bigEndianOrder);
    EXPECT_EQ(block.readInteger(2), 0x0001u);
    block.rewind();
    block.writeInteger(0xBEEF, 2);
    ASSERT_EQ(target.writes.size(), 1u);
    EXPECT_EQ(target.writes[0], Access(1, 0x10000, 2));
    block.rewind();
    EXPECT_EQ(block.readInteger(2), 0xBEEFu);
    EXPECT_EQ(LazyMemoryBlock(&target, 1, 0x10000, 4096, littleEndianOrder).readInteger(2),
              0xEFBEu);
}

TEST_F(LazyMemoryBlockTest, ReadStringRestoresTheCursorAndTerminates)
{
    target.write(0x10010, 6, "hello");
    LazyMemoryBlock block(&target, 0, 0x10000, 4096);
    block.seek(0x10);
    char text[16];
    block.readString(16, text);
    EXPECT_STREQ(text, "hello");
    EXPECT_EQ(block.tell(), 0x10u);
    block.readString(3, text);
    EXPECT_STREQ(text, "he");
    target.reads.clear();
    block.readString(0, text);
    EXPECT_TRUE(target.reads.empty());
}

TEST_F(LazyMemoryBlockTest, UnreadableMemoryGivesZeros)
{
    LazyMemoryBlock block(&target, 0, 0x20000, 16, bigEndianOrder);
    EXPECT_EQ(block.readInteger(4), 0u);
    EXPECT_EQ(block.tell(), 4u);
}

TEST_F(LazyMemoryBlockTest, BitFieldsReadAndWriteThroughTheTarget)
{
    target.writeByte(0x10101, 0xB4);
    LazyMemoryBlock block(&target, 0, 0x10100, 64);
    EXPECT_EQ(block.readBits(1, 1, 2, 3, false), 6u);
    EXPECT_EQ(block.tell(), 0u);
    block.writeBits(2, 1, 1, 2, 3, true);
    EXPECT_EQ(block.tell(), 0u);
    quint8 value = 0;
    target.readByte(0x10101, &value);
    EXPECT_EQ(value, 0xA8);
    EXPECT_EQ(block.readBits(1, 1, 2, 3, true), 2u);
}

} // namespace
