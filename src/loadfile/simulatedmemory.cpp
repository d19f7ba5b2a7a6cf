#include "simulatedmemory.h"

#include <cstring>

SimulatedMemory::SimulatedMemory(const AddressRangeList &ranges, quint32 byteOrder)
    : m_byteOrder(byteOrder)
{
    for (const AddressRange &range : ranges)
        addRange(range);
}

SimulatedMemory::~SimulatedMemory() = default;

void SimulatedMemory::addRange(const AddressRange &range)
{
    Area area{AddressRange(range.start(), range.end(), range.access()), nullptr};
    area.bytes.reset(new quint8[range.length()]());
    m_areas.push_back(std::move(area));
}

quint8 *SimulatedMemory::locate(quint64 address, quint64 count) const
{
    if (count == 0)
        count = 1;
    const quint64 last = address + count - 1;
    if (last < address)
        return nullptr;
    for (const Area &area : m_areas) {
        if (area.range.start() <= address && last <= area.range.end())
            return area.bytes.get() + (address - area.range.start());
    }
    return nullptr;
}

bool SimulatedMemory::writeByte(quint64 address, quint8 value)
{
    return write(address, 1, &value);
}

bool SimulatedMemory::readByte(quint64 address, quint8 *value) const
{
    return read(address, 1, value);
}

bool SimulatedMemory::write(quint64 address, quint32 count, const void *source)
{
    quint8 *bytes = locate(address, count);
    if (!bytes)
        return false;
    std::memcpy(bytes, source, count);
    return true;
}

bool SimulatedMemory::read(quint64 address, quint32 count, void *destination) const
{
    const quint8 *bytes = locate(address, count);
    if (!bytes)
        return false;
    std::memcpy(destination, bytes, count);
    return true;
}

bool SimulatedMemory::writeInteger(quint64 address, quint64 value, quint32 size)
{
    quint8 bytes[8];
    if (size > 8)
        return false;
    ValueCodec::encodeInteger(bytes, value, size, m_byteOrder);
    return write(address, size, bytes);
}

bool SimulatedMemory::readInteger(quint64 address, quint32 size, quint64 *value) const
{
    quint8 bytes[8];
    if (size > 8 || !read(address, size, bytes))
        return false;
    *value = ValueCodec::decodeInteger(bytes, size, m_byteOrder);
    return true;
}

bool SimulatedMemory::write16(quint64 address, quint16 value)
{
    return writeInteger(address, value, 2);
}

bool SimulatedMemory::read16(quint64 address, quint16 *value) const
{
    quint64 wide = 0;
    const bool ok = readInteger(address, 2, &wide);
    if (ok)
        *value = quint16(wide);
    return ok;
}

bool SimulatedMemory::write32(quint64 address, quint32 value)
{
    return writeInteger(address, value, 4);
}

bool SimulatedMemory::read32(quint64 address, quint32 *value) const
{
    quint64 wide = 0;
    const bool ok = readInteger(address, 4, &wide);
    if (ok)
        *value = quint32(wide);
    return ok;
}

void SimulatedMemory::fill()
{
    for (Area &area : m_areas) {
        if (area.range.access() == AccessKind::ReadWrite)
            std::memset(area.bytes.get(), 0xCD, area.range.length());
    }
}

bool SimulatedMemory::readMemory(quint32, quint64 address, quint32 count, void *destination)
{
    return read(address, count, destination);
}

bool SimulatedMemory::writeMemory(quint32, quint64 address, quint32 count, const void *source)
{
    return write(address, count, source);
}

SimulatedTarget::SimulatedTarget()
{
    for (auto &space : m_spaces)
        space.reset(new SimulatedMemory);
}

SimulatedTarget::~SimulatedTarget() = default;

bool SimulatedTarget::readMemory(quint32 space, quint64 address, quint32 count,
                                 void *destination)
{
    return space < memorySpaces && m_spaces[space]->read(address, count, destination);
}

bool SimulatedTarget::writeMemory(quint32 space, quint64 address, quint32 count,
                                  const void *source)
{
    return space < memorySpaces && m_spaces[space]->write(address, count, source);
}
