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

bool SimulatedMemory::write16(quint64 address, quint16 value)
{
    quint8 bytes[2];
    ValueCodec::encodeInteger(bytes, value, 2, m_byteOrder);
    return write(address, 2, bytes);
}

bool SimulatedMemory::read16(quint64 address, quint16 *value) const
{
    quint8 bytes[2];
    if (!read(address, 2, bytes))
        return false;
    *value = quint16(ValueCodec::decodeInteger(bytes, 2, m_byteOrder));
    return true;
}

bool SimulatedMemory::write32(quint64 address, quint32 value)
{
    quint8 bytes[4];
    ValueCodec::encodeInteger(bytes, value, 4, m_byteOrder);
    return write(address, 4, bytes);
}

bool SimulatedMemory::read32(quint64 address, quint32 *value) const
{
    quint8 bytes[4];
    if (!read(address, 4, bytes))
        return false;
    *value = quint32(ValueCodec::decodeInteger(bytes, 4, m_byteOrder));
    return true;
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
