#pragma once

#include "loadfile/memoryblockinterface.h"
#include "loadfile/valuecodec.h"

#include <QByteArray>

#include <memory>

/// A memory block over bytes held in the host and owned by the block. An access is in
/// range when it lies wholly inside the block; an access out of range does nothing:
/// reads answer 0 (or leave the destination untouched) and the cursor stays.
class MemoryBlock : public MemoryBlockInterface
{
public:
    /// A block of `size` zero bytes.
    explicit MemoryBlock(quint32 size, quint32 byteOrder = littleEndianOrder);
    /// A block holding a copy of `size` bytes at `data`.
    MemoryBlock(const void *data, quint32 size, quint32 byteOrder = littleEndianOrder);
    MemoryBlock(const QByteArray &bytes, quint32 byteOrder = littleEndianOrder);
    /// A deep copy, cursor included.
    MemoryBlock(const MemoryBlock &other);
    MemoryBlock &operator=(const MemoryBlock &other);
    ~MemoryBlock() override;

    quint32 size() const { return m_size; }
    quint32 byteOrder() const { return m_byteOrder; }
    void setByteOrder(quint32 byteOrder) { m_byteOrder = byteOrder; }
    quint8 *data() { return m_start; }
    const quint8 *data() const { return m_start; }
    QByteArray toByteArray() const;

    quint32 tell() const override;
    void seek(quint32 offset) override;
    void rewind() override;
    /// Moves forward by `count`; the cursor may leave the block, after which accesses
    /// do nothing until it is moved back.
    void skip(quint32 count) override;

    quint64 readInteger(quint32 size) override;
    void writeInteger(quint64 value, quint32 size) override;
    void read(quint32 count, void *destination) override;
    void write(quint32 count, const void *source) override;
    /// Copies at most min(bytes left in the block, `maxLength`) bytes, stopping after a
    /// zero byte; an empty text when the cursor lies outside the block.
    void readString(quint32 maxLength, char *destination) override;

    quint64 readBits(quint32 offset, quint32 size, qint32 bitOffset, quint32 bitSize,
                     bool lsbNumbering) override;
    void writeBits(quint64 value, quint32 offset, quint32 size, qint32 bitOffset,
                   quint32 bitSize, bool lsbNumbering) override;

private:
    bool inRange(qint64 offset, quint64 count) const;

    // Scalars, the most blocks made, fit in the block itself; larger ones go on the heap.
    static constexpr quint32 inlineCapacity = 16;

    quint32 m_size;
    std::unique_ptr<quint8[]> m_heap;
    quint8 m_inline[inlineCapacity] = {};
    quint8 *m_start;  // m_inline or m_heap
    qint64 m_cursor = 0;  // offset of the cursor from the start of the block
    quint32 m_byteOrder;
};
