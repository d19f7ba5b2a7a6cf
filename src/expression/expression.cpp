#include "expression.h"

#include "expressionparser.h"
#include "parserexception.h"

#include <QLocale>

#include <new>

// --- Node memory

namespace {

// Under AddressSanitizer (gcc says so by a macro, clang by a feature test) every node
// goes to the heap, so that the sanitizer sees each node's lifetime.
#if defined(__SANITIZE_ADDRESS__)
#define TESSA_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TESSA_ADDRESS_SANITIZER 1
#endif
#endif
#ifdef TESSA_ADDRESS_SANITIZER
constexpr bool poolNodes = false;
#else
constexpr bool poolNodes = true;
#endif

// Node sizes are rounded up to granules; larger nodes use the heap directly. A freed
// node goes on the list of its granule count and is handed out again, so the memory a
// list holds is bounded by the most nodes of that size alive at once.
constexpr std::size_t nodeGranule = 16;
constexpr std::size_t largestPooledNode = 256;

struct FreeNode
{
    FreeNode *next;
};

thread_local FreeNode *freeNodes[largestPooledNode / nodeGranule + 1] = {};

std::size_t granules(std::size_t size)
{
    return (size + nodeGranule - 1) / nodeGranule;
}

} // namespace

void *Expression::operator new(std::size_t size)
{
    if (!poolNodes || size > largestPooledNode)
        return ::operator new(size);
    FreeNode *&head = freeNodes[granules(size)];
    if (FreeNode *node = head) {
        head = node->next;
        return node;
    }
    return ::operator new(granules(size) * nodeGranule);
}

void Expression::operator delete(void *node, std::size_t size)
{
    if (!poolNodes || size > largestPooledNode) {
        ::operator delete(node);
        return;
    }
    FreeNode *&head = freeNodes[granules(size)];
    head = new (node) FreeNode{head};
}

ExpressionPtr Expression::duplicate() const
{
    throw ParserException("cannot duplicate expression");
}

// --- Literals

ExpressionPtr ConstantExpression::duplicate() const
{
    return std::make_unique<ConstantExpression>(parser(), m_value);
}

ExpressionPtr IntegerConstantExpression::duplicate() const
{
    return std::make_unique<IntegerConstantExpression>(parser(), value().toSigned());
}

// Always readable as a floating literal again: 2.0 rather than 2.
QString FloatConstantExpression::toString() const
{
    QString text = QString::number(value().toDouble(), 'g', QLocale::FloatingPointShortest);
    bool plain = true;
    for (const QChar c : text) {
        if (!c.isDigit() && c != QLatin1Char('-'))
            plain = false;
    }
    return plain ? text + QStringLiteral(".0") : text;
}

ExpressionPtr FloatConstantExpression::duplicate() const
{
    return std::make_unique<FloatConstantExpression>(parser(), value().toDouble());
}

// Control characters and the rest of Latin-1 as \ooo, other non-ASCII characters as
// \uXXXX; everything else, backslashes included, as written.
QString StringConstantExpression::toString() const
{
    QString text = QStringLiteral("\"");
    for (const QChar c : value().text) {
        const ushort u = c.unicode();
        if (u < 0x20 || (u >= 0x7f && u <= 0xff))
            text += QString::asprintf("\\%03o", u);
        else if (u > 0xff)
            text += QString::asprintf("\\u%04x", u);
        else
            text += c;
    }
    return text + QLatin1Char('"');
}

ExpressionPtr StringConstantExpression::duplicate() const
{
    return std::make_unique<StringConstantExpression>(parser(), value().text);
}

// --- Names

ExpressionValue IdentifierExpression::evaluate()
{
    if (m_name == QLatin1String("this"))
        return parser()->thisObject();
    return parser()->lookupName(m_name);
}

ExpressionPtr IdentifierExpression::duplicate() const
{
    return std::make_unique<IdentifierExpression>(parser(), m_name);
}

ExpressionValue ScopedIdentifierExpression::evaluate()
{
    return parser()->lookupScopedName(m_parts);
}

ExpressionPtr ScopedIdentifierExpression::duplicate() const
{
    return std::make_unique<ScopedIdentifierExpression>(parser(), m_parts);
}

ExpressionValue RegisterExpression::evaluate()
{
    return parser()->lookupRegister(m_name);
}

ExpressionPtr RegisterExpression::duplicate() const
{
    return std::make_unique<RegisterExpression>(parser(), m_name);
}
