#include "lexer.h"

#include "lexertoken.h"
#include "parserexception.h"

#include <iterator>
#include <limits>

static const char *const tokenNames[] = {
    "TOKEN_EOL", "TOKEN_EOF", "TOKEN_SPACE", "TOKEN_INTEGER", "TOKEN_HEXINTEGER",
    "TOKEN_BININTEGER", "TOKEN_FLOAT", "TOKEN_STRING", "TOKEN_IDENT", "TOKEN_REGISTER",
    "TOKEN_SEMICOLON", "TOKEN_COLON", "TOKEN_COLONCOLON", "TOKEN_LPAREN", "TOKEN_RPAREN",
    "TOKEN_LBRACK", "TOKEN_RBRACK", "TOKEN_LCURLY", "TOKEN_RCURLY", "TOKEN_DOT",
    "TOKEN_POINTSAT", "TOKEN_INCREMENT", "TOKEN_DECREMENT", "TOKEN_BITNOT", "TOKEN_LOGNOT",
    "TOKEN_STAR", "TOKEN_SLASH", "TOKEN_MOD", "TOKEN_PLUS", "TOKEN_MINUS",
    "TOKEN_LSHIFT", "TOKEN_RSHIFT", "TOKEN_ARSHIFT", "TOKEN_LT", "TOKEN_LE",
    "TOKEN_GT", "TOKEN_GE", "TOKEN_EQ", "TOKEN_NE", "TOKEN_BITAND",
    "TOKEN_BITXOR", "TOKEN_BITOR", "TOKEN_LOGAND", "TOKEN_LOGOR", "TOKEN_CONDITION",
    "TOKEN_ASSIGN", "TOKEN_PLUS_ASSIGN", "TOKEN_MINUS_ASSIGN", "TOKEN_STAR_ASSIGN",
    "TOKEN_DIV_ASSIGN", "TOKEN_MOD_ASSIGN", "TOKEN_RSHIFT_ASSIGN", "TOKEN_LSHIFT_ASSIGN",
    "TOKEN_ARSHIFT_ASSIGN", "TOKEN_BITAND_ASSIGN", "TOKEN_BITXOR_ASSIGN",
    "TOKEN_BITOR_ASSIGN", "TOKEN_COMMA",
};
static_assert(std::size(tokenNames) == size_t(Token::Unknown), "tokenNames out of step");

Lexer::Lexer() = default;

Lexer::~Lexer() = default;

QString Lexer::substitution(const QString &)
{
    return QString();
}

int Lexer::quickToken(const QChar *, int, int *, int *) const
{
    return 0;
}

QString Lexer::tokenName(int code)
{
    if (code < 0 || code >= int(Token::Unknown))
        return QStringLiteral("TOKEN_UNKNOWN");
    return QLatin1String(tokenNames[code]);
}

void Lexer::addToken(std::unique_ptr<LexerToken> token)
{
    m_tokens.push_back(std::move(token));
    m_candidatesValid = false;
}

void Lexer::buildCandidates()
{
    m_allTokens.clear();
    for (const auto &token : m_tokens)
        m_allTokens.push_back(token.get());
    for (ushort u = 0; u < 128; ++u) {
        m_candidates[u].clear();
        for (const LexerToken *token : m_allTokens) {
            if (token->canStartWith(QChar(u)))
                m_candidates[u].push_back(token);
        }
    }
    m_candidatesValid = true;
}

const QString &Lexer::text() const
{
    if (!m_textValid) {
        m_text = m_textSource->mid(m_tokenStart, m_textLength);
        m_textValid = true;
    }
    return m_text;
}

void Lexer::setInput(const QString &text)
{
    m_input = text;
    m_position = 0;
    m_pending.clear();
    next();
}

void Lexer::next()
{
    do {
        readToken();
    } while (m_code == int(Token::Space));
}

// Reads one token. Spaces the short cut finds are passed over here (next() would only
// skip them); those the table finds come back as Space tokens. A used-up substitution
// text gives way to the text below it; an identifier with a replacement pushes the
// replacement and the token is read from there, as long as fewer than
// maxSubstitutionDepth replacements are pending. Bounding the pending stack (rather
// than one read's chain) also stops an identifier that expands to itself plus more text
// from growing the stack without end.
void Lexer::readToken()
{
    for (;;) {
        while (!m_pending.empty() && m_pending.back().position >= m_pending.back().text.size())
            m_pending.pop_back();
        const QString &input = currentText();
        int &position = currentPosition();
        m_tokenStart = position;
        if (position >= input.size()) {
            m_code = int(Token::Eol);
            m_precedence = notBinaryOperator;
            m_text.clear();
            m_textValid = true;
            return;
        }
        int length = quickToken(input.constData() + position, input.size() - position,
                                &m_code, &m_precedence);
        if (length > 0 && m_code == int(Token::Space)) {
            position += length;  // next() would only skip it
            continue;
        }
        if (length == 0) {
            const LexerToken *found = nullptr;
            for (const LexerToken *token : candidates(input.at(position))) {
                length = token->matchLength(input, position);
                if (length > 0) {
                    found = token;
                    break;
                }
            }
            if (!found)
                throw ParserException(QStringLiteral("unrecognised token: ") + input.mid(position));
            m_code = found->code();
            m_precedence = found->precedence();
        }
        if (m_pending.empty()) {
            m_textSource = &m_input;
        } else {
            m_substitutedSource = input;
            m_textSource = &m_substitutedSource;
        }
        m_textLength = length;
        m_textValid = false;
        position += length;
        if (m_code != int(Token::Ident) || int(m_pending.size()) >= maxSubstitutionDepth)
            return;
        const QString replacement = substitution(text());
        if (replacement.isEmpty() || replacement == text())
            return;
        m_pending.push_back(PendingInput{replacement, 0});
    }
}

// Strips the C suffix letters (U, L and their lower-case forms) of an integer token.
static QString withoutSuffix(const QString &text)
{
    int end = text.size();
    while (end > 0) {
        const QChar c = text.at(end - 1);
        if (c != QLatin1Char('U') && c != QLatin1Char('u') && c != QLatin1Char('L')
            && c != QLatin1Char('l'))
            break;
        --end;
    }
    return text.left(end);
}

// Plain decimal digits without a leading zero, the common case, convert here; a value
// beyond the signed range gives 0 as the general conversion does. Anything else
// (octal, suffixes, digits of other scripts) goes the general way.
static bool convertPlainDecimal(const QChar *digits, int length, qint64 *value)
{
    if (length == 0 || length > 19 || (digits[0] == QLatin1Char('0') && length > 1))
        return false;
    quint64 result = 0;
    for (int i = 0; i < length; ++i) {
        const ushort u = digits[i].unicode();
        if (u < '0' || u > '9')
            return false;
        result = result * 10 + (u - '0');
    }
    *value = result > quint64(std::numeric_limits<qint64>::max()) ? 0 : qint64(result);
    return true;
}

qint64 Lexer::integerValue() const
{
    switch (Token(m_code)) {
    case Token::Integer: {
        qint64 value;
        const QChar *digits = m_textSource->constData() + m_tokenStart;
        if (convertPlainDecimal(digits, m_textLength, &value))
            return value;
        return withoutSuffix(text()).toLongLong(nullptr, 0);
    }
    case Token::HexInteger:
    case Token::BinInteger:
        if (text().startsWith(QLatin1String("0b")))
            return qint64(text().mid(2).toULongLong(nullptr, 2));
        return qint64(withoutSuffix(text()).toULongLong(nullptr, 0));
    default:
        return 0;
    }
}

double Lexer::floatValue() const
{
    return text().toDouble();
}

// --- CStyleLexer

namespace {

struct Row
{
    enum Kind { Space, StringLiteral, RegExp, Character, Text } kind;
    const char *text;
    Token code;
    int precedence;
};

// The recognisers in the order they are tried. Longer operators come before their
// prefixes; the float pattern comes before the decimal one so that 1.5 is one token.
const Row cStyleTable[] = {
    {Row::Space, "", Token::Space, notBinaryOperator},
    {Row::StringLiteral, "", Token::String, notBinaryOperator},
    {Row::RegExp, "0[Xx][0-9A-Fa-f]*U?L?L?u?l?l?", Token::HexInteger, notBinaryOperator},
    {Row::RegExp, "0b[0-1]*", Token::BinInteger, notBinaryOperator},
    {Row::RegExp, "\\d+\\.\\d+", Token::Float, notBinaryOperator},
    {Row::RegExp, "\\d+U?L?L?u?l?l?", Token::Integer, notBinaryOperator},
    {Row::RegExp, "[A-Za-z_$][A-Za-z_0-9$]*", Token::Ident, notBinaryOperator},
    {Row::RegExp, "@[A-Za-z_0-9]*", Token::Register, notBinaryOperator},
    {Row::Character, ";", Token::Semicolon, notBinaryOperator},
    {Row::Text, "::", Token::ColonColon, notBinaryOperator},
    {Row::Character, ":", Token::Colon, notBinaryOperator},
    {Row::Character, "(", Token::LParen, notBinaryOperator},
    {Row::Character, ")", Token::RParen, notBinaryOperator},
    {Row::Character, "[", Token::LBrack, notBinaryOperator},
    {Row::Character, "]", Token::RBrack, notBinaryOperator},
    {Row::Character, "{", Token::LCurly, notBinaryOperator},
    {Row::Character, "}", Token::RCurly, notBinaryOperator},
    {Row::Character, ".", Token::Dot, notBinaryOperator},
    {Row::Text, "->", Token::PointsAt, notBinaryOperator},
    {Row::Text, "++", Token::Increment, notBinaryOperator},
    {Row::Text, "--", Token::Decrement, notBinaryOperator},
    {Row::Text, "!=", Token::Ne, equalityPrecedence},
    {Row::Character, "!", Token::LogNot, notBinaryOperator},
    {Row::Character, "~", Token::BitNot, notBinaryOperator},
    {Row::Text, "*=", Token::StarAssign, compoundAssignPrecedence},
    {Row::Character, "*", Token::Star, multiplicativePrecedence},
    {Row::Text, "/=", Token::DivAssign, compoundAssignPrecedence},
    {Row::Character, "/", Token::Slash, multiplicativePrecedence},
    {Row::Text, "%=", Token::ModAssign, compoundAssignPrecedence},
    {Row::Character, "%", Token::Mod, multiplicativePrecedence},
    {Row::Text, "+=", Token::PlusAssign, compoundAssignPrecedence},
    {Row::Character, "+", Token::Plus, additivePrecedence},
    {Row::Text, "-=", Token::MinusAssign, compoundAssignPrecedence},
    {Row::Character, "-", Token::Minus, additivePrecedence},
    {Row::Text, "<<=", Token::LShiftAssign, compoundAssignPrecedence},
    {Row::Text, "<<", Token::LShift, shiftPrecedence},
    {Row::Text, ">>>=", Token::ARShiftAssign, compoundAssignPrecedence},
    {Row::Text, ">>>", Token::ARShift, shiftPrecedence},
    {Row::Text, ">>=", Token::RShiftAssign, compoundAssignPrecedence},
    {Row::Text, ">>", Token::RShift, shiftPrecedence},
    {Row::Text, "<=", Token::Le, relationalPrecedence},
    {Row::Character, "<", Token::Lt, relationalPrecedence},
    {Row::Text, ">=", Token::Ge, relationalPrecedence},
    {Row::Character, ">", Token::Gt, relationalPrecedence},
    {Row::Text, "==", Token::Eq, equalityPrecedence},
    {Row::Text, "^=", Token::BitXorAssign, compoundAssignPrecedence},
    {Row::Character, "^", Token::BitXor, bitXorPrecedence},
    {Row::Text, "&=", Token::BitAndAssign, compoundAssignPrecedence},
    {Row::Text, "&&", Token::LogAnd, logicalAndPrecedence},
    {Row::Character, "&", Token::BitAnd, bitAndPrecedence},
    {Row::Text, "|=", Token::BitOrAssign, compoundAssignPrecedence},
    {Row::Text, "||", Token::LogOr, logicalOrPrecedence},
    {Row::Character, "|", Token::BitOr, bitOrPrecedence},
    {Row::Character, "?", Token::Condition, conditionalPrecedence},
    {Row::Character, "=", Token::Assign, assignPrecedence},
    {Row::Character, ",", Token::Comma, commaPrecedence},
};
static_assert(std::size(cStyleTable) == 56, "recogniser table incomplete");

} // namespace

// Blanks, names and plain decimal numbers make up most of an expression. They are found
// here without walking the recognisers, with the answer the table gives for them: the
// space recogniser takes a run of space separators, the name pattern a run of ASCII
// letters, digits, '_' and '$', the decimal pattern a run of digits. Whatever could
// make the table decide otherwise (a non-ASCII character that may continue the run, a
// '.' that may make a float, a 0x or 0b prefix, suffix letters) goes to the table.
int CStyleLexer::quickToken(const QChar *text, int length, int *code, int *precedence) const
{
    const auto isAscii = [&](int i) { return i >= length || text[i].unicode() < 128; };
    const auto nameCharacter = [](ushort u) {
        return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || (u >= '0' && u <= '9')
               || u == '_' || u == '$';
    };
    const ushort first = text[0].unicode();
    int end = 1;
    if (first == ' ') {
        while (end < length && text[end].unicode() == ' ')
            ++end;
        if (!isAscii(end))
            return 0;
        *code = int(Token::Space);
    } else if (nameCharacter(first) && !(first >= '0' && first <= '9')) {
        while (end < length && nameCharacter(text[end].unicode()))
            ++end;
        *code = int(Token::Ident);
    } else if (first >= '0' && first <= '9') {
        while (end < length && text[end].unicode() >= '0' && text[end].unicode() <= '9')
            ++end;
        if (end < length) {
            const ushort next = text[end].unicode();
            if (next >= 128 || next == '.' || next == 'U' || next == 'L' || next == 'u'
                || next == 'l' || (first == '0' && end == 1 && (next | 0x20) == 'x')
                || (first == '0' && end == 1 && next == 'b'))
                return 0;
        }
        *code = int(Token::Integer);
    } else {
        return 0;
    }
    *precedence = notBinaryOperator;
    return end;
}

CStyleLexer::CStyleLexer()
{
    for (const Row &row : cStyleTable) {
        const int code = int(row.code);
        switch (row.kind) {
        case Row::Space:
            addToken(std::make_unique<CategoryLexerToken>(code, row.precedence,
                                                          QChar::Separator_Space));
            break;
        case Row::StringLiteral:
            addToken(std::make_unique<CStyleStringLiteralLexerToken>(code, row.precedence));
            break;
        case Row::RegExp:
            addToken(std::make_unique<RegularExpressionLexerToken>(
                code, row.precedence, QString::fromLatin1(row.text)));
            break;
        case Row::Character:
            addToken(std::make_unique<CharacterLexerToken>(code, row.precedence,
                                                           QLatin1Char(row.text[0])));
            break;
        case Row::Text:
            addToken(std::make_unique<StringLexerToken>(code, row.precedence,
                                                        QString::fromLatin1(row.text)));
            break;
        }
    }
}
