#pragma once

#include "loadfile/addressrange.h"
#include "loadfile/memorytarget.h"
#include "loadfile/valuecodec.h"

#include <memory>
#include <vector>

/// Target memory simulated in host buffers: one buffer per address range, addressed by
/// target address. It stands in for a board in tests and in the expression evaluator,
/// and as a MemoryTarget it answers every memory space from the same buffers.
///
/// An access of n bytes at address a uses the first range with start ≤ a and
/// a + n − 1 ≤ end; an access that no single range holds fails and changes nothing.
class SimulatedMemory : public MemoryTarget
{
public:
    /// One zeroed buffer per range of `ranges`, in list order (names are not kept).
    explicit SimulatedMemory(const AddressRangeList &ranges = AddressRangeList(),
                             quint32 byteOrder = littleEndianOrder);
    ~SimulatedMemory() override;
    SimulatedMemory(const SimulatedMemory &) = delete;
    SimulatedMemory &operator=(const SimulatedMemory &) = delete;

    /// Adds a zeroed buffer for `range` after the existing ones.
    void addRange(const AddressRange &range);
    int rangeCount() const { return int(m_areas.size()); }
    const AddressRange &range(int index) const { return m_areas[size_t(index)].range; }
    quint32 byteOrder() const { return m_byteOrder; }

    bool writeByte(quint64 address, quint8 value);
    bool readByte(quint64 address, quint8 *value) const;
    bool write(quint64 address, quint32 count, const void *source);
    bool read(quint64 address, quint32 count, void *destination) const;
    bool write16(quint64 address, quint16 value);
    bool read16(quint64 address, quint16 *value) const;
    bool write32(quint64 address, quint32 value);
    bool read32(quint64 address, quint32 *value) const;
    /// Integers of 1 to 8 bytes in the memory's byte order.
    bool writeInteger(quint64 address, quint64 value, quint32 size);
    bool readInteger(quint64 address, quint32 size, quint64 *value) const;

    /// Fills the buffers of the readwrite ranges with 0xCD, the mark of memory nobody
    /// wrote; readonly and writeonly ranges keep their contents.
    void fill();

    bool readMemory(quint32 space, quint64 address, quint32 count,
                    void *destination) override;
    bool writeMemory(quint32 space, quint64 address, quint32 count,
                     const void *source) override;

private:
    struct Area
    {
        AddressRange range;
        std::unique_ptr<quint8[]> bytes;
    };
    /// The bytes of address..address+count−1, or none when no single range holds them.
    quint8 *locate(quint64 address, quint64 count) const;

    std::vector<Area> m_areas;
    quint32 m_byteOrder;
};

/// A target with a separate simulated memory per memory space 0 to 3.
class SimulatedTarget : public MemoryTarget
{
public:
    SimulatedTarget();
    ~SimulatedTarget() override;

    /// The memory of `space` (0 to 3).
    SimulatedMemory &memory(quint32 space) { return *m_spaces[space % memorySpaces]; }

    bool readMemory(quint32 space, quint64 address, quint32 count,
                    void *destination) override;
    bool writeMemory(quint32 space, quint64 address, quint32 count,
                     const void *source) override;

private:
    std::unique_ptr<SimulatedMemory> m_spaces[memorySpaces];
};
