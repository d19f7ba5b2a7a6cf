#include "eslexer_p.h"

#include "esatom.h"

#include <cstdlib>
#include <cstring>

namespace {

// Character classes of the 256-entry table the lexer classifies through.
enum : quint8 {
    Lower = 1,
    Upper = 2,
    IdentifierExtra = 4,  // $ and _
    Digit = 8,
    HexDigit = 16,
    OctalDigit = 32,
    Sign = 64,            // + and -
};

struct ESCharacterTable
{
    quint8 classes[256] = {};
    constexpr ESCharacterTable()
    {
        for (int c = 'a'; c <= 'z'; ++c)
            classes[c] |= Lower;
        for (int c = 'A'; c <= 'Z'; ++c)
            classes[c] |= Upper;
        classes[int('$')] |= IdentifierExtra;
        classes[int('_')] |= IdentifierExtra;
        for (int c = '0'; c <= '9'; ++c)
            classes[c] |= Digit | HexDigit | (c < '8' ? OctalDigit : 0);
        for (int c = 0; c < 6; ++c)
            classes['a' + c] |= HexDigit, classes['A' + c] |= HexDigit;
        classes[int('+')] |= Sign;
        classes[int('-')] |= Sign;
    }
};
constexpr ESCharacterTable characterTable;

bool hasClass(QChar c, quint8 mask)
{
    return c.unicode() < 256 && (characterTable.classes[c.unicode()] & mask);
}

// The value of a digit or letter as a digit of any radix up to 36, or 99.
int digitValue(QChar c)
{
    if (hasClass(c, Digit))
        return c.unicode() - '0';
    if (hasClass(c, Lower))
        return c.unicode() - 'a' + 10;
    if (hasClass(c, Upper))
        return c.unicode() - 'A' + 10;
    return 99;
}

struct ESOperatorText
{
    const char *text;
    int code;
};

// Longest first, so that "===" is tried before "==" and "=".
constexpr ESOperatorText operators[] = {
    {">>>=", ESTok::UShrAssign},
    {"===", ESTok::StrictEq}, {"!==", ESTok::StrictNe}, {"<<=", ESTok::ShlAssign},
    {">>=", ESTok::ShrAssign}, {">>>", ESTok::UShr},
    {"&=", ESTok::AndAssign}, {"|=", ESTok::OrAssign}, {"^=", ESTok::XorAssign},
    {"+=", ESTok::AddAssign}, {"-=", ESTok::SubAssign}, {"*=", ESTok::MulAssign},
    {"/=", ESTok::DivAssign}, {"%=", ESTok::ModAssign}, {"||", ESTok::LogOr},
    {"&&", ESTok::LogAnd}, {"==", ESTok::Eq}, {"!=", ESTok::Ne}, {"<=", ESTok::Le},
    {">=", ESTok::Ge}, {"<<", ESTok::Shl}, {">>", ESTok::Shr}, {"++", ESTok::Inc},
    {"--", ESTok::Dec},
};
constexpr char singleCharacterTokens[] = "(),:;?[]{}~=!%&*+-./<>^|";

} // namespace

ESLexer::ESLexer(ESContext *cx, const QString &source) : m_cx(cx), m_source(source) {}

void ESLexer::fail(ESSyntaxMessage message, const QString &first, const QString &second)
{
    esSyntaxError(m_cx, m_line, message, first, second);
}

void ESLexer::pushBack(const ESToken &token)
{
    Q_ASSERT(!m_hasPushBack);
    m_pushBack = token;
    m_hasPushBack = true;
}

ESToken ESLexer::next()
{
    if (m_hasPushBack) {
        m_hasPushBack = false;
        return m_pushBack;
    }
    const bool newline = skipBlanksAndComments();
    const int line = m_line;
    ESToken token;
    const QChar c = at(m_position);
    if (m_position >= m_source.size())
        token.code = ESTok::EndOfInput;
    else if (hasClass(c, Digit) || (c == u'.' && hasClass(at(m_position + 1), Digit)))
        token = scanNumber();
    else if (c == u'"' || c == u'\'')
        token = scanString(c);
    else if (hasClass(c, Lower | Upper | IdentifierExtra))
        token = scanWord();
    else
        token = scanOperator();
    token.newlineBefore = newline;
    token.line = line;
    return token;
}

// Blanks are tab, vertical tab, form feed, character 26 and space. A line feed counts a
// line; a carriage return only ends one. An unterminated comment ends the input.
bool ESLexer::skipBlanksAndComments()
{
    bool newline = false;
    while (m_position < m_source.size()) {
        const ushort c = m_source.at(m_position).unicode();
        if (c == 9 || c == 11 || c == 12 || c == 26 || c == 32) {
            ++m_position;
        } else if (c == 10 || c == 13) {
            m_line += c == 10;
            newline = true;
            ++m_position;
        } else if (c == '/' && at(m_position + 1) == u'/') {
            while (m_position < m_source.size() && at(m_position) != u'\n'
                   && at(m_position) != u'\r')
                ++m_position;
        } else if (c == '/' && at(m_position + 1) == u'*') {
            const int end = m_source.indexOf(QLatin1String("*/"), m_position + 2);
            const int stop = end < 0 ? m_source.size() : end + 2;
            const int lines = m_source.midRef(m_position, stop - m_position).count(u'\n');
            m_line += lines;
            newline = newline || lines > 0;
            m_position = stop;
        } else {
            break;
        }
    }
    return newline;
}

// number -> '0' ('x'|'X') hexdigits | '0' octaldigits | decimal digits [. digits] [e [sign] digits]
ESToken ESLexer::scanNumber()
{
    ESToken token;
    token.code = ESTok::Number;
    const QChar c = at(m_position);
    const QChar second = at(m_position + 1);
    if (c == u'0' && (second == u'x' || second == u'X')) {
        m_position += 2;
        token.number = scanRadixDigits(16);
        return token;
    }
    if (c == u'0' && hasClass(second, Digit)) {
        m_position += 1;
        token.number = scanRadixDigits(8);
        return token;
    }
    const int start = m_position;
    while (hasClass(at(m_position), Digit))
        ++m_position;
    if (at(m_position) == u'.') {
        ++m_position;
        while (hasClass(at(m_position), Digit))
            ++m_position;
    }
    if (at(m_position) == u'e' || at(m_position) == u'E') {
        ++m_position;
        if (hasClass(at(m_position), Sign))
            ++m_position;
        while (hasClass(at(m_position), Digit))
            ++m_position;
    }
    // The text must scan completely as "%lg" would take it ("1e" does not).
    const QByteArray text = m_source.mid(start, m_position - start).toLatin1();
    char *end = nullptr;
    token.number = std::strtod(text.constData(), &end);
    if (end != text.constData() + text.size())
        fail(ESSyntaxMessage::BadNumber, QString::fromLatin1(text));
    return token;
}

// The letters and digits that follow belong to the number; each must be a digit of the
// radix.
double ESLexer::scanRadixDigits(int radix)
{
    double value = 0;
    while (hasClass(at(m_position), Lower | Upper | Digit)) {
        const int digit = digitValue(at(m_position));
        if (digit >= radix)
            fail(ESSyntaxMessage::BadDigit, at(m_position), QString::number(radix));
        value = value * radix + digit;
        ++m_position;
    }
    return value;
}

ESToken ESLexer::scanString(QChar quote)
{
    ++m_position;
    QString text;
    for (;;) {
        if (m_position >= m_source.size())
            fail(ESSyntaxMessage::EndInString);
        const QChar c = m_source.at(m_position++);
        if (c == quote)
            break;
        if (c == u'\n')
            fail(ESSyntaxMessage::NewlineInString);
        if (c != u'\\') {
            text += c;
            continue;
        }
        text += QChar(ushort(scanEscape()));
    }
    ESToken token;
    token.code = ESTok::String;
    token.atom = ESAtom::intern(text);
    return token;
}

// After a backslash: b f n r t, x with two hex digits, u with four, one to three octal
// digits (the third only while the value stays within 255); any other character, the
// quotes and the backslash included, stands for itself.
int ESLexer::scanEscape()
{
    if (m_position >= m_source.size())
        fail(ESSyntaxMessage::EndInString);
    const QChar c = m_source.at(m_position++);
    switch (c.unicode()) {
    case 'b': return 8;
    case 'f': return 12;
    case 'n': return 10;
    case 'r': return 13;
    case 't': return 9;
    case 'x': return hexDigits(2);
    case 'u': return hexDigits(4);
    default:
        break;
    }
    if (!hasClass(c, OctalDigit)) {
        m_line += c == u'\n';
        return c.unicode();
    }
    int value = c.unicode() - '0';
    for (int digits = 1; digits < 3 && hasClass(at(m_position), OctalDigit); ++digits) {
        const int longer = value * 8 + (at(m_position).unicode() - '0');
        if (longer > 255)
            break;
        value = longer;
        ++m_position;
    }
    return value;
}

int ESLexer::hexDigits(int count)
{
    int value = 0;
    for (int i = 0; i < count; ++i) {
        if (!hasClass(at(m_position), HexDigit))
            fail(ESSyntaxMessage::BadHexEscape);
        value = value * 16 + digitValue(at(m_position++));
    }
    return value;
}

ESToken ESLexer::scanWord()
{
    const int start = m_position;
    while (hasClass(at(m_position), Lower | Upper | IdentifierExtra | Digit))
        ++m_position;
    const QString word = m_source.mid(start, m_position - start);
    ESToken token;
    token.code = ESTok::keyword(word);
    if (token.code == ESTok::Identifier)
        token.atom = ESAtom::intern(word);
    return token;
}

ESToken ESLexer::scanOperator()
{
    const QChar c = at(m_position);
    ESToken token;
    for (const ESOperatorText &op : operators) {
        const int length = int(std::strlen(op.text));
        if (c == QLatin1Char(op.text[0])
            && m_source.midRef(m_position, length) == QLatin1String(op.text, length)) {
            m_position += length;
            token.code = op.code;
            return token;
        }
    }
    if (c.unicode() < 128 && c.unicode() != 0
        && std::strchr(singleCharacterTokens, char(c.unicode()))) {
        ++m_position;
        token.code = c.unicode();
        return token;
    }
    fail(ESSyntaxMessage::UnknownCharacter, c);
}
