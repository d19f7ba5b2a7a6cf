// Random integer expressions evaluated by us and by the C compiler as long long.
//
// The generator keeps to what both languages agree on: non-negative literals, at most
// ten operand parses (literals, unary operators and parentheses all count), no division
// by zero and no most-negative-value division by -1 (C traps), shift counts 0 to 63
// given as literals. Comparisons, ! and && || give booleans here and ints in C, and a
// boolean left operand keeps arithmetic boolean here, so a boolean never appears as the
// left operand of arithmetic or shifts, nor under - or ~; ! takes only booleans here,
// so it appears only on comparisons and logic. The C program is built with -fwrapv so
// that overflow wraps as it does here.

#include "expression/parserexception.h"
#include "expression/simpleexpressionparser.h"

#include <gtest/gtest.h>

#include <QProcess>
#include <QRandomGenerator>
#include <QStandardPaths>

#include <limits>
#include <memory>

#include "testsupport.h"

namespace {

struct Node
{
    QString op;          // empty for a literal
    bool unary = false;
    qint64 literal = 0;
    std::unique_ptr<Node> left;
    std::unique_ptr<Node> right;
};

// C's value of an operator on long long operands, wrapping as -fwrapv makes it; the
// callers keep division clear of its traps.
using CValue = qint64 (*)(qint64, qint64);

enum Group { Arithmetic, Shift, Comparison, Logical };

struct BinaryOperator
{
    const char *text;
    int precedence;
    Group group;
    CValue value;
};

const BinaryOperator binaryOperators[] = {
    {"*", 9, Arithmetic, [](qint64 a, qint64 b) { return qint64(quint64(a) * quint64(b)); }},
    {"/", 9, Arithmetic, [](qint64 a, qint64 b) { return a / b; }},
    {"%", 9, Arithmetic, [](qint64 a, qint64 b) { return a % b; }},
    {"+", 8, Arithmetic, [](qint64 a, qint64 b) { return qint64(quint64(a) + quint64(b)); }},
    {"-", 8, Arithmetic, [](qint64 a, qint64 b) { return qint64(quint64(a) - quint64(b)); }},
    {"<<", 7, Shift, [](qint64 a, qint64 b) { return qint64(quint64(a) << b); }},
    {">>", 7, Shift, [](qint64 a, qint64 b) { return a >> b; }},
    {"<", 6, Comparison, [](qint64 a, qint64 b) { return qint64(a < b); }},
    {"<=", 6, Comparison, [](qint64 a, qint64 b) { return qint64(a <= b); }},
    {">", 6, Comparison, [](qint64 a, qint64 b) { return qint64(a > b); }},
    {">=", 6, Comparison, [](qint64 a, qint64 b) { return qint64(a >= b); }},
    {"==", 5, Comparison, [](qint64 a, qint64 b) { return qint64(a == b); }},
    {"!=", 5, Comparison, [](qint64 a, qint64 b) { return qint64(a != b); }},
    {"&", 4, Arithmetic, [](qint64 a, qint64 b) { return a & b; }},
    {"^", 3, Arithmetic, [](qint64 a, qint64 b) { return a ^ b; }},
    {"|", 2, Arithmetic, [](qint64 a, qint64 b) { return a | b; }},
    {"&&", 1, Logical, [](qint64 a, qint64 b) { return qint64(a && b); }},
    {"||", 0, Logical, [](qint64 a, qint64 b) { return qint64(a || b); }},
};

const BinaryOperator *findOperator(const QString &text)
{
    for (const BinaryOperator &op : binaryOperators) {
        if (text == QLatin1String(op.text))
            return &op;
    }
    return nullptr;
}

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
            node->unary = true;
            node->left = tree(std::max(size, 2), true);
            return node;
        }
        if (size <= 1 && !wantBoolean) {
            if (m_random.bounded(6) == 0) {
                auto node = std::make_unique<Node>();
                node->op = m_random.bounded(2) ? QStringLiteral("-") : QStringLiteral("~");
                node->unary = true;
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

// The text in our syntax or in C (long long literals), with only the parentheses the
// precedences need; `operands` counts the operand parses the text costs.
QString print(const Node &node, bool forC, int *operands)
{
    if (node.op.isEmpty()) {
        ++*operands;
        return QString::number(node.literal) + (forC ? QStringLiteral("LL") : QString());
    }
    if (node.unary) {
        ++*operands;
        QString operand = print(*node.left, forC, operands);
        if (!node.left->op.isEmpty() && !node.left->unary) {
            ++*operands;
            operand = QLatin1Char('(') + operand + QLatin1Char(')');
        }
        return node.op + QLatin1Char(' ') + operand;
    }
    const int precedence = findOperator(node.op)->precedence;
    auto side = [&](const Node &child, bool right) {
        QString text = print(child, forC, operands);
        if (!child.op.isEmpty() && !child.unary) {
            const int childPrecedence = findOperator(child.op)->precedence;
            if (childPrecedence < precedence || (right && childPrecedence == precedence)) {
                ++*operands;
                text = QLatin1Char('(') + text + QLatin1Char(')');
            }
        }
        return text;
    };
    const QString left = side(*node.left, false);
    return left + QLatin1Char(' ') + node.op + QLatin1Char(' ') + side(*node.right, true);
}

// Whether evaluating the tree divides by zero or divides the most negative value by
// -1, both of which C does not define. Every operand is evaluated (no short cut), which
// only rejects a few more expressions than needed.
bool divisionTraps(const Node &node, qint64 *value)
{
    if (node.op.isEmpty()) {
        *value = node.literal;
        return false;
    }
    qint64 a = 0;
    qint64 b = 0;
    if (divisionTraps(*node.left, &a))
        return true;
    if (node.unary) {
        const QString &op = node.op;
        *value = op == QLatin1String("-") ? qint64(0 - quint64(a))
            : op == QLatin1String("~") ? ~a : qint64(a == 0);
        return false;
    }
    if (divisionTraps(*node.right, &b))
        return true;
    const bool divides = node.op == QLatin1String("/") || node.op == QLatin1String("%");
    if (divides && (b == 0 || (a == std::numeric_limits<qint64>::min() && b == -1)))
        return true;
    *value = findOperator(node.op)->value(a, b);
    return false;
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
    QStringList ours;
    QByteArray program = "#include <stdio.h>\nint main(void)\n{\n";
    while (ours.size() < 400) {
        const std::unique_ptr<Node> tree = generator.tree(1 + int(ours.size() % 7),
                                                          ours.size() % 5 == 0);
        int operands = 0;
        const QString text = print(*tree, false, &operands);
        qint64 ignored;
        if (operands > ExpressionParser::maxOperands || divisionTraps(*tree, &ignored))
            continue;
        int cOperands = 0;
        program += "    printf(\"%lld\\n\", (long long)("
            + print(*tree, true, &cOperands).toLatin1() + "));\n";
        ours.append(text);
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

    SimpleExpressionParser parser;
    for (int i = 0; i < ours.size(); ++i) {
        SCOPED_TRACE(ours.at(i).toStdString());
        try {
            ExpressionPtr expression = parser.parseExpression(ours.at(i));
            const ExpressionValue value = expression->evaluate().resolved();
            QString text = value.toText();
            if (value.isBoolean())
                text = value.data ? QStringLiteral("1") : QStringLiteral("0");
            else
                EXPECT_EQ(value.typeName(), "long long");
            EXPECT_EQ(text, QString::fromLatin1(expected.at(i)));
        } catch (const ParserException &e) {
            ADD_FAILURE() << e.what();
        }
    }
}
