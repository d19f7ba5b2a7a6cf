#include "memoryblock.h"

#include <cstring>

MemoryBlock::MemoryBlock(quint32 size, quint32 byteOrder)
    : m_size(size),
      m_heap(size > inlineCapacity ? new quint8[size]() : nullptr),
      m_start(m_heap ? m_heap.get() : m_inline),
      m_byteOrder(byteOrder)
{
}

MemoryBlock::MemoryBlock(const void *data, quint32 size, quint32 byteOrder)
    : MemoryBlock(size, byteOrder)
{
    if (size)
        std::memcpy(m_start, data, size);
}

MemoryBlock::MemoryBlock(const QByteArray &bytes, quint32 byteOrder)
    : MemoryBlock(bytes.constData(), quint32(bytes.size()), byteOrder)
{
}

MemoryBlock::MemoryBlock(const MemoryBlock &other)
    : MemoryBlock(other.m_start, other.m_size, other.m_byteOrder)
{
    m_cursor = other.m_cursor;
}

MemoryBlock &MemoryBlock::operator=(const MemoryBlock &other)
{
    if (this != &other) {
        MemoryBlock copy(other);
        m_size = copy.m_size;
        m_heap = std::move(copy.m_heap);
        std::memcpy(m_inline, copy.m_inline, inlineCapacity);
        m_start = m_heap ? m_heap.get() : m_inline;
        m_cursor = copy.m_cursor;
        m_byteOrder = copy.m_byteOrder;
    }
    return *this;
}

MemoryBlock::~MemoryBlock() = default;

QByteArray MemoryBlock::toByteArray() const
{
    return QByteArray(reinterpret_cast<const char *>(m_start), int(m_size));
}

bool MemoryBlock::inRange(qint64 offset, quint64 count) const
{
    return offset >= 0 && quint64(offset) + count <= m_size;
}

quint32 MemoryBlock::tell() const
{
    return quint32(m_cursor);
}

void MemoryBlock::seek(quint32 offset)
{
    m_cursor = offset;
}

void MemoryBlock::rewind()
{
    m_cursor = 0;
}

void MemoryBlock::skip(quint32 count)
{
    m_cursor += count;
}

quint64 MemoryBlock::readInteger(quint32 size)
{
    if (!inRange(m_cursor, size))
        return 0;
    const quint64 value = ValueCodec::decodeInteger(m_start + m_cursor, size, m_byteOrder);
    m_cursor += size;
    return value;
}

void MemoryBlock::writeInteger(quint64 value, quint32 size)
{
    if (!inRange(m_cursor, size))
        return;
    ValueCodec::encodeInteger(m_start + m_cursor, value, size, m_byteOrder);
    m_cursor += size;
}

void MemoryBlock::read(quint32 count, void *destination)
{
    if (!inRange(m_cursor, count))
        return;
    if (count)
        std::memcpy(destination, m_start + m_cursor, count);
    m_cursor += count;
}

void MemoryBlock::write(quint32 count, const void *source)
{
    if (!inRange(m_cursor, count))
        return;
    if (count)
        std::memcpy(m_start + m_cursor, source, count);
    m_cursor += count;
}

void MemoryBlock::readString(quint32 maxLength, char *destination)
{
    if (maxLength == 0)
        return;
    quint32 copied = 0;
    if (inRange(m_cursor, 0)) {
        const quint32 left = m_size - quint32(m_cursor);
        const quint32 limit = left < maxLength ? left : maxLength;
        const quint8 *from = m_start + m_cursor;
        while (copied < limit) {
            const char c = char(from[copied]);
            destination[copied++] = c;
            if (c == '\0')
                return;
        }
    }
    destination[copied < maxLength ? copied : maxLength - 1] = '\0';
}

quint64 MemoryBlock::readBits(quint32 offset, quint32 size, qint32 bitOffset, quint32 bitSize,
                              bool lsbNumbering)
{
    const qint64 at = m_cursor + offset;
    if (!inRange(at, ValueCodec::bitFieldBytes(size, bitOffset, lsbNumbering)))
        return 0;
    return ValueCodec::extractBits(m_start + at, size, bitOffset, bitSize, lsbNumbering,
                                   m_byteOrder);
}

void MemoryBlock::writeBits(quint64 value, quint32 offset, quint32 size, qint32 bitOffset,
                            quint32 bitSize, bool lsbNumbering)
{
    const qint64 at = m_cursor + offset;
    if (!inRange(at, ValueCodec::bitFieldBytes(size, bitOffset, lsbNumbering)))
        return;
    ValueCodec::insertBits(m_start + at, value, size, bitOffset, bitSize, lsbNumbering,
                           m_byteOrder);
}
