#include "loadfile/simulatedmemory.h"

#include <gtest/gtest.h>

namespace {

AddressRangeList ramAndRom()
{
    AddressRangeList list;
    list.insert(0x1000, 0x1FFF, AccessKind::ReadWrite, "ram");
    list.insert(0x8000, 0x80FF, AccessKind::ReadOnly, "rom");
    return list;
}

TEST(SimulatedMemoryTest, AccessMustFitInOneRangeAndFollowsTheByteOrder)
{
    SimulatedMemory little(ramAndRom());
    EXPECT_FALSE(little.write32(0x1FFE, 0x12345678));
    EXPECT_TRUE(little.write32(0x1FFC, 0x12345678));
    quint8 byte = 0;
    EXPECT_TRUE(little.readByte(0x1FFC, &byte));
    EXPECT_EQ(byte, 0x78);
    EXPECT_FALSE(little.readByte(0x0FFF, &byte));
    EXPECT_FALSE(little.writeByte(0x2000, 1));
    SimulatedMemory big(ramAndRom(), bigEndianOrder);
    EXPECT_TRUE(big.write16(0x1000, 0x1234));
    EXPECT_TRUE(big.readByte(0x1000, &byte));
    EXPECT_EQ(byte, 0x12);
    quint32 word = 0;
    big.write(0x8010, 4, "\x01\x02\x03\x04");
    EXPECT_TRUE(big.read32(0x8010, &word));
    EXPECT_EQ(word, 0x01020304u);
    quint16 half = 0;
    EXPECT_FALSE(big.read16(0x80FF, &half));
}

TEST(SimulatedMemoryTest, FillMarksOnlyReadWriteRanges)
{
    SimulatedMemory memory(ramAndRom());
    memory.writeByte(0x8000, 0x5A);
    memory.fill();
    quint8 bytes[3] = {};
    memory.readByte(0x1000, &bytes[0]);
    memory.read(0x8000, 2, &bytes[1]);
    EXPECT_EQ(QByteArray(reinterpret_cast<char *>(bytes), 3), QByteArray("\xCD\x5A\x00", 3));
}

TEST(SimulatedMemoryTest, AddedRangeAndFirstMatchWins)
{
    SimulatedMemory memory;
    memory.addRange(AddressRange(0x0, 0xF));
    memory.addRange(AddressRange(0x8, 0x17));
    EXPECT_TRUE(memory.writeByte(0x8, 0xAA));
    quint8 bytes[4] = {};
    EXPECT_TRUE(memory.read(0x6, 4, bytes));  // still in the first range
    EXPECT_EQ(bytes[2], 0xAA);
    EXPECT_TRUE(memory.read(0x10, 4, bytes));  // only the second range holds it
}

TEST(SimulatedTargetTest, SpacesAreSeparate)
{
    SimulatedTarget target;
    target.memory(0).addRange(AddressRange(0, 0xFF));
    target.memory(3).addRange(AddressRange(0, 0xFF));
    EXPECT_TRUE(target.writeMemory(3, 0x10, 1, "\x42"));
    quint8 byte = 0;
    EXPECT_TRUE(target.readMemory(0, 0x10, 1, &byte));
    EXPECT_EQ(byte, 0);
    EXPECT_TRUE(target.readMemory(3, 0x10, 1, &byte));
    EXPECT_EQ(byte, 0x42);
    EXPECT_FALSE(target.readMemory(1, 0x10, 1, &byte));
    EXPECT_FALSE(target.readMemory(4, 0x10, 1, &byte));
}

} // namespace
