#include "esobject.h"

#include <algorithm>

namespace {

// Objects with fewer records are searched linearly: a short scan of pointers beats
// hashing.
constexpr std::size_t indexThreshold = 24;

quint32 slotOf(const ESAtom *key, quint32 mask)
{
    return quint32((quintptr(key) >> 3) * quint64(0x9E3779B97F4A7C15ull) >> 32) & mask;
}

} // namespace

ESProperty *ESObject::append(ESAtom *key, const ESValue &value)
{
    if (properties.size() == properties.capacity())
        properties.reserve(properties.size() + std::max<std::size_t>(50, properties.size() / 2));
    properties.push_back(ESProperty{key, 0, value});
    if (index)
        addToIndex(quint32(properties.size()) - 1);
    else if (properties.size() >= indexThreshold)
        rebuildIndex();
    return &properties.back();
}

int ESObject::indexOf(const ESAtom *key) const
{
    const ESProperty *property = const_cast<ESObject *>(this)->findOwn(key);
    return property ? int(property - properties.data()) : -1;
}

// Open addressing with linear probing.
ESProperty *ESObject::findIndexed(const ESAtom *key)
{
    const quint32 mask = quint32(index->table.size()) - 1;
    for (quint32 slot = slotOf(key, mask);; slot = (slot + 1) & mask) {
        const quint32 entry = index->table[slot];
        if (entry == 0)
            return nullptr;
        if (properties[entry - 1].key == key)
            return &properties[entry - 1];
    }
}

void ESObject::addToIndex(quint32 record)
{
    if ((index->used + 1) * 2 > index->table.size()) {
        rebuildIndex();
        return;
    }
    const quint32 mask = quint32(index->table.size()) - 1;
    quint32 slot = slotOf(properties[record].key, mask);
    while (index->table[slot] != 0)
        slot = (slot + 1) & mask;
    index->table[slot] = record + 1;
    ++index->used;
}

// Deleted records are left out; the table is kept at most half full.
void ESObject::rebuildIndex()
{
    if (!index)
        index = std::make_unique<ESPropertyIndex>();
    std::size_t size = 64;
    while (size < properties.size() * 4)
        size *= 2;
    index->table.assign(size, 0);
    index->used = 0;
    const quint32 mask = quint32(size) - 1;
    for (quint32 record = 0; record < properties.size(); ++record) {
        if (!properties[record].key)
            continue;
        quint32 slot = slotOf(properties[record].key, mask);
        while (index->table[slot] != 0)
            slot = (slot + 1) & mask;
        index->table[slot] = record + 1;
        ++index->used;
    }
}
