#include "addressrange.h"

#include <algorithm>

AddressRange::AddressRange(quint64 start, quint64 end, AccessKind access, const QString &name)
    : m_start(start < end ? start : end), m_end(start < end ? end : start), m_access(access),
      m_name(name)
{
}

bool AddressRange::operator==(const AddressRange &other) const
{
    return m_start == other.m_start && m_end == other.m_end && m_access == other.m_access
           && m_name == other.m_name;
}

const AddressRange &AddressRangeList::insert(quint64 start, quint64 end, AccessKind access,
                                             const QString &name, bool merge)
{
    return insert(AddressRange(start, end, access, name), merge);
}

const AddressRange &AddressRangeList::insert(const AddressRange &range, bool merge)
{
    AddressRange added = range;
    if (merge) {
        // Fold in overlapping ranges until none is left: a grown range may reach
        // ranges the original did not.
        bool changed = true;
        while (changed) {
            changed = false;
            for (auto it = m_ranges.begin(); it != m_ranges.end(); ++it) {
                if (it->m_access == added.m_access && it->intersects(added)) {
                    added.m_start = std::min(added.m_start, it->m_start);
                    added.m_end = std::max(added.m_end, it->m_end);
                    m_ranges.erase(it);
                    changed = true;
                    break;
                }
            }
        }
        // Then the ranges that adjoin it. The end 0xFFFFFFFF never adjoins anything, as
        // in a 32-bit address space.
        changed = true;
        while (changed) {
            changed = false;
            for (auto it = m_ranges.begin(); it != m_ranges.end(); ++it) {
                if (it->m_access != added.m_access)
                    continue;
                if (added.m_end != 0xFFFFFFFFu && added.m_end != ~quint64(0)
                    && it->m_start == added.m_end + 1) {
                    added.m_end = it->m_end;
                } else if (added.m_start != 0 && it->m_end == added.m_start - 1) {
                    added.m_start = it->m_start;
                } else {
                    continue;
                }
                m_ranges.erase(it);
                changed = true;
                break;
            }
        }
    }
    const auto position = std::upper_bound(
        m_ranges.begin(), m_ranges.end(), added.m_start,
        [](quint64 start, const AddressRange &listed) { return start < listed.m_start; });
    return *m_ranges.insert(position, added);
}

void AddressRangeList::remove(int index)
{
    if (index >= 0 && index < count())
        m_ranges.erase(m_ranges.begin() + index);
}

const AddressRange *AddressRangeList::findContaining(quint64 start, quint64 end) const
{
    for (const AddressRange &range : m_ranges) {
        if (range.contains(start, end))
            return &range;
    }
    return nullptr;
}

const AddressRange *AddressRangeList::findContaining(quint64 address) const
{
    return findContaining(address, address);
}

bool AddressRangeList::intersects(quint64 start, quint64 end) const
{
    return std::any_of(m_ranges.begin(), m_ranges.end(), [&](const AddressRange &range) {
        return range.intersects(start, end);
    });
}

bool AddressRangeList::covers(quint64 start, quint64 end) const
{
    if (end < start)
        std::swap(start, end);
    const AddressRange *current = findContaining(start);
    while (current) {
        if (current->m_end >= end)
            return true;
        // The list is sorted, so the next link of the chain follows the current range.
        const AddressRange *next = nullptr;
        for (const AddressRange &range : m_ranges) {
            if (range.m_access == current->m_access && range.m_start == current->m_end + 1) {
                next = &range;
                break;
            }
        }
        if (current->m_end == ~quint64(0))
            return false;
        current = next;
    }
    return false;
}

bool AddressRangeList::containsAll(const AddressRangeList &other) const
{
    return std::all_of(other.begin(), other.end(), [this](const AddressRange &range) {
        return findContaining(range.m_start, range.m_end) != nullptr;
    });
}

bool AddressRangeList::intersectsAny(const AddressRangeList &other) const
{
    return std::any_of(other.begin(), other.end(), [this](const AddressRange &range) {
        return intersects(range.m_start, range.m_end);
    });
}

quint64 AddressRangeList::totalLength(bool span) const
{
    if (m_ranges.empty())
        return 0;
    if (span)
        return m_ranges.back().m_end + 1 - m_ranges.front().m_start;
    quint64 total = 0;
    for (const AddressRange &range : m_ranges)
        total += range.length();
    return total;
}

QString AddressRangeList::toText() const
{
    QString text;
    for (const AddressRange &range : m_ranges) {
        text += QString::asprintf("0x%llx - 0x%llx : ", range.m_start, range.m_end);
        switch (range.m_access) {
        case AccessKind::ReadWrite: text += QLatin1String("readwrite"); break;
        case AccessKind::ReadOnly: text += QLatin1String("readonly"); break;
        case AccessKind::WriteOnly: text += QLatin1String("writeonly"); break;
        }
        text += QLatin1Char('\n');
    }
    return text;
}
