#include "loadfile/lazymemoryblock.h"
#include "loadfile/memoryblock.h"
#include "loadfile/simulatedmemory.h"

#include <gtest/gtest.h>

#include <cstring>
#include <vector>

namespace {

TEST(MemoryBlockTest, ReadsIntegersInItsByteOrder)
{
    const quint8 bytes[] = {0x12, 0x34, 0x56};
    MemoryBlock big(bytes, 3, bigEndianOrder);
    EXPECT_EQ(big.readInteger(3), 0x123456u);
    MemoryBlock little(bytes, 3, littleEndianOrder);
    EXPECT_EQ(little.readInteger(3), 0x563412u);
    big.rewind();
    EXPECT_EQ(big.readInteger(2), 0x1234u);
    EXPECT_EQ(big.tell(), 2u);
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
    EXPECT_EQ(out[0], 3);
    EXPECT_EQ(out[1], 4);
    EXPECT_EQ(block.readInteger(1), 0u);
    EXPECT_EQ(block.tell(), 4u);
    block.writeInteger(0xFF, 1);
    EXPECT_EQ(block.toByteArray(), QByteArray("\x01\x02\x03\x04", 4));
}

TEST(MemoryBlockTest, WritesAdvanceTheCursor)
{
    MemoryBlock block(6, bigEndianOrder);
    block.writeInteger(0xA1B2, 2);
    block.write(2, "xy");
    block.writeInteger(0x0102, 2);
    EXPECT_EQ(block.tell(), 6u);
    EXPECT_EQ(block.toByteArray(), QByteArray("\xA1\xB2xy\x01\x02", 6));
}

TEST(MemoryBlockTest, SkipPastTheEndDisablesAccess)
{
    MemoryBlock block(QByteArray("abcd"));
    block.skip(10);
    EXPECT_EQ(block.tell(), 10u);
    EXPECT_EQ(block.readInteger(1), 0u);
    block.seek(1);
    EXPECT_EQ(block.readInteger(1), quint64('b'));
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
    block.seek(0);
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

// Counts the target traffic of a lazy block.
class CountingTarget : public SimulatedMemory
{
public:
    explicit CountingTarget(const AddressRangeList &ranges) : SimulatedMemory(ranges) {}
    bool readMemory(quint32 space, quint64 address, quint32 count, void *destination) override
    {
        reads.push_back({space, address, count});
        return SimulatedMemory::readMemory(space, address, count, destination);
    }
    bool writeMemory(quint32 space, quint64 address, quint32 count,
                     const void *source) override
    {
        writes.push_back({space, address, count});
        return SimulatedMemory::writeMemory(space, address, count, source);
    }
    struct Access
    {
        quint32 space;
        quint64 address;
        quint32 count;
        bool operator==(const Access &o) const
        {
            return space == o.space && address == o.address && count == o.count;
        }
    };
    std::vector<Access> reads;
    std::vector<Access> writes;
};

class LazyMemoryBlockTest : public testing::Test
{
protected:
    LazyMemoryBlockTest() : target(ranges())
    {
        for (quint32 i = 0; i < 0x2000; ++i)
            target.writeByte(0x10000 + i, quint8(i));
        target.reads.clear();
        target.writes.clear();
    }
    static AddressRangeList ranges()
    {
        AddressRangeList list;
        list.insert(0x10000, 0x11FFF);
        return list;
    }
    CountingTarget target;
};

TEST_F(LazyMemoryBlockTest, SmallReadsShareOneCachedTargetRead)
{
    LazyMemoryBlock block(&target, 2, 0x10000, 4096, bigEndianOrder);
    EXPECT_EQ(block.readInteger(4), 0x00010203u);
    EXPECT_EQ(block.readInteger(4), 0x04050607u);
    EXPECT_EQ(block.readInteger(4), 0x08090A0Bu);
    ASSERT_EQ(target.reads.size(), 1u);
    EXPECT_EQ(target.reads[0], (CountingTarget::Access{2, 0x10000, 1024}));
    EXPECT_EQ(block.tell(), 12u);
}

TEST_F(LazyMemoryBlockTest, FinalBytesAreReadDirectly)
{
    LazyMemoryBlock block(&target, 0, 0x10000, 4096, littleEndianOrder);
    block.seek(4092);
    EXPECT_EQ(block.readInteger(4), 0xFFFEFDFCu);
    ASSERT_EQ(target.reads.size(), 1u);
    EXPECT_EQ(target.reads[0], (CountingTarget::Access{0, 0x10000 + 4092, 4}));
}

TEST_F(LazyMemoryBlockTest, CacheIsRefilledFromTheCursor)
{
    LazyMemoryBlock block(&target, 0, 0x10000, 4096);
    quint8 bytes[4];
    block.read(4, bytes);
    block.seek(1022);
    block.read(4, bytes);  // crosses the end of the cached kilobyte
    ASSERT_EQ(target.reads.size(), 2u);
    EXPECT_EQ(target.reads[1], (CountingTarget::Access{0, 0x10000 + 1022, 1024}));
    EXPECT_EQ(bytes[0], quint8(1022));
    block.seek(3500);
    block.read(4, bytes);  // near the end the cache is shorter
    EXPECT_EQ(target.reads[2], (CountingTarget::Access{0, 0x10000 + 3500, 596}));
}

TEST_F(LazyMemoryBlockTest, LargeReadsBypassTheCache)
{
    LazyMemoryBlock block(&target, 0, 0x10000, 4096);
    std::vector<quint8> bytes(2000);
    block.seek(16);
    block.read(2000, bytes.data());
    ASSERT_EQ(target.reads.size(), 1u);
    EXPECT_EQ(target.reads[0], (CountingTarget::Access{0, 0x10010, 2000}));
    EXPECT_EQ(bytes[1999], quint8(16 + 1999));
    EXPECT_EQ(block.tell(), 2016u);
}

TEST_F(LazyMemoryBlockTest, WritesGoStraightToTheTargetAndDropStaleCache)
{
    LazyMemoryBlock block(&target, 1, 0x10000, 4096, bigEndianOrder);
    EXPECT_EQ(block.readInteger(2), 0x0001u);
    block.rewind();
    block.writeInteger(0xBEEF, 2);
    ASSERT_EQ(target.writes.size(), 1u);
    EXPECT_EQ(target.writes[0], (CountingTarget::Access{1, 0x10000, 2}));
    block.rewind();
    EXPECT_EQ(block.readInteger(2), 0xBEEFu);
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
