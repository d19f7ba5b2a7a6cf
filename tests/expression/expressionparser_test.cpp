#include "expression/parserexception.h"
#include "expression/simpleexpressionparser.h"

#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

// The tree as toString() prints it, or "error: MESSAGE".
QString treeWith(ExpressionParser &parser, const QString &text)
{
    try {
        ExpressionPtr expression = parser.parseExpression(text);
        return expression ? expression->toString() : QStringLiteral("(none)");
    } catch (const ParserException &e) {
        return QStringLiteral("error: ") + e.message();
    }
}

QString tree(const QString &text)
{
    SimpleExpressionParser parser;
    return treeWith(parser, text);
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

template <class Function>
void checkAll(Function function, const std::initializer_list<Case> &cases)
{
    for (const Case &c : cases) {
        SCOPED_TRACE(c.input);
        EXPECT_EQ(function(QString::fromUtf8(c.input)), QString::fromUtf8(c.expected));
    }
}

// Inputs grouped by the message they must fail with.
struct Failure
{
    const char *message;
    std::initializer_list<const char *> inputs;
};

template <class Function>
void checkFailures(Function function, const std::initializer_list<Failure> &failures)
{
    for (const Failure &failure : failures) {
        for (const char *input : failure.inputs) {
            SCOPED_TRACE(input);
            EXPECT_EQ(function(QString::fromUtf8(input)),
                      QStringLiteral("error: ") + QString::fromUtf8(failure.message));
        }
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
        {"-x", "NegateExpression(x)"}, {"~x", "BitNotExpression(x)"},
        {"!x", "LogicalNotExpression(x)"}, {"+x", "x"},
        {"*p", "LeftSquareBracketExpression(p, 0)"}, {"&x", "AddressofExpression(x)"},
        {"++x", "AssignExpression(x, PlusExpression(x, 1))"},
        {"--x", "AssignExpression(x, MinusExpression(x, 1))"},
        {"x++", "AssignExpression(x, PlusExpression(x, 1))"},
        {"x--", "AssignExpression(x, MinusExpression(x, 1))"},
        {"-x[2]", "NegateExpression(LeftSquareBracketExpression(x, 2))"},
        {"a[1:3]", "ArraySliceExpression(a, 1, 3)"},
        {"a.b->c", "DotExpression(DotExpression(a.b)->c)"},
        {"a[0]::b", "DotExpression(LeftSquareBracketExpression(a, 0)::b)"},
        {"a.*b", "PtrToMemberExpression(a.*b)"}, {"a->*b", "PtrToMemberExpression(a->*b)"},
        {"a::b::c", "a::b::c"}, {"::g", "::g"},
        {"@r0", "@r0"}, {"@", "@"},
        {"f()", "CallExpression(f)"}, {"f(a + b)", "CallExpression(f, a, b)"},
        {"f(a, b)", "CallExpression(f, a, b)"},
        {"f((a + b))", "CallExpression(f, PlusExpression(a, b))"},
        {"f(1)(2)[3]", "LeftSquareBracketExpression(CallExpression(CallExpression(f, 1), 2), 3)"},
        {"a-->b", "GtExpression(AssignExpression(a, MinusExpression(a, 1)), b)"},
    });
}

TEST(ExpressionParserTest, LiteralsAndDebuggerFunctions)
{
    checkAll(tree, {
        {"0x10 + 0b11 + 010", "PlusExpression(PlusExpression(16, 3), 8)"}, {"2.0", "2.0"},
        {"1.25", "1.25"}, {"\"a\\nb\"", "\"a\\nb\""},
        {"\"tab\u00e9\u20ac\"", "\"tab\\351\\u20ac\""}, {"sizeof x", "sizeof(x)"},
        {"sizeof x + 1", "sizeof(PlusExpression(x, 1))"},
        {"sizeof(x) + 1", "PlusExpression(sizeof(x), 1)"},
        {"sizeof(unsigned long long)", "sizeof(unsigned long long)"},
        {"sizeof(char *[4])", "sizeof(char * [4])"},
        {"addressof(\"main.c\", 12)", "addressof(\"main.c\", 12)"},
        {"symbolat(0x100)", "symbolat(256)"}, {"(int)x", "CastExpression(int, x)"},
        {"(unsigned)x", "CastExpression(unsigned int, x)"},
        {"(signed char)x", "CastExpression(char, x)"}, {"(long int)x", "CastExpression(int, x)"},
        {"(long)x", "CastExpression(long, x)"}, {"(long long)x", "CastExpression(long long, x)"},
        {"(const volatile short)x", "CastExpression(short, x)"},
        {"(long double)x", "CastExpression(double, x)"}, {"(float)x", "CastExpression(float, x)"},
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
    checkFailures(tree, {
        {"operator not supported", {"a ? b : c", "1, 2", "1 >>> 2", "a >>>= 2"}},
        {"Expression too complicated",
         {"0+1+2+3+4+5+6+7+8+9+10", "-1 - -2 - -3 - -4 - -5 - 6"}},
        {"string expected", {"addressof(main.c, 12)"}},
        {"'(' expected", {"addressof \"a\"", "symbolat 1"}},
        {"',' expected", {"addressof(\"a\" 12)"}},
        {"int expected", {"addressof(\"a\", x)"}},
        {"')' expected", {"addressof(\"a\", 1", "sizeof(int", "sizeof(x", "(1 + 2", "(int x"}},
        {"']' expected", {"(int[x])y", "(int[2)y"}},
        {"expected ']'", {"a[1", "a[1:2"}},
        {"unexpected token TOKEN_RPAREN", {")"}},
        {"unexpected token TOKEN_EOL", {"1 +", "f(a,"}},
        {"identifier expected", {"a.", "a::1"}},
        {"'{' expected", {"(struct)x", "(register 4 a)x"}},
        {"struct type not found", {"(struct s)x"}},
        {"struct parse error",
         {"(struct { int })x", "(struct { float a : 2; })x", "(struct { char a : 9; })x",
          "(struct { int a; int a; })x", "(struct { char a[4000000000]; char b[400000000]; })x"}},
        {"';' expected", {"(struct { int a })x", "(register 4 { a 1 2 })x"}},
        {"integer must follow ':'", {"(struct { int a : x; })x"}},
        {"array too large", {"(int[1073741824])x"}},
        {"UserType expected", {"(struct { 1 })x", "(const)x"}},
        {"size expected", {"(register { })x", "(register 3 { })x"}},
        {"fieldname expected", {"(register 4 { 1 })x"}},
        {"bitoffset expected", {"(register 4 { a b })x", "(register 1 { a 8 1; })x"}},
        {"bitsize expected", {"(register 4 { a 1 })x", "(register 4 { a 1 40; })x"}},
        {"unrecognised token: \"abc", {"\"abc"}},
    });
}

TEST(ExpressionParserTest, EndPositionIsWhereParsingStopped)
{
    SimpleExpressionParser parser;
    int end = -1;
    EXPECT_EQ(parser.parseExpression(QString(), &end), nullptr);
    const struct { const char *text; int end; } cases[] = {
        {"1 + 2 3", 6}, {"1 + 2  ", 7}, {"x) + 1", 1}, {"  4", 3}};
    for (const auto &c : cases) {
        ASSERT_NE(parser.parseExpression(QString::fromLatin1(c.text), &end), nullptr);
        EXPECT_EQ(end, c.end) << c.text;
    }
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

// Grouping once more by value, and what the comparison with the C compiler cannot
// reach: shift counts beyond 63, the most negative value, literal forms.
TEST(ExpressionEvaluationTest, IntegerArithmetic)
{
    checkAll(evaluate, {
        {"1 + 2 * 3", "7 : long long"}, {"(1 + 2) * 3", "9 : long long"},
        {"10 - 4 - 3", "3 : long long"}, {"1 << 4", "16 : long long"},
        {"7 / 2", "3 : long long"},
        {"-(-9223372036854775807 - 1) ", "-9223372036854775808 : long long"},
        {"(-9223372036854775807 - 1) / -1", "-9223372036854775808 : long long"},
        {"(-9223372036854775807 - 1) % -1", "0 : long long"}, {"1 << 64", "1 : long long"},
        {"1 << 65", "2 : long long"}, {"1 << -1", "-9223372036854775808 : long long"},
        {"0xFFFFFFFFFFFFFFFF", "-1 : long long"}, {"12UL + 0b101", "17 : long long"},
    });
}

TEST(ExpressionEvaluationTest, FloatingArithmetic)
{
    checkAll(evaluate, {
        {"7 / 2.0", "3.5 : double"}, {"0.1 + 0.2", "0.30000000000000004 : double"},
        {"1.5 * 2", "3 : double"}, {"7.5 % 2", "1.5 : double"},
        {"1 - 0.5", "0.5 : double"}, {"100000000000.0 * 100000000000.0", "1e+22 : double"},
    });
}

// Comparisons of integers are compared with the C compiler; here are the other kinds.
TEST(ExpressionEvaluationTest, ComparisonsAndLogic)
{
    checkAll(evaluate, {
        {"1 == 1", "true : boolean"}, {"1 == 1.0", "true : boolean"},
        {"1 < 1.5", "true : boolean"}, {"\"abc\" == \"abc\"", "true : boolean"},
        {"\"abc\" < \"abd\"", "true : boolean"}, {"\"12\" == 12", "true : boolean"},
        {"\"true\" == (1 < 2)", "true : boolean"}, {"(1 < 2) == 1", "true : boolean"},
        {"(1 < 2) < 2", "true : boolean"}, {"1 < 2 && 3", "true : boolean"},
        {"0 && x", "false : boolean"}, {"1 || x", "true : boolean"},
        {"0 || 0.0", "false : boolean"},
    });
}

// - negates integers within their kind and size, ~ complements them, ! negates
// booleans; every other kind fails.
TEST(ExpressionEvaluationTest, UnaryOperatorsTakeOnlyTheirKinds)
{
    checkAll(evaluate, {
        {"-5", "-5 : long long"}, {"~0", "-1 : long long"},
        {"!(1 > 2)", "true : boolean"}, {"!!(1 < 2) && !(\"a\" == \"b\")", "true : boolean"},
    });
    checkFailures(evaluate, {{"unsupported unary num operation",
                              {"-1.5", "-(1 < 2)", "-\"a\"", "~1.5", "~(1 < 2)", "~\"a\"", "!1",
                               "!0", "!1.5", "!\"\""}}});
}

TEST(ExpressionEvaluationTest, BooleanLeftOperandsStayBoolean)
{
    checkAll(evaluate, {
        {"(1 < 2) + 5", "true : boolean"}, {"(1 < 2) - 1", "false : boolean"},
        {"(1 < 2) * 0", "false : boolean"}, {"5 + (1 < 2)", "6 : long long"},
        {"(1 < 2) + 0.5", "1.5 : double"},
    });
}

// Without a debugger every question about the program fails with the base answer.
TEST(ExpressionEvaluationTest, EvaluationErrorsNameTheOperation)
{
    checkFailures(evaluate, {
        {"divide by zero", {"7 / 0", "7 % 0", "7 / 0.0", "7.0 % 0", "(1 < 2) / 0"}},
        {"integer shift value expected", {"1 << 1.0", "1 << (1 < 2)"}},
        {"can only shift numeric values", {"1.0 << 1", "\"a\" >> 1"}},
        {"unsupported binary numeric operation", {"\"a\" + 1", "1 + \"a\"", "1.5 & 1", "1 | 1.5"}},
        {"unsupported comparison operation", {"1.0 == 1.0", "1 == \"1\""}},
        {"unsupported logical operation", {"\"s\" && 1"}},
        {"can't update a constant", {"1 = 2", "(1 + 2) = 3", "1++", "5 += 1"}},
        {"cannot determine sizeof of a constant", {"sizeof 1", "sizeof(\"s\")"}},
        {"cannot take address of a constant", {"&1"}},
        {"addressof not implemented", {"&(1 + 2)", "addressof(\"main.c\", 12)"}},
        {"x symbol not found", {"x", "(5).*x", "&x"}},
        {"a::b symbol not found", {"a::b"}},
        {"::g symbol not found", {"::g"}},
        {"this symbol not found", {"this"}},
        {"unknown register", {"@pc"}},
        {"cannot cast", {"(int)1"}},
        {"cannot dereference", {"*5", "5[1]"}},
        {"bad index type", {"5[1.5]"}},
        {"bad expression type", {"\"s\"[0]", "1.5[0]", "\"s\"[0:1]", "5 .x", "(5)->x"}},
        {"start should be an integer", {"5[\"a\":1]"}},
        {"stop should be an integer", {"5[0:1.5]"}},
        {"cannot array slice", {"5[0:1]"}},
        {"function calling not implemented", {"f(1)"}},
        {"sizeof expression not implemented", {"sizeof x"}},
        {"sizeof(typename) not implemented", {"sizeof(int)"}},
        {"symbolat not implemented", {"symbolat(0x1000)"}},
    });
}

TEST(ExpressionEvaluationTest, StringsKeepTheirText)
{
    checkAll(evaluate, {{"\"hello\"", "hello : string"}, {"\"a\\tb\"", "a\\tb : string"},
                        {"\"\"", " : string"}});
}

// Every name a value can show is met by the evaluation tests; what is left are the
// kinds and sizes that have none.
TEST(ExpressionValueTest, UnlistedKindsAndSizesAreUnknown)
{
    EXPECT_EQ(ExpressionValue::signedInteger(1, 3).typeName(), "unknown");
    EXPECT_EQ(ExpressionValue::unsignedInteger(1, 16).typeName(), "unknown");
    EXPECT_EQ(ExpressionValue::markerValue(nullptr).typeName(), "marker");
    ExpressionValue other;
    other.kind = ExpressionValue::Kind(9);
    EXPECT_EQ(other.typeName(), "unknown");
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
    return treeWith(parser, text);
}

} // namespace

TEST(ExpressionParserTest, NamedAndTemplateTypesComeFromTheDebugger)
{
    checkAll(typedTree, {
        {"(word)x", "CastExpression(struct word, x)"},
        {"(word *)x", "CastExpression(struct word *, x)"},
        {"(const word)x", "CastExpression(struct word, x)"},
        {"(ns::T)x", "CastExpression(struct ns::T, x)"}, {"(ns)x", "error: UserType expected"},
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
