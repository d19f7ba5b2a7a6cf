#include "esatom.h"

#include <map>
#include <vector>

namespace {

qint32 arrayIndexOf(const QString &text)
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

// The process-wide table. It is created on first use and never destroyed, so atoms
// stay valid until the process ends, even in static destructors.
struct ESAtomTable
{
    std::map<QString, ESAtom *> byText;
    std::vector<ESAtom *> byNumber;
    ESWellKnownKeys keys;
    ESAtom *indexAtoms[1024];

    ESAtom *intern(const QString &text)
    {
        auto found = byText.lower_bound(text);
        if (found != byText.end() && found->first == text)
            return found->second;
        auto *atom = new ESAtom{quint32(byNumber.size()), text, arrayIndexOf(text)};
        byNumber.push_back(atom);
        byText.emplace_hint(found, text, atom);
        return atom;
    }

    ESAtomTable()
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

const ESWellKnownKeys &esKeys()
{
    return atomTable().keys;
}
