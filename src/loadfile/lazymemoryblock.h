#pragma once

#include "loadfile/memoryblockinterface.h"
#include "loadfile/valuecodec.h"

#include <memory>

class MemoryTarget;

/// A memory block over target memory, fetched on demand through a MemoryTarget in one
/// memory space. Small reads are served from a read cache of up to 1024 bytes, so that
/// walking the members of a large object costs one target read per kilobyte; the last
/// bytes of the block are always read directly. The cursor is never checked against
/// the size: the target decides what it can read.
class LazyMemoryBlock : public MemoryBlockInterface
{
public:
    static constexpr quint32 cacheSize = 1024;

    /// `target` is not owned and must outlive the block.
    LazyMemoryBlock(MemoryTarget *target, quint32 memorySpace, quint64 baseAddress,
                    quint32 size, quint32 byteOrder = littleEndianOrder);
    ~LazyMemoryBlock() override;
    LazyMemoryBlock(const LazyMemoryBlock &) = delete;
    LazyMemoryBlock &operator=(const LazyMemoryBlock &) = delete;

    MemoryTarget *target() const { return m_target; }
    quint32 memorySpace() const { return m_memorySpace; }
    quint64 baseAddress() const { return m_baseAddress; }
    quint32 size() const { return m_size; }
    quint32 byteOrder() const { return m_byteOrder; }
    /// Target address of the cursor.
    quint64 address() const { return m_baseAddress + m_cursor; }
    /// Forgets the cached bytes, e.g. after the target ran.
    void dropCache();

    quint32 tell() const override;
    void seek(quint32 offset) override;
    void rewind() override;
    void skip(quint32 count) override;

    quint64 readInteger(quint32 size) override;
    void writeInteger(quint64 value, quint32 size) override;
    /// Copies from the cache when it holds the whole request; otherwise a request that
    /// ends before the end of the block refills the cache from the cursor, and one that
    /// reaches the end (or is larger than the cache) is read straight from the target.
    /// A failed target read leaves zeros. The cursor advances by `count` in every case.
    void read(quint32 count, void *destination) override;
    /// Writes straight to the target. Cached bytes the write covers are dropped, so
    /// that the block never answers with stale contents.
    void write(quint32 count, const void *source) override;
    void readString(quint32 maxLength, char *destination) override;

    quint64 readBits(quint32 offset, quint32 size, qint32 bitOffset, quint32 bitSize,
                     bool lsbNumbering) override;
    void writeBits(quint64 value, quint32 offset, quint32 size, qint32 bitOffset,
                   quint32 bitSize, bool lsbNumbering) override;

private:
    bool cacheHolds(quint64 offset, quint64 count) const;
    /// Reads the bytes of a bit-field at cursor + `offset` without moving the cursor.
    void readField(quint32 offset, quint32 count, quint8 *destination);

    MemoryTarget *m_target;
    quint32 m_byteOrder;
    quint32 m_memorySpace;
    quint64 m_baseAddress;
    quint32 m_size;
    quint32 m_cursor = 0;
    std::unique_ptr<quint8[]> m_cache;
    quint32 m_cacheStart = 0;
    quint32 m_cacheLength = 0;
};
