#pragma once

#include <QtGlobal>

/// A cursor over a run of target bytes: raw bytes, integers of a given width in the
/// block's byte order, zero-terminated text and bit-fields. The expression evaluator
/// keeps every value in such a block; MemoryBlock holds the bytes in the host,
/// LazyMemoryBlock fetches them from the target on demand.
///
/// Offsets and counts are in bytes. Integer sizes run from 0 to 8. Blocks report no
/// errors; see the derived classes for what an access outside the block does.
class MemoryBlockInterface
{
public:
    virtual ~MemoryBlockInterface() = default;

    /// Cursor offset from the start of the block.
    virtual quint32 tell() const = 0;
    virtual void seek(quint32 offset) = 0;
    virtual void rewind() = 0;
    virtual void skip(quint32 count) = 0;

    /// Decodes `size` bytes at the cursor and advances past them.
    virtual quint64 readInteger(quint32 size) = 0;
    /// Encodes the low `size` bytes of `value` at the cursor and advances past them.
    virtual void writeInteger(quint64 value, quint32 size) = 0;
    virtual void read(quint32 count, void *destination) = 0;
    virtual void write(quint32 count, const void *source) = 0;
    /// Copies zero-terminated text of at most `maxLength` bytes (terminator included)
    /// from the cursor into `destination`, which must hold `maxLength` bytes; the text
    /// is always terminated within them (when `maxLength` > 0). The cursor stays.
    virtual void readString(quint32 maxLength, char *destination) = 0;

    /// The bit-field of `bitSize` bits in the `size`-byte integer at cursor + `offset`.
    /// With `lsbNumbering` `bitOffset` counts from bit 0 of that integer, otherwise from
    /// its most significant bit; a negative msb-first offset reaches into the byte that
    /// follows the integer. The cursor stays where it is.
    virtual quint64 readBits(quint32 offset, quint32 size, qint32 bitOffset, quint32 bitSize,
                             bool lsbNumbering) = 0;
    /// Stores `value` into the same bit-field, keeping the other bits. The cursor stays.
    virtual void writeBits(quint64 value, quint32 offset, quint32 size, qint32 bitOffset,
                           quint32 bitSize, bool lsbNumbering) = 0;

protected:
    MemoryBlockInterface() = default;
    MemoryBlockInterface(const MemoryBlockInterface &) = default;
    MemoryBlockInterface &operator=(const MemoryBlockInterface &) = default;
};
