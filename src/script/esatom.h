#pragma once

#include <QString>
#include <QtGlobal>

/// An interned string: property keys, literals and the results of string operations.
/// All atoms of the process live in one table, found by text, with a vector by atom
/// number beside it; interning a text answers the existing atom or appends one with the
/// next number. Atoms are never freed, so two keys are equal exactly when their pointers
/// are. The table is process-wide and unguarded: contexts must not run on two threads
/// at once.
///
/// The table hashes texts with a polynomial hash, so the hash of a concatenation follows
/// from the hashes of its parts; and concat() appends to the storage of its left operand
/// when nothing follows it there yet. A loop that grows a string one piece at a time
/// therefore costs time and memory in proportion to the pieces, not to the texts.
class ESAtom
{
public:
    quint32 number;
    QString text;
    /// The array index the text spells in canonical decimal (0 to 2147483646), or -1.
    qint32 arrayIndex;
    quint64 hash;  // the polynomial hash of the text
    /// The shared block that `text` is a view of, or -1 when the text has its own data.
    qint32 chunk;

    static ESAtom *intern(const QString &text);
    static ESAtom *intern(const char *latin1) { return intern(QString::fromLatin1(latin1)); }
    /// The atom of left's text followed by `right`.
    static ESAtom *concat(ESAtom *left, QStringView right);
    /// The atom with this number, or null when there is none.
    static ESAtom *byNumber(quint32 number);
    static quint32 count();
    /// The atom of the decimal text of 0 to 1023, made once when the table is created.
    static ESAtom *index(int value);
    /// The atom of the decimal text of any array index; those up to a few million are
    /// remembered once interned, so large arrays skip the table's text search.
    static ESAtom *forIndex(quint32 value);
};

/// Keys the engine looks up itself, interned first and in this order when the atom
/// table is created, so they keep the same numbers in every run.
struct ESWellKnownKeys
{
    ESAtom *length;
    ESAtom *prototype;
    ESAtom *null;
    ESAtom *trueKey;
    ESAtom *falseKey;
    ESAtom *eval;
    ESAtom *arguments;
    ESAtom *callee;
    ESAtom *constructor;
    ESAtom *index;
};

/// The well-known keys (the table is created on first use).
const ESWellKnownKeys &esKeys();
