#include "lexertoken.h"

#include <algorithm>

int LexerToken::matchLength(const QString &input, int position) const
{
    return match(input, position).size();
}

bool LexerToken::canStartWith(QChar) const
{
    return true;
}

static QString matchedText(const QString &input, int position, int length)
{
    return length > 0 ? input.mid(position, length) : QString();
}

// --- CategoryLexerToken

CategoryLexerToken::CategoryLexerToken(int code, int precedence, QChar::Category category,
                                       int maxLength)
    : LexerToken(code, precedence), m_category(category), m_maxLength(maxLength)
{
    for (ushort u = 0; u < 128; ++u)
        m_ascii[u] = QChar(u).category() == category;
}

QString CategoryLexerToken::match(const QString &input, int position) const
{
    return matchedText(input, position, matchLength(input, position));
}

int CategoryLexerToken::matchLength(const QString &input, int position) const
{
    int end = position;
    const int limit = m_maxLength > 0 ? std::min(input.size(), position + m_maxLength)
                                      : input.size();
    while (end < limit && belongs(input.at(end)))
        ++end;
    return end - position;
}

// --- CStyleStringLiteralLexerToken

QString CStyleStringLiteralLexerToken::match(const QString &input, int position) const
{
    return matchedText(input, position, matchLength(input, position));
}

int CStyleStringLiteralLexerToken::matchLength(const QString &input, int position) const
{
    const QChar quote = QLatin1Char('"');
    if (position >= input.size() || input.at(position) != quote)
        return 0;
    for (int i = position + 1; i < input.size(); ++i) {
        if (input.at(i) == quote && input.at(i - 1) != QLatin1Char('\\'))
            return i + 1 - position;
    }
    return 0;
}

// --- RegularExpressionLexerToken

RegularExpressionLexerToken::RegularExpressionLexerToken(int code, int precedence,
                                                         const QString &pattern)
    : LexerToken(code, precedence)
{
    m_compiled = compile(pattern);
    if (!m_compiled) {
        // The caret anchors the match at the offset handed to indexIn().
        m_regExp = QRegExp(QStringLiteral("^(?:") + pattern + QLatin1Char(')'),
                           Qt::CaseSensitive);
    }
}

RegularExpressionLexerToken::~RegularExpressionLexerToken() = default;

// \d: the ASCII digits go in the step's table, the other scripts' digits are checked
// when they occur.
static void addDigits(std::bitset<128> &ascii, bool &digits)
{
    digits = true;
    for (ushort u = '0'; u <= '9'; ++u)
        ascii.set(u);
}

// Literal characters that a backslash may escape in a compiled pattern.
static bool isEscapable(QChar c)
{
    return c.unicode() < 128 && QByteArrayLiteral("\\.[](){}?*+|^$/-").contains(char(c.unicode()));
}

// Compiles literal characters, escapes (\d and escaped punctuation), character classes
// with ranges, and the quantifiers ? * +. Returns false for anything else (alternation,
// groups, anchors, negated classes, non-ASCII text) so that QRegExp handles it.
bool RegularExpressionLexerToken::compile(const QString &pattern)
{
    const int n = pattern.size();
    int i = 0;
    while (i < n) {
        Step step;
        const QChar c = pattern.at(i);
        if (c == QLatin1Char('\\')) {
            if (i + 1 >= n)
                return false;
            const QChar escaped = pattern.at(i + 1);
            if (escaped == QLatin1Char('d'))
                addDigits(step.ascii, step.digits);
            else if (isEscapable(escaped))
                step.ascii.set(escaped.unicode());
            else
                return false;
            i += 2;
        } else if (c == QLatin1Char('[')) {
            int j = i + 1;
            if (j < n && (pattern.at(j) == QLatin1Char('^') || pattern.at(j) == QLatin1Char(']')))
                return false;
            while (j < n && pattern.at(j) != QLatin1Char(']')) {
                QChar first = pattern.at(j);
                if (first == QLatin1Char('\\')) {
                    if (j + 1 >= n)
                        return false;
                    if (pattern.at(j + 1) == QLatin1Char('d')) {
                        addDigits(step.ascii, step.digits);
                        j += 2;
                        continue;
                    }
                    if (!isEscapable(pattern.at(j + 1)))
                        return false;
                    first = pattern.at(++j);
                } else if (first == QLatin1Char('[')) {
                    return false;  // [:class:] forms
                }
                if (first.unicode() >= 128)
                    return false;
                if (j + 2 < n && pattern.at(j + 1) == QLatin1Char('-')
                    && pattern.at(j + 2) != QLatin1Char(']')) {
                    const QChar last = pattern.at(j + 2);
                    if (last.unicode() >= 128 || last == QLatin1Char('\\') || last < first)
                        return false;
                    for (ushort u = first.unicode(); u <= last.unicode(); ++u)
                        step.ascii.set(u);
                    j += 3;
                } else {
                    step.ascii.set(first.unicode());
                    ++j;
                }
            }
            if (j >= n)
                return false;
            i = j + 1;
        } else if (c.unicode() >= 128
                   || QByteArrayLiteral("()|{}^$.?*+").contains(char(c.unicode()))) {
            return false;
        } else {
            step.ascii.set(c.unicode());
            ++i;
        }
        if (i < n) {
            const QChar q = pattern.at(i);
            if (q == QLatin1Char('?') || q == QLatin1Char('*') || q == QLatin1Char('+')) {
                step.min = q == QLatin1Char('+') ? 1 : 0;
                step.max = q == QLatin1Char('?') ? 1 : -1;
                ++i;
                if (i < n && QByteArrayLiteral("?*+{").contains(char(pattern.at(i).unicode())))
                    return false;
            } else if (q == QLatin1Char('{')) {
                return false;
            }
        }
        m_steps.push_back(step);
    }
    analyseSteps();
    return !m_steps.empty();
}

// A step need not give characters back when backtracking cannot find another match:
// its count is fixed, or the steps after it may all match nothing (the first try then
// succeeds), or no character it takes is one that the following steps, up to the first
// required one, could start with. In the last case a shorter count leaves one of the
// step's own characters next, which the rest could only match by matching nothing, and
// that they would have done after the greedy count already. Every pattern of the
// C-style table is possessive throughout, so it matches in one pass without recursion.
//
// The optional steps at the end (the U?L?L?u?l?l? of an integer) are told what any of
// them accepts, so that the usual blank or operator after a number ends the match at
// once instead of being tried against each of them.
void RegularExpressionLexerToken::analyseSteps()
{
    for (size_t i = 0; i < m_steps.size(); ++i) {
        Step &step = m_steps[i];
        bool restOptional = true;
        bool clash = false;
        for (size_t j = i + 1; j < m_steps.size() && restOptional; ++j) {
            clash = clash || step.overlaps(m_steps[j]);
            restOptional = m_steps[j].min == 0;
        }
        step.possessive = step.min == step.max || restOptional || !clash;
    }
    bool optional = true;
    for (size_t i = m_steps.size(); i-- > 0 && optional;) {
        Step &step = m_steps[i];
        optional = step.min == 0;
        step.optionalTail = optional;
        step.tailAscii = step.ascii;
        step.tailDigits = step.digits;
        if (optional && i + 1 < m_steps.size()) {
            step.tailAscii |= m_steps[i + 1].tailAscii;
            step.tailDigits = step.tailDigits || m_steps[i + 1].tailDigits;
        }
    }
}

// Greedy match of the steps from `step` on; answers the matched length or -1. Every
// step first takes as many characters as it may; one that is not possessive gives them
// back one by one while the steps after it fail.
int RegularExpressionLexerToken::matchSteps(const QChar *text, int length, size_t step) const
{
    int matched = 0;
    for (; step < m_steps.size(); ++step) {
        const Step &current = m_steps[step];
        const int left = length - matched;
        if (current.optionalTail && (left == 0 || !current.tailAccepts(text[matched])))
            return matched;
        const int limit = current.max < 0 ? left : std::min(left, current.max);
        int count = 0;
        while (count < limit && current.accepts(text[matched + count]))
            ++count;
        if (count < current.min)
            return -1;
        if (!current.possessive) {
            for (; count >= current.min; --count) {
                const int rest = matchSteps(text + matched + count, left - count, step + 1);
                if (rest >= 0)
                    return matched + count + rest;
            }
            return -1;
        }
        matched += count;
    }
    return matched;
}

QString RegularExpressionLexerToken::match(const QString &input, int position) const
{
    return matchedText(input, position, matchLength(input, position));
}

int RegularExpressionLexerToken::matchLength(const QString &input, int position) const
{
    if (position >= input.size())
        return 0;
    if (m_compiled)
        return std::max(0, matchSteps(input.constData() + position, input.size() - position, 0));
    if (m_regExp.indexIn(input, position, QRegExp::CaretAtOffset) == position)
        return m_regExp.matchedLength();
    return 0;
}

// A compiled pattern whose first step is required starts only with what that step
// accepts; anything else may start anywhere.
bool RegularExpressionLexerToken::canStartWith(QChar c) const
{
    if (!m_compiled || m_steps.front().min == 0)
        return true;
    return m_steps.front().accepts(c);
}

// --- CharacterLexerToken, StringLexerToken

CharacterLexerToken::CharacterLexerToken(int code, int precedence, QChar character)
    : LexerToken(code, precedence), m_character(character)
{
}

QString CharacterLexerToken::match(const QString &input, int position) const
{
    return matchedText(input, position, matchLength(input, position));
}

int CharacterLexerToken::matchLength(const QString &input, int position) const
{
    return position < input.size() && input.at(position) == m_character ? 1 : 0;
}

StringLexerToken::StringLexerToken(int code, int precedence, const QString &text)
    : LexerToken(code, precedence), m_text(text)
{
}

QString StringLexerToken::match(const QString &input, int position) const
{
    return matchedText(input, position, matchLength(input, position));
}

int StringLexerToken::matchLength(const QString &input, int position) const
{
    const int length = m_text.size();
    if (length == 0 || position < 0 || input.size() - position < length)
        return 0;
    const QChar *at = input.constData() + position;
    for (int i = 0; i < length; ++i) {
        if (at[i] != m_text.at(i))
            return 0;
    }
    return length;
}
