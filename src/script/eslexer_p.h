#pragma once

#include "escompiler_p.h"

#include <QString>

class ESAtom;
class ESContext;

/// One token: its code, and the atom (names, strings) or number it carries.
struct ESToken
{
    int code = ESTok::EndOfInput;
    ESAtom *atom = nullptr;
    double number = 0;
    bool newlineBefore = false;  // a line break came between this token and the last
    int line = 1;                // where the token starts
};

/// The script lexer: blanks and comments, operators longest first, numbers, strings
/// with their escapes, identifiers and keywords. Errors raise the SyntaxError at the
/// current line. One token can be pushed back.
class ESLexer
{
public:
    ESLexer(ESContext *cx, const QString &source);

    ESToken next();
    void pushBack(const ESToken &token);
    int line() const { return m_line; }

private:
    bool skipBlanksAndComments();  // true after a line break
    ESToken scanNumber();
    double scanRadixDigits(int radix);
    ESToken scanString(QChar quote);
    int scanEscape();
    int hexDigits(int count);
    ESToken scanWord();
    ESToken scanOperator();
    [[noreturn]] void fail(ESSyntaxMessage message, const QString &first = QString(),
                           const QString &second = QString());

    QChar at(int position) const
    {
        return position < m_source.size() ? m_source.at(position) : QChar();
    }

    ESContext *m_cx;
    QString m_source;
    int m_position = 0;
    int m_line = 1;
    bool m_hasPushBack = false;
    ESToken m_pushBack;
};
