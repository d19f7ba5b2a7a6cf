#include "codeeditkeywordset.h"

static inline ushort foldAscii(ushort c)
{
    return c >= 'A' && c <= 'Z' ? ushort(c + ('a' - 'A')) : c;
}

uint CodeEditKeywordSet::hash(const ushort *word, int length, bool fold)
{
    uint h = 2166136261u;  // FNV-1a
    for (int i = 0; i < length; ++i) {
        h ^= fold ? foldAscii(word[i]) : word[i];
        h *= 16777619u;
    }
    return h;
}

void CodeEditKeywordSet::assign(const QStringList &words, bool caseInsensitive)
{
    m_fold = caseInsensitive;
    m_pool.clear();
    m_lengths = 0;
    uint size = 16;
    while (size < uint(words.size()) * 3)
        size *= 2;
    m_slots.assign(size, Slot());
    m_mask = size - 1;
    for (const QString &word : words) {
        const int length = word.size();
        if (length == 0 || length >= 64)
            continue;  // a word scanner never produces these lengths that we look up
        const auto *units = reinterpret_cast<const ushort *>(word.constData());
        if (contains(units, length))
            continue;
        uint index = hash(units, length, m_fold) & m_mask;
        while (m_slots[index].offset >= 0)
            index = (index + 1) & m_mask;
        m_slots[index].offset = int(m_pool.size());
        m_slots[index].length = length;
        m_pool.insert(m_pool.end(), units, units + length);
        m_lengths |= quint64(1) << length;
    }
}

bool CodeEditKeywordSet::equal(const ushort *keyword, const ushort *word, int length) const
{
    for (int i = 0; i < length; ++i) {
        if (m_fold ? foldAscii(keyword[i]) != foldAscii(word[i]) : keyword[i] != word[i])
            return false;
    }
    return true;
}

bool CodeEditKeywordSet::contains(const ushort *word, int length) const
{
    if (length <= 0 || length >= 64 || !(m_lengths & (quint64(1) << length)))
        return false;
    uint index = hash(word, length, m_fold) & m_mask;
    for (;;) {
        const Slot &slot = m_slots[index];
        if (slot.offset < 0)
            return false;
        if (slot.length == length && equal(m_pool.data() + slot.offset, word, length))
            return true;
        index = (index + 1) & m_mask;
    }
}
