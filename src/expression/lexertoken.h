#pragma once

#include <QChar>
#include <QRegExp>
#include <QString>

#include <bitset>
#include <memory>
#include <vector>

/// One token recogniser of a table-driven lexer: it carries the token code and the
/// binary-operator precedence it reports, and answers what text of the input it matches
/// at a position. The lexer tries its recognisers in registration order and takes the
/// first match, so no recogniser needs to know about the others.
class LexerToken
{
public:
    LexerToken(int code, int precedence) : m_code(code), m_precedence(precedence) {}
    virtual ~LexerToken() = default;
    LexerToken(const LexerToken &) = delete;
    LexerToken &operator=(const LexerToken &) = delete;

    /// The text matched starting exactly at `position`; empty text means no match.
    virtual QString match(const QString &input, int position) const = 0;
    /// The length of match(); the lexer asks this so that it makes no text for
    /// recognisers that do not match or for tokens it skips.
    virtual int matchLength(const QString &input, int position) const;
    /// False when no match can start with `c`; the lexer then does not try this
    /// recogniser at positions holding `c`, which keeps the table order intact.
    virtual bool canStartWith(QChar c) const;

    int code() const { return m_code; }
    int precedence() const { return m_precedence; }

private:
    int m_code;
    int m_precedence;
};

/// A run of characters of one Unicode category, at most `maxLength` long (0: unlimited).
class CategoryLexerToken : public LexerToken
{
public:
    CategoryLexerToken(int code, int precedence, QChar::Category category, int maxLength = 0);
    QString match(const QString &input, int position) const override;
    int matchLength(const QString &input, int position) const override;
    bool canStartWith(QChar c) const override { return belongs(c); }

private:
    // ASCII characters are looked up in a table made once; a run of blanks between
    // tokens then costs no call into the Unicode tables.
    bool belongs(QChar c) const
    {
        const ushort u = c.unicode();
        return u < 128 ? m_ascii[u] : c.category() == m_category;
    }

    QChar::Category m_category;
    int m_maxLength;
    std::bitset<128> m_ascii;
};

/// A double-quoted literal up to the next quote not preceded by a backslash. The text
/// keeps the quotes and every backslash sequence as written; an unterminated literal
/// does not match.
class CStyleStringLiteralLexerToken : public LexerToken
{
public:
    using LexerToken::LexerToken;
    QString match(const QString &input, int position) const override;
    int matchLength(const QString &input, int position) const override;
    bool canStartWith(QChar c) const override { return c == QLatin1Char('"'); }
};

/// A case-sensitive regular expression that must match starting exactly at the position;
/// the whole match is the token text.
///
/// Lexing runs once per watch expression and breakpoint hit, so the common patterns do
/// not go through the general matcher: a pattern made only of literal characters, `\d`,
/// character classes and the quantifiers `?`, `*` and `+` is compiled into a short list
/// of steps matched greedily in place, which gives the same text as the general matcher
/// for such patterns. Any other pattern is matched by QRegExp.
class RegularExpressionLexerToken : public LexerToken
{
public:
    RegularExpressionLexerToken(int code, int precedence, const QString &pattern);
    ~RegularExpressionLexerToken() override;

    QString match(const QString &input, int position) const override;
    int matchLength(const QString &input, int position) const override;
    bool canStartWith(QChar c) const override;
    /// Whether the pattern runs on the compiled steps rather than on QRegExp.
    bool isCompiled() const { return m_compiled; }

private:
    struct Step
    {
        std::bitset<128> ascii;   // the ASCII characters the step accepts
        bool digits = false;      // also every Unicode decimal digit (\d)
        int min = 1;
        int max = 1;              // -1: unlimited
        // Giving characters back can never help the steps after this one, so the
        // greedy count is the only one to try (see analyseSteps()).
        bool possessive = false;
        // This step and all after it may match nothing, and `tailAscii` and `tailDigits`
        // hold what any of them accepts: a character outside ends the match here.
        bool optionalTail = false;
        std::bitset<128> tailAscii;
        bool tailDigits = false;
        bool accepts(QChar c) const
        {
            const ushort u = c.unicode();
            return u < 128 ? ascii[u] : digits && c.isDigit();
        }
        bool tailAccepts(QChar c) const
        {
            const ushort u = c.unicode();
            return u < 128 ? tailAscii[u] : tailDigits && c.isDigit();
        }
        bool overlaps(const Step &other) const
        {
            return (ascii & other.ascii).any() || (digits && other.digits);
        }
    };
    bool compile(const QString &pattern);
    void analyseSteps();
    int matchSteps(const QChar *text, int length, size_t step) const;

    std::vector<Step> m_steps;
    bool m_compiled = false;
    mutable QRegExp m_regExp;   // QRegExp keeps its match state in the object
};

/// One given character.
class CharacterLexerToken : public LexerToken
{
public:
    CharacterLexerToken(int code, int precedence, QChar character);
    QString match(const QString &input, int position) const override;
    int matchLength(const QString &input, int position) const override;
    bool canStartWith(QChar c) const override { return c == m_character; }

private:
    QChar m_character;
};

/// One given text, compared exactly.
class StringLexerToken : public LexerToken
{
public:
    StringLexerToken(int code, int precedence, const QString &text);
    QString match(const QString &input, int position) const override;
    int matchLength(const QString &input, int position) const override;
    bool canStartWith(QChar c) const override { return !m_text.isEmpty() && c == m_text.at(0); }

private:
    QString m_text;
};
