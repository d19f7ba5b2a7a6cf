#include "esatom.h"

#include <algorithm>
#include <memory>
#include <vector>

namespace {

qint32 arrayIndexOf(QStringView text)
{
    if (text.isEmpty() || text.size() > 10 || (text.size() > 1 && text.at(0) == u'0'))
        return -1;
    qint64 value = 0;
    for (QChar c : text) {
        if (c < u'0' || c > u'9')
            return -1;
        value = value * 10 + (c.unicode() - '0');
    }
    return value < 2147483647 ? qint32(value) : -1;
}

// The text hash: h = h * base + c over the UTF-16 code units, modulo 2^64, so that
// hash(a + b) = hash(a) * base^|b| + hash(b).
constexpr quint64 hashBase = 0x100000001B3ull;

quint64 hashOf(QStringView text, quint64 hash = 0)
{
    for (QChar c : text)
        hash = hash * hashBase + c.unicode();
    return hash;
}

quint64 basePower(qsizetype exponent)
{
    quint64 result = 1;
    quint64 factor = hashBase;
    for (; exponent > 0; exponent >>= 1) {
        if (exponent & 1)
            result *= factor;
        factor *= factor;
    }
    return result;
}

// Spreads the polynomial hash over the table's slots.
quint64 mixed(quint64 hash)
{
    hash ^= hash >> 33;
    hash *= 0xff51afd7ed558ccdull;
    hash ^= hash >> 33;
    return hash;
}

// A block of UTF-16 text that atoms made by concat() view. Views cover its used part,
// which never changes; concat() may append after it.
struct TextChunk
{
    std::unique_ptr<QChar[]> data;
    qsizetype capacity = 0;
    qsizetype used = 0;
};

// The process-wide table. It is created on first use and never destroyed, so atoms
// stay valid until the process ends, even in static destructors. Open addressing over
// atom pointers, kept at most half full.
struct ESAtomTable
{
    std::vector<ESAtom *> slots;
    std::vector<ESAtom *> byNumber;
    std::vector<TextChunk> chunks;
    ESWellKnownKeys keys;
    ESAtom *indexAtoms[1024];
    std::vector<ESAtom *> indexCache;  // by value, null until asked for

    // The slot of the atom with this hash whose text `matches`, or the empty slot where
    // it belongs.
    template<typename Matches>
    ESAtom **find(quint64 hash, Matches matches)
    {
        const std::size_t mask = slots.size() - 1;
        for (std::size_t slot = std::size_t(mixed(hash)) & mask;; slot = (slot + 1) & mask) {
            ESAtom *atom = slots[slot];
            if (!atom || (atom->hash == hash && matches(atom->text)))
                return &slots[slot];
        }
    }

    ESAtom *add(ESAtom **slot, const QString &text, quint64 hash, qint32 chunk)
    {
        auto *atom = new ESAtom{quint32(byNumber.size()), text, arrayIndexOf(text), hash, chunk};
        byNumber.push_back(atom);
        *slot = atom;
        if (byNumber.size() * 2 > slots.size())
            grow();
        return atom;
    }

    void grow()
    {
        std::vector<ESAtom *> larger(slots.size() * 2, nullptr);
        const std::size_t mask = larger.size() - 1;
        for (ESAtom *atom : byNumber) {
            std::size_t slot = std::size_t(mixed(atom->hash)) & mask;
            while (larger[slot])
                slot = (slot + 1) & mask;
            larger[slot] = atom;
        }
        slots.swap(larger);
    }

    ESAtom *intern(const QString &text)
    {
        const quint64 hash = hashOf(text);
        ESAtom **slot = find(hash, [&](const QString &candidate) { return candidate == text; });
        return *slot ? *slot : add(slot, text, hash, -1);
    }

    ESAtom *concat(ESAtom *left, QStringView right)
    {
        const QString &head = left->text;
        const quint64 hash = left->hash * basePower(right.size()) + hashOf(right);
        ESAtom **slot = find(hash, [&](const QString &candidate) {
            return candidate.size() == head.size() + right.size()
                   && QStringView(candidate).left(head.size()) == head
                   && QStringView(candidate).mid(head.size()) == right;
        });
        if (*slot)
            return *slot;
        const qsizetype size = head.size() + right.size();
        qint32 chunkNumber = left->chunk;
        TextChunk *chunk = chunkNumber >= 0 ? &chunks[std::size_t(chunkNumber)] : nullptr;
        const QChar *start = nullptr;
        if (chunk && head.constData() + head.size() == chunk->data.get() + chunk->used
            && chunk->used + right.size() <= chunk->capacity) {
            // Nothing follows the left text in its block yet: append in place.
            start = head.constData();
        } else {
            chunks.push_back(TextChunk());
            chunkNumber = qint32(chunks.size() - 1);
            chunk = &chunks.back();
            chunk->capacity = std::max<qsizetype>(64, size * 2);
            chunk->data.reset(new QChar[std::size_t(chunk->capacity)]);
            std::copy(head.constData(), head.constData() + head.size(), chunk->data.get());
            chunk->used = head.size();
            start = chunk->data.get();
        }
        std::copy(right.begin(), right.end(), chunk->data.get() + chunk->used);
        chunk->used += right.size();
        return add(slot, QString::fromRawData(start, int(size)), hash, chunkNumber);
    }

    ESAtomTable() : slots(4096, nullptr)
    {
        keys = {intern("length"), intern("prototype"), intern("null"), intern("true"),
                intern("false"), intern("eval"), intern("arguments"), intern("callee"),
                intern("constructor"), intern("index")};
        for (int i = 0; i < 1024; ++i)
            indexAtoms[i] = intern(QString::number(i));
    }
    ESAtom *intern(const char *latin1) { return intern(QString::fromLatin1(latin1)); }
};

ESAtomTable &atomTable()
{
    static ESAtomTable *table = new ESAtomTable;
    return *table;
}

} // namespace

ESAtom *ESAtom::intern(const QString &text)
{
    return atomTable().intern(text);
}

ESAtom *ESAtom::concat(ESAtom *left, QStringView right)
{
    if (right.isEmpty())
        return left;
    return atomTable().concat(left, right);
}

ESAtom *ESAtom::byNumber(quint32 number)
{
    const auto &atoms = atomTable().byNumber;
    return number < atoms.size() ? atoms[number] : nullptr;
}

quint32 ESAtom::count()
{
    return quint32(atomTable().byNumber.size());
}

ESAtom *ESAtom::index(int value)
{
    Q_ASSERT(value >= 0 && value < 1024);
    return atomTable().indexAtoms[value];
}

ESAtom *ESAtom::forIndex(quint32 value)
{
    constexpr quint32 cachedIndices = 1u << 22;
    ESAtomTable &table = atomTable();
    if (value < 1024)
        return table.indexAtoms[value];
    if (value >= cachedIndices)
        return table.intern(QString::number(value));
    if (value >= table.indexCache.size())
        table.indexCache.resize(std::max<std::size_t>(value + 1, table.indexCache.size() * 2));
    ESAtom *&atom = table.indexCache[value];
    if (!atom)
        atom = table.intern(QString::number(value));
    return atom;
}

const ESWellKnownKeys &esKeys()
{
    return atomTable().keys;
}
