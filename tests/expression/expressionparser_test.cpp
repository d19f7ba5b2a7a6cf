#include "expression/parserexception.h"
#include "expression/simpleexpressionparser.h"

#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

QString tree(const QString &text)
{
    SimpleExpressionParser parser;
    try {
        ExpressionPtr expression = parser.parseExpression(text);
        return expression ? expression->toString() : QStringLiteral("(none)");
    } catch (const ParserException &e) {
        return QStringLiteral("error: ") + e.message();
    }
}

// "VALUE : TYPENAME" or "error: MESSAGE", as the command-line tool prints them.
QString evaluate(const QString &text)
{
    SimpleExpressionParser parser;
    try {
        ExpressionPtr expression = parser.parseExpression(text);
        const ExpressionValue value = expression->evaluate().resolved();
        return value.toText() + QStringLiteral(" : ") + value.typeName();
    } catch (const ParserException &e) {
        return QStringLiteral("error: ") + e.message();
    }
}

struct Case
{
    const char *input;
    const char *expected;
};

void checkAll(QString (*function)(const QString &), const std::initializer_list<Case> &cases)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(function(QString::fromUtf8(c.input)), QString::fromUtf8(c.expected));
    }
}

} // namespace

TEST(ExpressionParserTest, OperatorsGroupByPrecedenceAndLeftToRight)
{
    checkAll(tree, {
        {"1 + 2 * 3", "PlusExpression(1, MultiplyExpression(2, 3))"},
        {"(1 + 2) * 3", "MultiplyExpression(PlusExpression(1, 2), 3)"},
        {"10 - 4 - 3", "MinusExpression(MinusExpression(10, 4), 3)"},
        {"a = b = c", "AssignExpression(AssignExpression(a, b), c)"},
        {"a || b && c | d ^ e & f == g < h << i + j",
         "LogicalOrExpression(a, LogicalAndExpression(b, BitOrExpression(c, BitXorExpression(d, "
         "BitAndExpression(e, EqExpression(f, LtExpression(g, LshiftExpression(h, "
         "PlusExpression(i, j)))))))))"},
        {"a << i + j * k", "LshiftExpression(a, PlusExpression(i, MultiplyExpression(j, k)))"},
        {"a != b >= c > d <= e >> f % g / h",
         "NeExpression(a, LeExpression(GtExpression(GeExpression(b, c), d), RshiftExpression(e, "
         "DivideExpression(ModExpression(f, g), h))))"},
        {"a += 2", "AssignExpression(a, PlusExpression(a, 2))"},
        {"a <<= b - 1", "AssignExpression(a, LshiftExpression(a, MinusExpression(b, 1)))"},
        {"x = y += 1", "AssignExpression(AssignExpression(x, y), "
                       "PlusExpression(AssignExpression(x, y), 1))"},
        {"a *= 2", "AssignExpression(a, MultiplyExpression(a, 2))"},
        {"a /= 2", "AssignExpression(a, DivideExpression(a, 2))"},
        {"a %= 2", "AssignExpression(a, ModExpression(a, 2))"},
        {"a -= 2", "AssignExpression(a, MinusExpression(a, 2))"},
        {"a >>= 2", "AssignExpression(a, RshiftExpression(a, 2))"},
        {"a &= 2", "AssignExpression(a, BitAndExpression(a, 2))"},
        {"a ^= 2", "AssignExpression(a, BitXorExpression(a, 2))"},
        {"a |= 2", "AssignExpression(a, BitOrExpression(a, 2))"},
    });
}

TEST(ExpressionParserTest, UnaryAndPostfixForms)
{
    checkAll(tree, {
        {"-x", "NegateExpression(x)"},
        {"~x", "BitNotExpression(x)"},
        {"!x", "LogicalNotExpression(x)"},
        {"+x", "x"},
        {"*p", "LeftSquareBracketExpression(p, 0)"},
        {"&x", "AddressofExpression(x)"},
        {"++x", "AssignExpression(x, PlusExpression(x, 1))"},
        {"--x", "AssignExpression(x, MinusExpression(x, 1))"},
        {"x++", "AssignExpression(x, PlusExpression(x, 1))"},
        {"x--", "AssignExpression(x, MinusExpression(x, 1))"},
        {"-x[2]", "NegateExpression(LeftSquareBracketExpression(x, 2))"},
        {"a[1:3]", "ArraySliceExpression(a, 1, 3)"},
        {"a.b->c", "DotExpression(DotExpression(a.b)->c)"},
        {"a[0]::b", "DotExpression(LeftSquareBracketExpression(a, 0)::b)"},
        {"a.*b", "PtrToMemberExpression(a.*b)"},
        {"a->*b", "PtrToMemberExpression(a->*b)"},
        {"a::b::c", "a::b::c"},
        {"::g", "::g"},
        {"@r0", "@r0"},
        {"@", "@"},
        {"f()", "CallExpression(f)"},
        {"f(a + b)", "CallExpression(f, a, b)"},
        {"f(a, b)", "CallExpression(f, a, b)"},
        {"f((a + b))", "CallExpression(f, PlusExpression(a, b))"},
        {"f(1)(2)[3]", "LeftSquareBracketExpression(CallExpression(CallExpression(f, 1), 2), 3)"},
        {"a-->b", "GtExpression(AssignExpression(a, MinusExpression(a, 1)), b)"},
    });
}

TEST(ExpressionParserTest, LiteralsAndDebuggerFunctions)
{
    checkAll(tree, {
        {"0x10 + 0b11 + 010", "PlusExpression(PlusExpression(16, 3), 8)"},
        {"2.0", "2.0"},
        {"1.25", "1.25"},
        {"\"a\\nb\"", "\"a\\nb\""},
        {"\"tab\u00e9\u20ac\"", "\"tab\\351\\u20ac\""},
        {"sizeof x", "sizeof(x)"},
        {"sizeof x + 1", "sizeof(PlusExpression(x, 1))"},
        {"sizeof(x) + 1", "PlusExpression(sizeof(x), 1)"},
        {"sizeof(unsigned long long)", "sizeof(unsigned long long)"},
        {"sizeof(char *[4])", "sizeof(char * [4])"},
        {"addressof(\"main.c\", 12)", "addressof(\"main.c\", 12)"},
        {"symbolat(0x100)", "symbolat(256)"},
        {"(int)x", "CastExpression(int, x)"},
        {"(unsigned)x", "CastExpression(unsigned int, x)"},
        {"(signed char)x", "CastExpression(char, x)"},
        {"(long int)x", "CastExpression(int, x)"},
        {"(long)x", "CastExpression(long, x)"},
        {"(long long)x", "CastExpression(long long, x)"},
        {"(unsigned long long)x", "CastExpression(unsigned long long, x)"},
        {"(const volatile short)x", "CastExpression(short, x)"},
        {"(long double)x", "CastExpression(double, x)"},
        {"(float)x", "CastExpression(float, x)"},
        {"(char **)x", "CastExpression(char **, x)"},
        {"(int[2][3])x", "CastExpression(int [2][3], x)"},
        {"(int)-x + 1", "PlusExpression(CastExpression(int, NegateExpression(x)), 1)"},
        {"(struct { int a; char b : 3; })p",
         "CastExpression(struct { int a; char b : 3; }, p)"},
        {"(register 4 { en 0 1; mode 1 3; })r",
         "CastExpression(register 4 { en 0 1; mode 1 3; }, r)"},
        {"(x)", "x"},
    });
}

TEST(ExpressionParserTest, ParseErrorsNameTheProblem)
{
    checkAll(tree, {
        {"a ? b : c", "error: operator not supported"},
        {"1, 2", "error: operator not supported"},
        {"1 >>> 2", "error: operator not supported"},
        {"a >>>= 2", "error: operator not supported"},
        {"0+1+2+3+4+5+6+7+8+9+10", "error: Expression too complicated"},
        {"-1 - -2 - -3 - -4 - -5 - 6", "error: Expression too complicated"},
        {"addressof(main.c, 12)", "error: string expected"},
        {"addressof \"a\"", "error: '(' expected"},
        {"addressof(\"a\" 12)", "error: ',' expected"},
        {"addressof(\"a\", x)", "error: int expected"},
        {"addressof(\"a\", 1", "error: ')' expected"},
        {"symbolat 1", "error: '(' expected"},
        {"sizeof(int", "error: ')' expected"},
        {"sizeof(x", "error: ')' expected"},
        {"(1 + 2", "error: ')' expected"},
        {"(int x", "error: ')' expected"},
        {"(int[x])y", "error: ']' expected"},
        {"(int[2)y", "error: ']' expected"},
        {"a[1", "error: expected ']'"},
        {"a[1:2", "error: expected ']'"},
        {")", "error: unexpected token TOKEN_RPAREN"},
        {"1 +", "error: unexpected token TOKEN_EOL"},
        {"f(a,", "error: unexpected token TOKEN_EOL"},
        {"a.", "error: identifier expected"},
        {"a::1", "error: identifier expected"},
        {"(struct)x", "error: '{' expected"},
        {"(struct s)x", "error: struct type not found"},
        {"(struct { int })x", "error: struct parse error"},
        {"(struct { int a })x", "error: ';' expected"},
        {"(struct { int a : x; })x", "error: integer must follow ':'"},
        {"(struct { float a : 2; })x", "error: struct parse error"},
        {"(struct { char a : 9; })x", "error: struct parse error"},
        {"(struct { int a; int a; })x", "error: struct parse error"},
        {"(struct { char a[4000000000]; char b[400000000]; })x", "error: struct parse error"},
        {"(int[1073741824])x", "error: array too large"},
        {"(struct { 1 })x", "error: UserType expected"},
        {"(register { })x", "error: size expected"},
        {"(register 4 a)x", "error: '{' expected"},
        {"(register 4 { 1 })x", "error: fieldname expected"},
        {"(register 4 { a b })x", "error: bitoffset expected"},
        {"(register 4 { a 1 })x", "error: bitsize expected"},
        {"(register 4 { a 1 40; })x", "error: bitsize expected"},
        {"(register 4 { a 1 2 })x", "error: ';' expected"},
        {"(const)x", "error: UserType expected"},
        {"\"abc", "error: unrecognised token: \"abc"},
    });
}

TEST(ExpressionParserTest, EmptyTextGivesNoTree)
{
    SimpleExpressionParser parser;
    int end = -1;
    EXPECT_EQ(parser.parseExpression(QString(), &end), nullptr);
    EXPECT_EQ(parser.parseExpression(QStringLiteral(""), &end), nullptr);
}

TEST(ExpressionParserTest, EndPositionIsWhereParsingStopped)
{
    SimpleExpressionParser parser;
    int end = -1;
    ASSERT_NE(parser.parseExpression(QStringLiteral("1 + 2 3"), &end), nullptr);
    EXPECT_EQ(end, 6);
    ASSERT_NE(parser.parseExpression(QStringLiteral("1 + 2  "), &end), nullptr);
    EXPECT_EQ(end, 7);
    ASSERT_NE(parser.parseExpression(QStringLiteral("x) + 1"), &end), nullptr);
    EXPECT_EQ(end, 1);
}

TEST(ExpressionParserTest, TenOperandsAreTheLimit)
{
    EXPECT_EQ(evaluate(QStringLiteral("0+1+2+3+4+5+6+7+8+9")), "45 : long long");
    // Every parenthesis counts as one operand parse.
    EXPECT_EQ(evaluate(QStringLiteral("(((((((((1)))))))))")), "1 : long long");
    EXPECT_EQ(evaluate(QStringLiteral("((((((((((1))))))))))")),
              "error: Expression too complicated");
}

TEST(ExpressionParserTest, DeepNestingFailsCleanly)
{
    const QString deep = QString(100000, QLatin1Char('(')) + QLatin1Char('1')
        + QString(100000, QLatin1Char(')'));
    EXPECT_EQ(evaluate(deep), "error: Expression too complicated");
    EXPECT_EQ(evaluate(QString(100000, QLatin1Char('-')) + QLatin1Char('1')),
              "error: Expression too complicated");
    // Postfix forms count too: every x-- copies x, so 40 of them would make 2^40 nodes.
    EXPECT_EQ(evaluate(QStringLiteral("3") + QStringLiteral("--").repeated(40)),
              "error: Expression too complicated");
    EXPECT_EQ(tree(QStringLiteral("x++++")),
              "AssignExpression(AssignExpression(x, PlusExpression(x, 1)), "
              "PlusExpression(AssignExpression(x, PlusExpression(x, 1)), 1))");
    EXPECT_EQ(evaluate(QStringLiteral("sizeof ") .repeated(50000) + QLatin1Char('x')),
              "error: Expression too complicated");
    const QString deepType = QStringLiteral("(") + QStringLiteral("struct { ").repeated(1000);
    EXPECT_EQ(tree(deepType), "error: type nested too deeply");
    EXPECT_EQ(tree(QStringLiteral("(int") + QString(100000, QLatin1Char('*')) + ")x"),
              "error: type nested too deeply");
    const QString longName(200000, QLatin1Char('n'));
    EXPECT_TRUE(evaluate(longName) == "error: " + longName + " symbol not found");
}

TEST(ExpressionParserTest, DuplicateCopiesTheTree)
{
    SimpleExpressionParser parser;
    const char *const inputs[] = {"a[1:2] + -b->c", "sizeof(int) * (char)x", "symbolat(@r1)",
                                  "addressof(\"f\", 3) & ~y.*z", "\"s\" == 2.5",
                                  "sizeof q % ::g::h"};
    for (const char *input : inputs) {
        ExpressionPtr expression = parser.parseExpression(QString::fromLatin1(input));
        EXPECT_EQ(expression->duplicate()->toString(), expression->toString()) << input;
    }
    EXPECT_EQ(tree(QStringLiteral("f(1) += 2")), "error: cannot duplicate expression");
    EXPECT_EQ(tree(QStringLiteral("f(1)++")), "error: cannot duplicate expression");
}

TEST(ExpressionEvaluationTest, IntegerArithmetic)
{
    checkAll(evaluate, {
        {"1 + 2 * 3", "7 : long long"},
        {"(1 + 2) * 3", "9 : long long"},
        {"10 - 4 - 3", "3 : long long"},
        {"1 << 4", "16 : long long"},
        {"7 / 2", "3 : long long"},
        {"-7 / 2", "-3 : long long"},
        {"-7 % 3", "-1 : long long"},
        {"7 % -3", "1 : long long"},
        {"6 & 3 | 8 ^ 1", "11 : long long"},
        {"~0", "-1 : long long"},
        {"-(-9223372036854775807 - 1) ", "-9223372036854775808 : long long"},
        {"(-9223372036854775807 - 1) / -1", "-9223372036854775808 : long long"},
        {"(-9223372036854775807 - 1) % -1", "0 : long long"},
        {"9223372036854775807 + 1", "-9223372036854775808 : long long"},
        {"3037000500 * 3037000500", "-9223372036709301616 : long long"},
        {"1 << 64", "1 : long long"},
        {"1 << 65", "2 : long long"},
        {"1 << -1", "-9223372036854775808 : long long"},
        {"-16 >> 2", "-4 : long long"},
        {"0xFFFFFFFFFFFFFFFF", "-1 : long long"},
        {"12UL + 0b101", "17 : long long"},
    });
}

TEST(ExpressionEvaluationTest, FloatingArithmetic)
{
    checkAll(evaluate, {
        {"7 / 2.0", "3.5 : double"},
        {"1.5 + 1", "2.5 : double"},
        {"0.1 + 0.2", "0.30000000000000004 : double"},
        {"1.5 * 2", "3 : double"},
        {"-1.5", "error: unsupported unary num operation"},
        {"7.5 % 2", "1.5 : double"},
        {"1.0 / 3", "0.3333333333333333 : double"},
        {"1 - 0.5", "0.5 : double"},
        {"1.5 & 1", "error: unsupported binary numeric operation"},
        {"1 | 1.5", "error: unsupported binary numeric operation"},
        {"100000000000.0 * 100000000000.0", "1e+22 : double"},
    });
}

TEST(ExpressionEvaluationTest, ComparisonsAndLogic)
{
    checkAll(evaluate, {
        {"1 == 1", "true : boolean"},
        {"1 != 1", "false : boolean"},
        {"2 < 3", "true : boolean"},
        {"3 <= 2", "false : boolean"},
        {"-1 > 0", "false : boolean"},
        {"3 >= 3", "true : boolean"},
        {"1 == 1.0", "true : boolean"},
        {"1 < 1.5", "true : boolean"},
        {"1.0 == 1.0", "error: unsupported comparison operation"},
        {"1 == \"1\"", "error: unsupported comparison operation"},
        {"\"abc\" == \"abc\"", "true : boolean"},
        {"\"abc\" < \"abd\"", "true : boolean"},
        {"\"12\" == 12", "true : boolean"},
        {"\"true\" == (1 < 2)", "true : boolean"},
        {"(1 < 2) == 1", "true : boolean"},
        {"(1 < 2) < 2", "true : boolean"},
        {"1 < 2 && 3", "true : boolean"},
        {"0 && x", "false : boolean"},
        {"1 || x", "true : boolean"},
        {"0 || 0.0", "false : boolean"},
        {"\"s\" && 1", "error: unsupported logical operation"},
        {"!(1 < 2)", "false : boolean"},
        {"!(1 > 2) && !!(2 > 1)", "true : boolean"},
        {"!1", "error: unsupported unary num operation"},
        {"!0", "error: unsupported unary num operation"},
        {"!1.5", "error: unsupported unary num operation"},
    });
}

TEST(ExpressionEvaluationTest, BooleanLeftOperandsStayBoolean)
{
    checkAll(evaluate, {
        {"(1 < 2) + 5", "true : boolean"},
        {"(1 < 2) - 1", "false : boolean"},
        {"(1 < 2) * 0", "false : boolean"},
        {"5 + (1 < 2)", "6 : long long"},
        {"(1 < 2) + 0.5", "1.5 : double"},
        {"(1 < 2) / 0", "error: divide by zero"},
        {"-(1 < 2)", "error: unsupported unary num operation"},
        {"~(1 < 2)", "error: unsupported unary num operation"},
    });
}

TEST(ExpressionEvaluationTest, EvaluationErrors)
{
    checkAll(evaluate, {
        {"7 / 0", "error: divide by zero"},
        {"7 % 0", "error: divide by zero"},
        {"7 / 0.0", "error: divide by zero"},
        {"7.0 % 0", "error: divide by zero"},
        {"1 << 1.0", "error: integer shift value expected"},
        {"1 << (1 < 2)", "error: integer shift value expected"},
        {"1.0 << 1", "error: can only shift numeric values"},
        {"\"a\" >> 1", "error: can only shift numeric values"},
        {"\"a\" + 1", "error: unsupported binary numeric operation"},
        {"1 + \"a\"", "error: unsupported binary numeric operation"},
        {"-\"a\"", "error: unsupported unary num operation"},
        {"~1.5", "error: unsupported unary num operation"},
        {"1 = 2", "error: can't update a constant"},
        {"(1 + 2) = 3", "error: can't update a constant"},
        {"1++", "error: can't update a constant"},
        {"5 += 1", "error: can't update a constant"},
        {"sizeof 1", "error: cannot determine sizeof of a constant"},
        {"sizeof(\"s\")", "error: cannot determine sizeof of a constant"},
        {"&1", "error: cannot take address of a constant"},
        {"&(1 + 2)", "error: addressof not implemented"},
        {"x", "error: x symbol not found"},
        {"a::b", "error: a::b symbol not found"},
        {"::g", "error: ::g symbol not found"},
        {"this", "error: this symbol not found"},
        {"@pc", "error: unknown register"},
        {"(int)1", "error: cannot cast"},
        {"*5", "error: cannot dereference"},
        {"5[1]", "error: cannot dereference"},
        {"5[1.5]", "error: bad index type"},
        {"\"s\"[0]", "error: bad expression type"},
        {"1.5[0]", "error: bad expression type"},
        {"5[\"a\":1]", "error: start should be an integer"},
        {"5[0:1.5]", "error: stop should be an integer"},
        {"5[0:1]", "error: cannot array slice"},
        {"\"s\"[0:1]", "error: bad expression type"},
        {"5 .x", "error: bad expression type"},
        {"(5)->x", "error: bad expression type"},
        {"(5).*x", "error: x symbol not found"},
        {"f(1)", "error: function calling not implemented"},
        {"sizeof x", "error: sizeof expression not implemented"},
        {"sizeof(int)", "error: sizeof(typename) not implemented"},
        {"&x", "error: x symbol not found"},
        {"addressof(\"main.c\", 12)", "error: addressof not implemented"},
        {"symbolat(0x1000)", "error: symbolat not implemented"},
    });
}

TEST(ExpressionEvaluationTest, StringsKeepTheirText)
{
    checkAll(evaluate, {
        {"\"hello\"", "hello : string"},
        {"\"a\\tb\"", "a\\tb : string"},
        {"\"\"", " : string"},
    });
}

TEST(ExpressionValueTest, TypeNamesBySizeAndKind)
{
    EXPECT_EQ(ExpressionValue::signedInteger(1, 1).typeName(), "char");
    ExpressionValue byte = ExpressionValue::signedInteger(1, 1);
    byte.typeFlag = ExpressionValue::byteFlag;
    EXPECT_EQ(byte.typeName(), "byte");
    EXPECT_EQ(ExpressionValue::signedInteger(1, 2).typeName(), "short");
    EXPECT_EQ(ExpressionValue::signedInteger(1, 4).typeName(), "int");
    EXPECT_EQ(ExpressionValue::signedInteger(1, 8).typeName(), "long long");
    EXPECT_EQ(ExpressionValue::signedInteger(1, 3).typeName(), "unknown");
    EXPECT_EQ(ExpressionValue::unsignedInteger(1, 1).typeName(), "unsigned char");
    EXPECT_EQ(ExpressionValue::unsignedInteger(1, 2).typeName(), "unsigned short");
    EXPECT_EQ(ExpressionValue::unsignedInteger(1, 4).typeName(), "unsigned int");
    EXPECT_EQ(ExpressionValue::unsignedInteger(1, 8).typeName(), "unsigned long long");
    EXPECT_EQ(ExpressionValue::unsignedInteger(1, 16).typeName(), "unknown");
    EXPECT_EQ(ExpressionValue::floating(1, 4).typeName(), "float");
    EXPECT_EQ(ExpressionValue::floating(1, 8).typeName(), "double");
    EXPECT_EQ(ExpressionValue::boolean(true).typeName(), "boolean");
    EXPECT_EQ(ExpressionValue::string(QString()).typeName(), "string");
    EXPECT_EQ(ExpressionValue::markerValue(nullptr).typeName(), "marker");
    ExpressionValue other;
    other.kind = ExpressionValue::Kind(9);
    EXPECT_EQ(other.typeName(), "unknown");
}

TEST(ExpressionValueTest, IntegersAreNormalisedToTheirSize)
{
    EXPECT_EQ(ExpressionValue::signedInteger(200, 1).toText(), "-56");
    EXPECT_EQ(ExpressionValue::unsignedInteger(quint64(-1), 2).toText(), "65535");
    EXPECT_EQ(ExpressionValue::signedInteger(0x80000000LL, 4).toText(), "-2147483648");
    EXPECT_EQ(ExpressionValue::floating(0.1, 4).toText(), "0.10000000149011612");
    EXPECT_EQ(ExpressionValue::floating(1e100).toText(), "1e+100");
}

namespace {

// A program with a typedef `word`, a namespace type `ns::T` and a template `vec`
// instantiated as vec<int> and map<int,vec<char*>>.
class TypedParser : public SimpleExpressionParser
{
public:
    bool isTypeName(const QString &name) override
    {
        static const QStringList names = {"word", "ns", "vec<int>", "map<int,vec<char*>>"};
        return names.contains(name);
    }
    bool isTemplateName(const QString &name) override
    {
        return name == QLatin1String("vec") || name == QLatin1String("map");
    }
    UserTypePtr typeNamed(const QString &name) override
    {
        if (name == QLatin1String("ns"))
            return nullptr;
        return std::make_shared<StructType>(name);
    }
    UserTypePtr structNamed(const QString &tag) override
    {
        return tag == QLatin1String("known") ? std::make_shared<StructType>(tag) : nullptr;
    }
};

QString typedTree(const QString &text)
{
    TypedParser parser;
    try {
        return parser.parseExpression(text)->toString();
    } catch (const ParserException &e) {
        return QStringLiteral("error: ") + e.message();
    }
}

} // namespace

TEST(ExpressionParserTest, NamedAndTemplateTypesComeFromTheDebugger)
{
    checkAll(typedTree, {
        {"(word)x", "CastExpression(struct word, x)"},
        {"(word *)x", "CastExpression(struct word *, x)"},
        {"(const word)x", "CastExpression(struct word, x)"},
        {"(ns::T)x", "CastExpression(struct ns::T, x)"},
        {"(ns)x", "error: UserType expected"},
        {"(ns::)x", "error: identifier expected"},
        {"(vec<int>)x", "CastExpression(struct vec<int>, x)"},
        {"(map<int, vec<char *>>)x", "CastExpression(struct map<int,vec<char*>>, x)"},
        {"(vec<int)x", "error: UserType expected"},
        {"sizeof(vec<int>)", "sizeof(struct vec<int>)"},
        {"(struct known)x", "CastExpression(struct known, x)"},
        {"(word)", "error: unexpected token TOKEN_EOL"},
        {"(other)x", "other"},  // a grouping; parsing stops before x
    });
}
