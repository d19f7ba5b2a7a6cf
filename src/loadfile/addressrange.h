#pragma once

#include <QString>

#include <vector>

/// How the target may access a range of memory.
enum class AccessKind : quint32 {
    ReadWrite = 0,
    ReadOnly = 1,
    WriteOnly = 2,
};

/// An inclusive range of target addresses with an access kind and an optional name.
class AddressRange
{
public:
    /// A range with `end` below `start` has them swapped.
    AddressRange(quint64 start = 0, quint64 end = 0, AccessKind access = AccessKind::ReadWrite,
                 const QString &name = QString());

    quint64 start() const { return m_start; }
    quint64 end() const { return m_end; }
    AccessKind access() const { return m_access; }
    const QString &name() const { return m_name; }
    /// end + 1 − start; 0 for the range that spans all 2^64 addresses.
    quint64 length() const { return m_end + 1 - m_start; }

    bool contains(quint64 address) const { return m_start <= address && address <= m_end; }
    bool contains(quint64 start, quint64 end) const { return m_start <= start && end <= m_end; }
    /// Whether the ranges share an address: each starts no later than the other ends.
    bool intersects(quint64 start, quint64 end) const
    {
        return m_start <= end && start <= m_end;
    }
    bool intersects(const AddressRange &other) const
    {
        return intersects(other.m_start, other.m_end);
    }

    bool operator==(const AddressRange &other) const;
    bool operator!=(const AddressRange &other) const { return !(*this == other); }

private:
    friend class AddressRangeList;

    quint64 m_start;
    quint64 m_end;
    AccessKind m_access;
    QString m_name;
};

/// A list of address ranges kept sorted by ascending start: the memory map of a target,
/// or the addresses a set of load files covers. Ranges may overlap unless they were
/// inserted with merging.
class AddressRangeList
{
public:
    using const_iterator = std::vector<AddressRange>::const_iterator;

    /// Inserts at the sorted position (after ranges with a smaller or equal start).
    /// With `merge`, listed ranges of the same access kind that intersect or adjoin the
    /// new one are first removed and folded into it. Returns the inserted range.
    const AddressRange &insert(const AddressRange &range, bool merge = false);
    const AddressRange &insert(quint64 start, quint64 end,
                               AccessKind access = AccessKind::ReadWrite,
                               const QString &name = QString(), bool merge = false);
    /// Deletes the range at `index` and closes the gap.
    void remove(int index);
    void clear() { m_ranges.clear(); }

    int count() const { return int(m_ranges.size()); }
    bool isEmpty() const { return m_ranges.empty(); }
    const AddressRange &at(int index) const { return m_ranges[size_t(index)]; }
    const_iterator begin() const { return m_ranges.begin(); }
    const_iterator end() const { return m_ranges.end(); }

    /// The first range holding all of start..end, or none.
    const AddressRange *findContaining(quint64 start, quint64 end) const;
    /// The first range holding `address`, or none.
    const AddressRange *findContaining(quint64 address) const;
    /// Whether any listed range shares an address with start..end.
    bool intersects(quint64 start, quint64 end) const;
    /// Whether start..end (in either order) lies in one range or in a chain of ranges
    /// of the same access kind, each starting right after the previous one ends.
    bool covers(quint64 start, quint64 end) const;
    /// Whether every range of `other` lies inside some range of this list.
    bool containsAll(const AddressRangeList &other) const;
    /// Whether any range of `other` intersects any range of this list.
    bool intersectsAny(const AddressRangeList &other) const;
    /// Sum of the lengths; with `span`, last end + 1 − first start instead (0 when empty).
    quint64 totalLength(bool span = false) const;

    /// One line per range: "0x<start> - 0x<end> : <access>\n" in lower-case hex.
    QString toText() const;

private:
    std::vector<AddressRange> m_ranges;
};
