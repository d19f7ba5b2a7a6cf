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

// The bytes at address..address+count-1 in hex, or "none" when the read fails.
std::string hexAt(const SimulatedMemory &memory, quint64 address, quint32 count)
{
    QByteArray bytes(int(count), '\0');
    if (!memory.read(address, count, bytes.data()))
        return "none";
    return bytes.toHex().toUpper().toStdString();
}

TEST(SimulatedMemoryTest, AccessMustFitInOneRangeFollowsTheByteOrderAndFillMarksRam)
{
    SimulatedMemory little(ramAndRom());
    EXPECT_FALSE(little.write32(0x1FFE, 0x12345678));
    EXPECT_TRUE(little.write32(0x1FFC, 0x12345678));
    EXPECT_EQ(hexAt(little, 0x1FFC, 4), "78563412");
    EXPECT_EQ(hexAt(little, 0x0FFF, 1), "none");
    EXPECT_FALSE(little.writeByte(0x2000, 1));
    little.writeByte(0x8000, 0x5A);
    little.fill();  // marks the readwrite ranges only
    EXPECT_EQ(hexAt(little, 0x1FFC, 2) + hexAt(little, 0x8000, 2), "CDCD5A00");
    SimulatedMemory big(ramAndRom(), bigEndianOrder);
    EXPECT_TRUE(big.write16(0x1000, 0x1234));
    EXPECT_EQ(hexAt(big, 0x1000, 2), "1234");
    quint32 word = 0;
    big.write(0x8010, 4, "\x01\x02\x03\x04");
    EXPECT_TRUE(big.read32(0x8010, &word));
    EXPECT_EQ(word, 0x01020304u);
    quint16 half = 0;
    EXPECT_FALSE(big.read16(0x80FF, &half));
}

TEST(SimulatedMemoryTest, AddedRangeAndFirstMatchWins)
{
    SimulatedMemory memory;
    memory.addRange(AddressRange(0x0, 0xF));
    memory.addRange(AddressRange(0x8, 0x17));
    EXPECT_TRUE(memory.writeByte(0x8, 0xAA));
    EXPECT_EQ(hexAt(memory, 0x6, 4), "0000AA00");  // still in the first range
    EXPECT_EQ(hexAt(memory, 0x10, 4), "00000000");  // only the second range holds it
}

TEST(SimulatedTargetTest, SpacesAreSeparate)
{
    SimulatedTarget target;
    target.memory(0).addRange(AddressRange(0, 0xFF));
    target.memory(3).addRange(AddressRange(0, 0xFF));
    EXPECT_TRUE(target.writeMemory(3, 0x10, 1, "\x42"));
    quint8 byte = 0;
    EXPECT_TRUE(target.readMemory(3, 0x10, 1, &byte));
    EXPECT_EQ(byte, 0x42);
    EXPECT_EQ(hexAt(target.memory(0), 0x10, 1), "00");
    EXPECT_FALSE(target.readMemory(1, 0x10, 1, &byte));
    EXPECT_FALSE(target.readMemory(4, 0x10, 1, &byte));
}

} // namespace
