#pragma once

#include <QtGlobal>

/// The debugger's access to target memory as the memory blocks see it: reads and
/// writes of n bytes at an address in one of the memory spaces 0 to 3. The debugger's
/// target object (or a simulated memory in tests) implements it; the base versions
/// access nothing and report failure.
class MemoryTarget
{
public:
    static constexpr quint32 memorySpaces = 4;

    virtual ~MemoryTarget() = default;

    /// Copies `count` bytes at `address` of `space` into `destination`. False when the
    /// target cannot read them; the destination's contents are then unspecified.
    virtual bool readMemory(quint32 space, quint64 address, quint32 count,
                            void *destination);
    /// Copies `count` bytes from `source` to `address` of `space`; false on failure.
    virtual bool writeMemory(quint32 space, quint64 address, quint32 count,
                             const void *source);
};
