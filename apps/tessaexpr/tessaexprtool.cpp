#include "tessaexprtool.h"

#include "expression/parserexception.h"
#include "expression/simpleexpressionparser.h"
#include "expression/simulateddebugger.h"
#include "qtx/hexception.h"

#include <QFile>

#include <memory>

namespace {

// Results are collected and written in blocks of about this size.
constexpr int outputBlockSize = 1 << 16;

// Appends the text in UTF-8. Values and type names are nearly always ASCII, which goes
// straight into the buffer without a QByteArray of its own per piece.
void appendUtf8(QByteArray *out, const QString &text)
{
    const QChar *chars = text.constData();
    const int size = text.size();
    for (int i = 0; i < size; ++i) {
        if (chars[i].unicode() >= 0x80) {
            out->append(text.toUtf8());
            return;
        }
    }
    const int start = out->size();
    out->resize(start + size);
    char *bytes = out->data() + start;
    for (int i = 0; i < size; ++i)
        bytes[i] = char(chars[i].unicode());
}

void appendError(QByteArray *out, const QString &message)
{
    *out += "error: ";
    appendUtf8(out, message);
    *out += '\n';
}

} // namespace

TessaExprArgParse::TessaExprArgParse()
    : ToolArgParse(QStringLiteral("tessaexpr"), QStringLiteral("[option] EXPR..."),
                   QStringLiteral(
                       "Each expression prints one line, VALUE : TYPENAME or error: MESSAGE,\n"
                       "and the exit status is 1 when any failed. The expression - reads\n"
                       "expressions from standard input, one per line, answering each as it\n"
                       "arrives."))
{
    addValue(QStringLiteral("-target"), QStringLiteral("FILE"), &targetFile,
             QStringLiteral("Evaluate against the simulated target described in FILE"));
    addHandler(QStringLiteral("-e"), QStringLiteral("EXPR"),
               [this](const QString &, const QString &value) { positional.append(value); },
               QStringLiteral("Evaluate EXPR, even when it starts with - or @"));
}

TessaExprTool::TessaExprTool() = default;
TessaExprTool::~TessaExprTool() = default;

bool TessaExprTool::evaluateLine(ExpressionParser &parser, const QString &text,
                                 QByteArray *out)
{
    try {
        int end = 0;
        ExpressionPtr expression = parser.parseExpression(text, &end);
        if (!expression) {
            appendError(out, QStringLiteral("empty expression"));
            return false;
        }
        if (end < text.size()) {
            appendError(out, "unexpected text '" + text.mid(end) + '\'');
            return false;
        }
        const ExpressionValue value = expression->evaluate().resolved();
        value.appendText(out);
        *out += " : ";
        appendUtf8(out, value.typeName());
        *out += '\n';
        return true;
    } catch (const ParserException &e) {
        appendError(out, e.message());
    } catch (const HException &e) {
        appendError(out, e.message());
    }
    return false;
}

void TessaExprTool::evaluate(ExpressionParser &parser, const QString &text)
{
    if (!evaluateLine(parser, text, &m_buffer))
        m_failed = true;
    if (m_buffer.size() >= outputBlockSize)
        flush();
}

void TessaExprTool::flush()
{
    QTx::writeStandardOutput(m_buffer);
    m_buffer.clear();
}

// One expression per line, answered as it arrives, so that the tool also serves
// interactively; blank lines are skipped.
void TessaExprTool::evaluateStandardInput(ExpressionParser &parser, FILE *in)
{
    QFile input;
    if (!input.open(in, QIODevice::ReadOnly))
        throw HException("cannot read standard input");
    for (;;) {
        QByteArray line = input.readLine();
        if (line.isEmpty())
            break;  // end of input: every line read holds at least its line end
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        if (line.isEmpty())
            continue;
        evaluate(parser, QString::fromUtf8(line));
        flush();
        std::fflush(stdout);
    }
}

int TessaExprTool::run(const QStringList &arguments, FILE *in)
{
    TessaExprArgParse options;
    if (const auto status = options.parseCommandLine(arguments))
        return *status;
    std::unique_ptr<ExpressionParser> parser;
    if (options.targetFile.isEmpty()) {
        parser = std::make_unique<SimpleExpressionParser>();
    } else {
        auto debugger = std::make_unique<SimulatedDebugExpressionParser>();
        debugger->loadDescription(options.targetFile);
        parser = std::move(debugger);
    }
    m_buffer.reserve(outputBlockSize + 4096);
    for (const QString &text : std::as_const(options.positional)) {
        if (text == QLatin1String("-"))
            evaluateStandardInput(*parser, in);
        else
            evaluate(*parser, text);
    }
    flush();
    return m_failed ? 1 : 0;
}
