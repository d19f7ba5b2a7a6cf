// Parses, prints, copies and evaluates arbitrary text, once without a target and once
// against a small simulated target, so that memory, register and type paths are
// reached too. Any failure must be a ParserException.

#include "expression/parserexception.h"
#include "expression/simpleexpressionparser.h"
#include "expression/simulateddebugger.h"

#include <cstddef>
#include <cstdint>

namespace {

const char *const target = R"(
memory 0x0 0xff
memory 0x100 0x1ff readonly
struct s { int a; short b : 3; char c[4]; }
variable x 0x0 int
variable f 0x4 float
variable arr 0x8 short[4]
variable p 0x10 int *
variable st 0x20 struct s
variable str 0x40 string
text 0x40 "abc"
register pc 0x100
register ctrl 0x5 register 4 { a 0 1; b 1 3; }
)";

void exercise(ExpressionParser &parser, const QString &text)
{
    try {
        int end = 0;
        ExpressionPtr expression = parser.parseExpression(text, &end);
        if (!expression)
            return;
        expression->toString();
        try {
            expression->duplicate()->toString();
        } catch (const ParserException &) {
        }
        const ExpressionValue value = expression->evaluate().resolved();
        value.toText();
        value.typeName();
    } catch (const ParserException &) {
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    static SimpleExpressionParser simple;
    exercise(simple, text);
    static SimulatedDebugExpressionParser *debugger = [] {
        auto *parser = new SimulatedDebugExpressionParser;
        parser->loadDescriptionText(QString::fromLatin1(target), "fuzz", QString());
        return parser;
    }();
    exercise(*debugger, text);
    return 0;
}
