#pragma once

#include <QStringList>

#include <vector>

/// A keyword lookup over raw UTF-16 runs, so that the parsers can test a word in the
/// middle of a line without building a QString for it. Case folding, when asked for,
/// covers ASCII letters only: every keyword of every language is ASCII.
class CodeEditKeywordSet
{
public:
    void assign(const QStringList &words, bool caseInsensitive);
    bool contains(const ushort *word, int length) const;

private:
    static uint hash(const ushort *word, int length, bool fold);
    bool equal(const ushort *keyword, const ushort *word, int length) const;

    struct Slot
    {
        int offset = -1;  // into m_pool; -1 marks an empty slot
        int length = 0;
    };
    std::vector<ushort> m_pool;
    std::vector<Slot> m_slots;
    quint64 m_lengths = 0;  // bit n set when some keyword is n units long (n < 64)
    uint m_mask = 0;
    bool m_fold = false;
};
