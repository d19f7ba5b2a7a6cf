#include "operatorexpressions.h"

#include "expressionparser.h"
#include "parserexception.h"

#include <cmath>
#include <limits>

using Kind = ExpressionValue::Kind;

namespace {

enum class Arithmetic { Add, Subtract, Multiply, Divide, Modulo, And, Xor, Or };
enum class Comparison { Lt, Le, Gt, Ge, Eq, Ne };

[[noreturn]] void fail(const char *message)
{
    throw ParserException(message);
}

// Integer arithmetic on the 64-bit data of the left operand's kind. Additions and
// products wrap (they are done on unsigned bits); the most negative value divided by
// -1 gives itself and leaves remainder 0, as two's complement wrapping would.
quint64 integerArithmetic(Arithmetic op, const ExpressionValue &left, quint64 b)
{
    const quint64 a = left.data;
    const bool isSigned = left.kind != Kind::Unsigned;
    switch (op) {
    case Arithmetic::Add: return a + b;
    case Arithmetic::Subtract: return a - b;
    case Arithmetic::Multiply: return a * b;
    case Arithmetic::And: return a & b;
    case Arithmetic::Xor: return a ^ b;
    case Arithmetic::Or: return a | b;
    case Arithmetic::Divide:
    case Arithmetic::Modulo:
        break;
    }
    if (b == 0)
        fail("divide by zero");
    if (!isSigned)
        return op == Arithmetic::Divide ? a / b : a % b;
    const qint64 x = qint64(a);
    const qint64 y = qint64(b);
    if (x == std::numeric_limits<qint64>::min() && y == -1)
        return op == Arithmetic::Divide ? a : 0;
    return quint64(op == Arithmetic::Divide ? x / y : x % y);
}

double floatArithmetic(Arithmetic op, double a, double b)
{
    switch (op) {
    case Arithmetic::Add: return a + b;
    case Arithmetic::Subtract: return a - b;
    case Arithmetic::Multiply: return a * b;
    case Arithmetic::Divide:
        if (b == 0)
            fail("divide by zero");
        return a / b;
    case Arithmetic::Modulo:
        if (b == 0)
            fail("divide by zero");
        return std::fmod(a, b);
    default:
        fail("unsupported binary numeric operation");
    }
}

// The left operand's kind selects the operation: integers (and booleans) stay integers
// of the left kind and size unless the right operand is floating, in which case the
// left converts and the result is floating of the left size.
// The result is made in place of the left operand, which is taken over.
ExpressionValue arithmetic(Arithmetic op, ExpressionValue left, const ExpressionValue &right)
{
    if (left.isString() || left.isMarker() || right.isString())
        fail("unsupported binary numeric operation");
    if (left.isFloat() || right.isFloat()) {
        return ExpressionValue::floating(
            floatArithmetic(op, left.toDouble(), right.toDouble()), left.size);
    }
    const quint64 result = integerArithmetic(op, left, right.data);
    if (left.isBoolean())
        return ExpressionValue::boolean(result != 0);
    left.data = result;
    left.normalise();
    return left;
}

ExpressionValue arithmetic(Arithmetic op, BinaryExpression &node)
{
    ExpressionValue left = node.left().evaluate().resolved();
    return arithmetic(op, std::move(left), node.right().evaluate().resolved());
}

template <class T>
bool compareValues(Comparison op, T a, T b)
{
    switch (op) {
    case Comparison::Lt: return a < b;
    case Comparison::Le: return a <= b;
    case Comparison::Gt: return a > b;
    case Comparison::Ge: return a >= b;
    case Comparison::Eq: return a == b;
    case Comparison::Ne: return a != b;
    }
    return false;
}

// Integers and booleans on the left compare as integers of their kind (as doubles
// against a floating right operand); strings compare as text with the right operand
// in its text form.
ExpressionValue comparison(Comparison op, BinaryExpression &node)
{
    const ExpressionValue left = node.left().evaluate().resolved();
    const ExpressionValue right = node.right().evaluate().resolved();
    if (left.isString())
        return ExpressionValue::boolean(compareValues(op, left.text.compare(right.toText()), 0));
    if (!left.isInteger() && !left.isBoolean())
        fail("unsupported comparison operation");
    if (right.isString())
        fail("unsupported comparison operation");
    if (right.isFloat())
        return ExpressionValue::boolean(compareValues(op, left.toDouble(), right.toDouble()));
    if (left.kind == Kind::Unsigned)
        return ExpressionValue::boolean(compareValues(op, left.data, right.data));
    return ExpressionValue::boolean(compareValues(op, qint64(left.data), qint64(right.data)));
}

ExpressionValue shift(bool toLeft, BinaryExpression &node)
{
    const ExpressionValue left = node.left().evaluate().resolved();
    const ExpressionValue right = node.right().evaluate().resolved();
    if (right.kind != Kind::Signed)
        fail("integer shift value expected");
    if (!left.isInteger())
        fail("can only shift numeric values");
    const unsigned count = unsigned(right.data & 63);
    ExpressionValue value = left;
    if (toLeft)
        value.data = left.data << count;
    else if (left.kind == Kind::Signed)
        value.data = quint64(qint64(left.data) >> count);  // arithmetic: data is sign-extended
    else
        value.data = left.data >> count;
    value.normalise();
    return value;
}

bool truthOf(const ExpressionValue &value)
{
    if (value.isBoolean() || value.isInteger())
        return value.data != 0;
    if (value.isFloat())
        return value.toDouble() != 0;
    fail("unsupported logical operation");
}

} // namespace

// --- Unary operators

// Each unary operator takes only the kinds it is defined on: - integers of either
// kind, ~ integers, ! booleans (C's !x on a number is written x == 0 here).

// -x negates within x's kind and size, wrapping like the binary operators.
ExpressionValue NegateExpression::evaluate()
{
    ExpressionValue value = operand().evaluate().resolved();
    if (!value.isInteger())
        fail("unsupported unary num operation");
    value.data = 0 - value.data;
    value.normalise();
    return value;
}

ExpressionValue BitNotExpression::evaluate()
{
    ExpressionValue value = operand().evaluate().resolved();
    if (!value.isInteger())
        fail("unsupported unary num operation");
    value.data = ~value.data;
    value.normalise();
    return value;
}

ExpressionValue LogicalNotExpression::evaluate()
{
    const ExpressionValue value = operand().evaluate().resolved();
    if (!value.isBoolean())
        fail("unsupported unary num operation");
    return ExpressionValue::boolean(value.data == 0);
}

ExpressionValue AddressofExpression::evaluate()
{
    if (operand().isConstant())
        fail("cannot take address of a constant");
    return parser()->addressOf(operand().evaluate());
}

// --- Arithmetic

ExpressionValue MultiplyExpression::evaluate()
{
    return arithmetic(Arithmetic::Multiply, *this);
}

ExpressionValue DivideExpression::evaluate()
{
    return arithmetic(Arithmetic::Divide, *this);
}

ExpressionValue ModExpression::evaluate()
{
    return arithmetic(Arithmetic::Modulo, *this);
}

// A pointer or array on the left steps over elements, which only the debugger knows.
ExpressionValue PlusExpression::evaluate()
{
    ExpressionValue a = left().evaluate();
    if (a.isMarker() && (parser()->isPointer(a) || parser()->isArray(a))) {
        const ExpressionValue b = right().evaluate().resolved();
        if (b.isInteger())
            return parser()->pointerAdd(a, b);
        return arithmetic(Arithmetic::Add, std::move(a).resolved(), b);
    }
    ExpressionValue resolvedLeft = std::move(a).resolved();
    return arithmetic(Arithmetic::Add, std::move(resolvedLeft), right().evaluate().resolved());
}

ExpressionValue MinusExpression::evaluate()
{
    return arithmetic(Arithmetic::Subtract, *this);
}

ExpressionValue BitAndExpression::evaluate()
{
    return arithmetic(Arithmetic::And, *this);
}

ExpressionValue BitXorExpression::evaluate()
{
    return arithmetic(Arithmetic::Xor, *this);
}

ExpressionValue BitOrExpression::evaluate()
{
    return arithmetic(Arithmetic::Or, *this);
}

ExpressionValue LshiftExpression::evaluate()
{
    return shift(true, *this);
}

ExpressionValue RshiftExpression::evaluate()
{
    return shift(false, *this);
}

// --- Comparisons and logic

ExpressionValue LtExpression::evaluate()
{
    return comparison(Comparison::Lt, *this);
}

ExpressionValue LeExpression::evaluate()
{
    return comparison(Comparison::Le, *this);
}

ExpressionValue GtExpression::evaluate()
{
    return comparison(Comparison::Gt, *this);
}

ExpressionValue GeExpression::evaluate()
{
    return comparison(Comparison::Ge, *this);
}

ExpressionValue EqExpression::evaluate()
{
    return comparison(Comparison::Eq, *this);
}

ExpressionValue NeExpression::evaluate()
{
    return comparison(Comparison::Ne, *this);
}

// && and || evaluate their right operand only when it decides, as in C, so that
// p && *p is safe.
ExpressionValue LogicalAndExpression::evaluate()
{
    if (!truthOf(left().evaluate().resolved()))
        return ExpressionValue::boolean(false);
    return ExpressionValue::boolean(truthOf(right().evaluate().resolved()));
}

ExpressionValue LogicalOrExpression::evaluate()
{
    if (truthOf(left().evaluate().resolved()))
        return ExpressionValue::boolean(true);
    return ExpressionValue::boolean(truthOf(right().evaluate().resolved()));
}

// --- Assignment

// The result is the assigned-to marker itself, so that (a = b) = c assigns to a again
// and the value shown is what the target now holds.
ExpressionValue AssignExpression::evaluate()
{
    const ExpressionValue target = left().evaluate();
    if (!target.isMarker())
        fail("can't update a constant");
    target.marker->assign(right().evaluate().resolved());
    return target;
}
