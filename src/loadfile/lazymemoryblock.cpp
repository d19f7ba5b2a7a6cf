#include "lazymemoryblock.h"

#include "loadfile/memorytarget.h"

#include <cstring>

LazyMemoryBlock::LazyMemoryBlock(MemoryTarget *target, quint32 memorySpace,
                                 quint64 baseAddress, quint32 size, quint32 byteOrder)
    : m_target(target), m_byteOrder(byteOrder), m_memorySpace(memorySpace),
      m_baseAddress(baseAddress), m_size(size)
{
}

LazyMemoryBlock::~LazyMemoryBlock() = default;

void LazyMemoryBlock::dropCache()
{
    m_cache.reset();
    m_cacheStart = 0;
    m_cacheLength = 0;
}

quint32 LazyMemoryBlock::tell() const
{
    return m_cursor;
}

void LazyMemoryBlock::seek(quint32 offset)
{
    m_cursor = offset;
}

void LazyMemoryBlock::rewind()
{
    m_cursor = 0;
}

void LazyMemoryBlock::skip(quint32 count)
{
    m_cursor += count;
}

bool LazyMemoryBlock::cacheHolds(quint64 offset, quint64 count) const
{
    return m_cache && offset >= m_cacheStart
           && offset + count <= quint64(m_cacheStart) + m_cacheLength;
}

void LazyMemoryBlock::read(quint32 count, void *destination)
{
    const quint64 offset = m_cursor;
    m_cursor += count;
    if (count == 0)
        return;
    if (cacheHolds(offset, count)) {
        std::memcpy(destination, m_cache.get() + (offset - m_cacheStart), count);
        return;
    }
    // A request larger than the cache could hold goes straight to the target too.
    if (offset + count < m_size && count <= cacheSize) {
        dropCache();
        const quint32 length = qMin<quint64>(m_size - offset, cacheSize);
        std::unique_ptr<quint8[]> cache(new quint8[length]());
        if (m_target && m_target->readMemory(m_memorySpace, m_baseAddress + offset, length,
                                             cache.get())) {
            m_cache = std::move(cache);
            m_cacheStart = quint32(offset);
            m_cacheLength = length;
            std::memcpy(destination, m_cache.get(), count);
        } else {
            std::memset(destination, 0, count);
        }
        return;
    }
    if (!m_target || !m_target->readMemory(m_memorySpace, m_baseAddress + offset, count,
                                           destination))
        std::memset(destination, 0, count);
}

void LazyMemoryBlock::write(quint32 count, const void *source)
{
    const quint64 offset = m_cursor;
    m_cursor += count;
    if (count == 0)
        return;
    if (m_cache && offset < quint64(m_cacheStart) + m_cacheLength
        && offset + count > m_cacheStart)
        dropCache();
    if (m_target)
        m_target->writeMemory(m_memorySpace, m_baseAddress + offset, count, source);
}

quint64 LazyMemoryBlock::readInteger(quint32 size)
{
    quint8 bytes[8] = {};
    if (size > 8) {
        // Only the least significant eight bytes count; skip the rest.
        if (m_byteOrder != littleEndianOrder)
            skip(size - 8);
        read(8, bytes);
        if (m_byteOrder == littleEndianOrder)
            skip(size - 8);
        return ValueCodec::decodeInteger(bytes, 8, m_byteOrder);
    }
    read(size, bytes);
    return ValueCodec::decodeInteger(bytes, size, m_byteOrder);
}

void LazyMemoryBlock::writeInteger(quint64 value, quint32 size)
{
    if (size > 8) {
        std::unique_ptr<quint8[]> bytes(new quint8[size]);
        ValueCodec::encodeInteger(bytes.get(), value, size, m_byteOrder);
        write(size, bytes.get());
        return;
    }
    quint8 bytes[8];
    ValueCodec::encodeInteger(bytes, value, size, m_byteOrder);
    write(size, bytes);
}

void LazyMemoryBlock::readString(quint32 maxLength, char *destination)
{
    if (maxLength == 0)
        return;
    std::memset(destination, 0, maxLength);
    read(maxLength, destination);
    m_cursor -= maxLength;
    if (!std::memchr(destination, 0, maxLength))
        destination[maxLength - 1] = '\0';
}

void LazyMemoryBlock::readField(quint32 offset, quint32 count, quint8 *destination)
{
    const quint32 cursor = m_cursor;
    m_cursor += offset;
    read(count, destination);
    m_cursor = cursor;
}

quint64 LazyMemoryBlock::readBits(quint32 offset, quint32 size, qint32 bitOffset,
                                  quint32 bitSize, bool lsbNumbering)
{
    const quint32 bytes = ValueCodec::bitFieldBytes(size, bitOffset, lsbNumbering);
    if (bytes > 9)
        return 0;
    quint8 buffer[9] = {};
    readField(offset, bytes, buffer);
    return ValueCodec::extractBits(buffer, size, bitOffset, bitSize, lsbNumbering,
                                   m_byteOrder);
}

void LazyMemoryBlock::writeBits(quint64 value, quint32 offset, quint32 size, qint32 bitOffset,
                                quint32 bitSize, bool lsbNumbering)
{
    const quint32 bytes = ValueCodec::bitFieldBytes(size, bitOffset, lsbNumbering);
    if (bytes > 9)
        return;
    quint8 buffer[9] = {};
    readField(offset, bytes, buffer);
    ValueCodec::insertBits(buffer, value, size, bitOffset, bitSize, lsbNumbering, m_byteOrder);
    const quint32 cursor = m_cursor;
    m_cursor += offset;
    write(bytes, buffer);
    m_cursor = cursor;
}
