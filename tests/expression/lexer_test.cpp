#include "expression/lexer.h"
#include "expression/lexertoken.h"
#include "expression/parserexception.h"

#include <gtest/gtest.h>

#include <QHash>
#include <QRandomGenerator>

#include <limits>

#include "testsupport.h"

namespace {

// "NAME:text NAME:text ..." for every token of `input`, without the final TOKEN_EOL, or
// "error: MESSAGE".
QString tokenStream(Lexer &lexer, const QString &input)
{
    QStringList tokens;
    try {
        lexer.setInput(input);
        while (lexer.code() != Token::Eol) {
            tokens.append(Lexer::tokenName(int(lexer.code())) + QLatin1Char(':') + lexer.text());
            lexer.next();
        }
    } catch (const ParserException &e) {
        return QStringLiteral("error: ") + e.message();
    }
    return tokens.join(QLatin1Char(' '));
}

QString tokenStream(const QString &input)
{
    CStyleLexer lexer;
    return tokenStream(lexer, input);
}

} // namespace

// The first recogniser in table order wins: longer operators before their prefixes,
// floats before decimals, and only space separators are blanks.
TEST(CStyleLexerTest, TableOrderDecidesTheTokens)
{
    const struct { const char *input; const char *tokens; } cases[] = {
        {"a->b", "TOKEN_IDENT:a TOKEN_POINTSAT:-> TOKEN_IDENT:b"},
        {"a-->b", "TOKEN_IDENT:a TOKEN_DECREMENT:-- TOKEN_GT:> TOKEN_IDENT:b"},
        {"x>>>=2", "TOKEN_IDENT:x TOKEN_ARSHIFT_ASSIGN:>>>= TOKEN_INTEGER:2"},
        {"x-=1", "TOKEN_IDENT:x TOKEN_MINUS_ASSIGN:-= TOKEN_INTEGER:1"},
        {"x--=1", "TOKEN_IDENT:x TOKEN_DECREMENT:-- TOKEN_ASSIGN:= TOKEN_INTEGER:1"},
        {"0x1F 1.5 15", "TOKEN_HEXINTEGER:0x1F TOKEN_FLOAT:1.5 TOKEN_INTEGER:15"},
        {"1.5e3", "TOKEN_FLOAT:1.5 TOKEN_IDENT:e3"},
        {"12UL", "TOKEN_INTEGER:12UL"},
        {"0b101 0b", "TOKEN_BININTEGER:0b101 TOKEN_BININTEGER:0b"},
        {"0x", "TOKEN_HEXINTEGER:0x"},
        {"$tmp _x1", "TOKEN_IDENT:$tmp TOKEN_IDENT:_x1"},
        {"@r0 @", "TOKEN_REGISTER:@r0 TOKEN_REGISTER:@"},
        {"a::b:c", "TOKEN_IDENT:a TOKEN_COLONCOLON::: TOKEN_IDENT:b TOKEN_COLON:: TOKEN_IDENT:c"},
        {"a<<=b<<c<=d<e", "TOKEN_IDENT:a TOKEN_LSHIFT_ASSIGN:<<= TOKEN_IDENT:b TOKEN_LSHIFT:<< "
                          "TOKEN_IDENT:c TOKEN_LE:<= TOKEN_IDENT:d TOKEN_LT:< TOKEN_IDENT:e"},
        {"a>>=b>>c>=d>e>>>f", "TOKEN_IDENT:a TOKEN_RSHIFT_ASSIGN:>>= TOKEN_IDENT:b "
                              "TOKEN_RSHIFT:>> TOKEN_IDENT:c TOKEN_GE:>= TOKEN_IDENT:d "
                              "TOKEN_GT:> TOKEN_IDENT:e TOKEN_ARSHIFT:>>> TOKEN_IDENT:f"},
        {"a&&b&=c&d", "TOKEN_IDENT:a TOKEN_LOGAND:&& TOKEN_IDENT:b TOKEN_BITAND_ASSIGN:&= "
                      "TOKEN_IDENT:c TOKEN_BITAND:& TOKEN_IDENT:d"},
        {"a||b|=c|d", "TOKEN_IDENT:a TOKEN_LOGOR:|| TOKEN_IDENT:b TOKEN_BITOR_ASSIGN:|= "
                      "TOKEN_IDENT:c TOKEN_BITOR:| TOKEN_IDENT:d"},
        {"!a!=~b", "TOKEN_LOGNOT:! TOKEN_IDENT:a TOKEN_NE:!= TOKEN_BITNOT:~ TOKEN_IDENT:b"},
        {"a==b=c", "TOKEN_IDENT:a TOKEN_EQ:== TOKEN_IDENT:b TOKEN_ASSIGN:= TOKEN_IDENT:c"},
        {"a^=b^c", "TOKEN_IDENT:a TOKEN_BITXOR_ASSIGN:^= TOKEN_IDENT:b TOKEN_BITXOR:^ "
                   "TOKEN_IDENT:c"},
        {"*=*/=/%=%+=+++", "TOKEN_STAR_ASSIGN:*= TOKEN_STAR:* TOKEN_DIV_ASSIGN:/= TOKEN_SLASH:/ "
                           "TOKEN_MOD_ASSIGN:%= TOKEN_MOD:% TOKEN_PLUS_ASSIGN:+= "
                           "TOKEN_INCREMENT:++ TOKEN_PLUS:+"},
        {";()[]{}.?,", "TOKEN_SEMICOLON:; TOKEN_LPAREN:( TOKEN_RPAREN:) TOKEN_LBRACK:[ "
                       "TOKEN_RBRACK:] TOKEN_LCURLY:{ TOKEN_RCURLY:} TOKEN_DOT:. "
                       "TOKEN_CONDITION:? TOKEN_COMMA:,"},
        {"0XffULL 0x1fu", "TOKEN_HEXINTEGER:0XffULL TOKEN_HEXINTEGER:0x1fu"},
        {"1.", "TOKEN_INTEGER:1 TOKEN_DOT:."},
        {"0b12", "TOKEN_BININTEGER:0b1 TOKEN_INTEGER:2"},
        {"9abc", "TOKEN_INTEGER:9 TOKEN_IDENT:abc"},
        {"\"a\\\"b\" \"\"", "TOKEN_STRING:\"a\\\"b\" TOKEN_STRING:\"\""},
        // No-break space and ideographic space are space separators too; tabs and line
        // ends are not.
        {"  7 ", "TOKEN_INTEGER:7"},
        {"1\u00a0+\u30002", "TOKEN_INTEGER:1 TOKEN_PLUS:+ TOKEN_INTEGER:2"},
        {"1\t+ 2", "error: unrecognised token: \t+ 2"},
        {"a\nb", "error: unrecognised token: \nb"},
        {"\"abc", "error: unrecognised token: \"abc"},
        {"x # y", "error: unrecognised token: # y"},
        {"'c'", "error: unrecognised token: 'c'"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(tokenStream(QString::fromUtf8(c.input)), QString::fromUtf8(c.tokens));
    }
    EXPECT_EQ(Lexer::tokenName(58), "TOKEN_UNKNOWN");
    EXPECT_EQ(Lexer::tokenName(-1), "TOKEN_UNKNOWN");
}

// The lexer's short cut for blanks, names and decimal numbers must give the very tokens
// the recogniser table gives, whatever follows them.
TEST(CStyleLexerTest, ShortCutAgreesWithTheTable)
{
    class TableOnlyLexer : public CStyleLexer
    {
        int quickToken(const QChar *, int, int *, int *) const override { return 0; }
    };
    const QString alphabet = QStringLiteral("09a_$ .xXbBuUlL@+=-\"\t") + QChar(0x00A0)
                             + QChar(0x0663) + QChar(0x00E9);
    QRandomGenerator random(7);
    CStyleLexer quick;
    TableOnlyLexer table;
    for (int i = 0; i < 20000; ++i) {
        QString input;
        for (int n = random.bounded(1, 9); n > 0; --n)
            input += alphabet.at(random.bounded(alphabet.size()));
        ASSERT_EQ(tokenStream(quick, input), tokenStream(table, input)) << qPrintable(input);
    }
}

TEST(CStyleLexerTest, NumbersConvertWithPrefixRules)
{
    const struct { const char *text; qint64 value; } cases[] = {
        {"010", 8}, {"12UL", 12}, {"0b101", 5}, {"0b", 0}, {"0x", 0}, {"0x1F", 31},
        {"0XFFull", 255}, {"9223372036854775807", std::numeric_limits<qint64>::max()},
        {"0xFFFFFFFFFFFFFFFF", -1}, {"0", 0}, {"007", 7}, {"08", 0},
        {"99999999999999999999", 0},
    };
    CStyleLexer lexer;
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        lexer.setInput(QString::fromLatin1(c.text));
        EXPECT_EQ(lexer.integerValue(), c.value);
    }
    lexer.setInput(QStringLiteral("3.25"));
    EXPECT_EQ(lexer.floatValue(), 3.25);
}

namespace {

// A lexer that expands names from a table, as the debugger's macro lexers do.
class SubstitutingLexer : public CStyleLexer
{
public:
    QString substitution(const QString &identifier) override
    {
        static const QHash<QString, QString> replacements = {
            {"two", "1 + 1"}, {"self", "self"}, {"grow", "grow x"}, {"outer", "two * two"}};
        return replacements.value(identifier);
    }
};

} // namespace

TEST(LexerSubstitutionTest, ReplacementIsLexedBeforeTheRest)
{
    SubstitutingLexer lexer;
    EXPECT_EQ(tokenStream(lexer, QStringLiteral("two - 3")),
              "TOKEN_INTEGER:1 TOKEN_PLUS:+ TOKEN_INTEGER:1 TOKEN_MINUS:- TOKEN_INTEGER:3");
    EXPECT_EQ(tokenStream(lexer, QStringLiteral("outer")),
              "TOKEN_INTEGER:1 TOKEN_PLUS:+ TOKEN_INTEGER:1 TOKEN_STAR:* "
              "TOKEN_INTEGER:1 TOKEN_PLUS:+ TOKEN_INTEGER:1");
}

TEST(LexerSubstitutionTest, SelfReplacementAndRunawayNestingStop)
{
    SubstitutingLexer lexer;
    EXPECT_EQ(tokenStream(lexer, QStringLiteral("self")), "TOKEN_IDENT:self");
    // grow -> grow x nests until 100 replacements are pending; the innermost stays.
    const QString stream = tokenStream(lexer, QStringLiteral("grow"));
    EXPECT_TRUE(stream.startsWith(QStringLiteral("TOKEN_IDENT:grow TOKEN_IDENT:x")));
    EXPECT_EQ(stream.count(QStringLiteral("TOKEN_IDENT:x")), Lexer::maxSubstitutionDepth);
}

TEST(RegularExpressionLexerTokenTest, CompiledPatternsMatchLikeQRegExp)
{
    const char *const patterns[] = {"0[Xx][0-9A-Fa-f]*U?L?L?u?l?l?", "0b[0-1]*", "\\d+\\.\\d+",
                                    "\\d+U?L?L?u?l?l?", "[A-Za-z_$][A-Za-z_0-9$]*",
                                    "@[A-Za-z_0-9]*", "a+b*c?\\.", "[-x]+", "[0-9a]*a\\d?0"};
    const QString alphabet = QString::fromUtf8("0123456789xXbBuUlL.@_$aAfFgz -\u0663");
    QRandomGenerator random(42);
    for (const char *pattern : patterns) {
        SCOPED_TRACE(pattern);
        const RegularExpressionLexerToken token(3, 10, QString::fromLatin1(pattern));
        EXPECT_TRUE(token.isCompiled());
        QRegExp reference(QString::fromLatin1(pattern));
        for (int i = 0; i < 3000; ++i) {
            QString input;
            const int length = random.bounded(1, 9);
            for (int j = 0; j < length; ++j)
                input += alphabet.at(random.bounded(alphabet.size()));
            const int at = reference.indexIn(input, 0) == 0 ? reference.matchedLength() : 0;
            EXPECT_EQ(token.match(input, 0), input.left(at)) << qPrintable(input);
        }
    }
}

TEST(RegularExpressionLexerTokenTest, OtherPatternsUseQRegExpAnchored)
{
    const RegularExpressionLexerToken token(8, 10, QStringLiteral("(ab|c)+"));
    EXPECT_FALSE(token.isCompiled());
    EXPECT_EQ(token.match(QStringLiteral("xabcab"), 1), "abcab");
    EXPECT_EQ(token.match(QStringLiteral("xabcab"), 0), "");
    EXPECT_EQ(token.match(QStringLiteral("zzc"), 0), "");
}

TEST(LexerTokenTest, CategoryRunHonoursMaximumLength)
{
    const CategoryLexerToken token(2, 10, QChar::Letter_Lowercase, 3);
    const QString letters = QString::fromUtf8("a\u00e9cdE");
    EXPECT_EQ(token.match(letters, 0), QString::fromUtf8("a\u00e9c"));
    EXPECT_EQ(token.match(letters, 2), "cd");
    EXPECT_EQ(token.match(letters, 4), "");
    const StringLexerToken text(12, 10, QStringLiteral("::"));
    EXPECT_EQ(text.match(QStringLiteral("a::"), 1), "::");
    EXPECT_EQ(text.match(QStringLiteral("a:"), 1), "");
}
