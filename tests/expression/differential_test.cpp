// Random integer expressions evaluated by us and by the C compiler as long long.
//
// The generator keeps to what both languages agree on: non-negative literals, at most
// ten operand parses (literals, unary operators and parentheses all count) and shift
// counts 0 to 63 given as literals. Comparisons, ! and && || give booleans here and
// ints in C, and a boolean left operand keeps arithmetic boolean here, so a boolean
// never appears as the left operand of arithmetic or shifts, nor under - or ~; ! takes
// only booleans here, so it appears only on comparisons and logic. The C program is
// built with -fwrapv so that overflow wraps as it does here, and divides through
// macros that give the most negative value divided by -1 as we do instead of trapping;
// expressions that divide by zero are left out.

#include "expression/parserexception.h"
#include "expression/simpleexpressionparser.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <memory>

#include "testsupport.h"

namespace {

// Literals and unary forms bind tighter than any binary operator.
constexpr int primary = 10;

struct Node
{
    QString op;                 // empty for a literal
    int precedence = primary;   // of a binary operator
    qint64 literal = 0;
    std::unique_ptr<Node> left;
    std::unique_ptr<Node> right;   // none for a unary form
};

enum Group { Arithmetic, Shift, Comparison, Logical };

struct BinaryOperator
{
    const char *text;
    int precedence;
    Group group;
};

const BinaryOperator binaryOperators[] = {
    {"*", 9, Arithmetic},  {"/", 9, Arithmetic},  {"%", 9, Arithmetic},  {"+", 8, Arithmetic},
    {"-", 8, Arithmetic},  {"<<", 7, Shift},      {">>", 7, Shift},      {"<", 6, Comparison},
    {"<=", 6, Comparison}, {">", 6, Comparison},  {">=", 6, Comparison}, {"==", 5, Comparison},
    {"!=", 5, Comparison}, {"&", 4, Arithmetic},  {"^", 3, Arithmetic},  {"|", 2, Arithmetic},
    {"&&", 1, Logical},    {"||", 0, Logical},
};

class Generator
{
public:
    explicit Generator(quint32 seed) : m_random(seed) {}

    std::unique_ptr<Node> literal(qint64 value)
    {
        auto node = std::make_unique<Node>();
        node->literal = value;
        return node;
    }

    std::unique_ptr<Node> randomLiteral()
    {
        switch (m_random.bounded(4)) {
        case 0: return literal(m_random.bounded(10));
        case 1: return literal(m_random.bounded(1000));
        case 2: return literal(qint64(m_random.bounded(quint32(0xFFFFFFFF))));
        default: return literal(qint64(m_random.generate64() >> 1));
        }
    }

    // A tree of `size` leaves whose value is boolean when `wantBoolean`. ! takes only
    // booleans, so it goes on comparisons and logic; - and ~ go on literals. A boolean
    // needs two leaves at least.
    std::unique_ptr<Node> tree(int size, bool wantBoolean)
    {
        if (wantBoolean && m_random.bounded(4) == 0) {
            auto node = std::make_unique<Node>();
            node->op = QStringLiteral("!");
            node->left = tree(std::max(size, 2), true);
            return node;
        }
        if (size <= 1 && !wantBoolean) {
            if (m_random.bounded(6) == 0) {
                auto node = std::make_unique<Node>();
                node->op = m_random.bounded(2) ? QStringLiteral("-") : QStringLiteral("~");
                node->left = randomLiteral();
                return node;
            }
            return randomLiteral();
        }
        size = std::max(size, 2);
        const BinaryOperator *op;
        do {
            op = &binaryOperators[m_random.bounded(int(std::size(binaryOperators)))];
        } while (wantBoolean != (op->group == Comparison
                                 || op->group == Logical));
        auto node = std::make_unique<Node>();
        node->op = QLatin1String(op->text);
        node->precedence = op->precedence;
        if (op->group == Shift) {
            node->left = tree(size - 1, false);
            node->right = literal(m_random.bounded(64));
            return node;
        }
        const int leftSize = 1 + m_random.bounded(size - 1);
        const bool leftBoolean =
            op->group != Arithmetic && m_random.bounded(3) == 0;
        node->left = tree(leftSize, leftBoolean);
        node->right = tree(size - leftSize, m_random.bounded(4) == 0);
        return node;
    }

private:
    QRandomGenerator m_random;
};

// The text in our syntax or in C (long long literals, divisions through the macros),
// with only the parentheses the precedences need; `operands` counts the operand parses
// the text costs.
QString print(const Node &node, bool forC, int *operands)
{
    auto operand = [&](const Node &child, bool parenthesise) {
        const QString text = print(child, forC, operands);
        *operands += parenthesise ? 1 : 0;
        return parenthesise ? QLatin1Char('(') + text + QLatin1Char(')') : text;
    };
    if (node.op.isEmpty() || !node.right)
        ++*operands;   // literals and unary forms are operand parses, binary operators not
    if (node.op.isEmpty())
        return QString::number(node.literal) + (forC ? QStringLiteral("LL") : QString());
    if (!node.right)
        return node.op + QLatin1Char(' ') + operand(*node.left, node.left->precedence < primary);
    const QString left = operand(*node.left, node.left->precedence < node.precedence);
    const QString right = operand(*node.right, node.right->precedence <= node.precedence);
    if (forC && (node.op == QLatin1String("/") || node.op == QLatin1String("%")))
        return (node.op == QLatin1String("/") ? "DIV(" : "MOD(") + left + ", " + right + ')';
    return left + QLatin1Char(' ') + node.op + QLatin1Char(' ') + right;
}

// Our answer as C prints it: booleans as 1 and 0, and only long long integers.
QString ourValue(ExpressionParser &parser, const QString &text)
{
    try {
        const ExpressionValue value = parser.parseExpression(text)->evaluate().resolved();
        if (value.isBoolean())
            return value.data ? QStringLiteral("1") : QStringLiteral("0");
        return value.typeName() == QLatin1String("long long") ? value.toText()
                                                             : "type " + value.typeName();
    } catch (const ParserException &e) {
        return QStringLiteral("error: ") + e.message();
    }
}

} // namespace

class DifferentialTest : public TempDirTest
{
};

TEST_F(DifferentialTest, IntegerExpressionsAgreeWithTheCCompiler)
{
    const QString compiler = QStandardPaths::findExecutable(QStringLiteral("cc"));
    if (compiler.isEmpty())
        GTEST_SKIP() << "no C compiler";

    Generator generator(20260105);
    SimpleExpressionParser parser;
    QStringList ours;
    QStringList values;
    QByteArray program = "#include <stdio.h>\n"
                         "#define DIV(a, b) ((b) == -1 ? -(a) : (a) / (b))\n"
                         "#define MOD(a, b) ((b) == -1 ? 0 : (a) % (b))\n"
                         "int main(void)\n{\n";
    while (ours.size() < 400) {
        const std::unique_ptr<Node> tree = generator.tree(1 + int(ours.size() % 7),
                                                          ours.size() % 5 == 0);
        int operands = 0;
        const QString text = print(*tree, false, &operands);
        const QString value = ourValue(parser, text);
        if (operands > ExpressionParser::maxOperands || value == "error: divide by zero")
            continue;
        program += "    printf(\"%lld\\n\", (long long)("
            + print(*tree, true, &operands).toLatin1() + "));\n";
        ours.append(text);
        values.append(value);
    }
    program += "    return 0;\n}\n";
    write("expressions.c", program);

    QProcess build;
    build.setWorkingDirectory(dir());
    build.start(compiler, {"-O0", "-fwrapv", "-w", "-o", "expressions", "expressions.c"});
    ASSERT_TRUE(build.waitForFinished(60000));
    ASSERT_EQ(build.exitCode(), 0) << build.readAllStandardError().constData();
    QProcess run;
    run.start(path("expressions"), QStringList());
    ASSERT_TRUE(run.waitForFinished(60000));
    const QList<QByteArray> expected = run.readAllStandardOutput().split('\n');
    ASSERT_GE(expected.size(), ours.size());
    for (int i = 0; i < ours.size(); ++i)
        EXPECT_EQ(values.at(i), QString::fromLatin1(expected.at(i))) << ours.at(i).toStdString();
}
