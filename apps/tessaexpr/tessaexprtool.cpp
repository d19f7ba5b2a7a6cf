#include "tessaexprtool.h"

#include "expression/parserexception.h"
#include "expression/simpleexpressionparser.h"
#include "expression/simulateddebugger.h"
#include "qtx/diagnosticsink.h"
#include "qtx/hexception.h"
#include "qtx/version.h"

#include <QFile>

#include <memory>

namespace {

constexpr const char *usage =
    "\n"
    "Usage: tessaexpr [option] [EXPR]...\n"
    "\n"
    "  -target FILE           Evaluate against the simulated target described in FILE\n"
    "  -e EXPR                Evaluate EXPR, even when it starts with - or @\n"
    "  -help                  Print options help\n"
    "\n"
    "Each expression prints one line, VALUE : TYPENAME or error: MESSAGE. Without\n"
    "expressions, one expression per line is read from standard input.\n"
    "\n";

void writeLine(FILE *out, const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), out);
}

} // namespace

TessaExprArgParse::TessaExprArgParse(DiagnosticSink *sink) : ArgParse(sink)
{
    addOption("-target", Kind::NextArgument, &targetFile, nullptr);
    addOption("-e", Kind::NextArgument,
              [this](const QString &, const QString &value) { expressions.append(value); });
    addOption("-help", Kind::NoArgument, nullptr, &help);
}

QByteArray TessaExprArgParse::usageText()
{
    return Version::banner("tessaexpr") + usage;
}

void TessaExprArgParse::handleArgument(const QString &argument)
{
    expressions.append(argument);
}

QString TessaExprTool::evaluateLine(ExpressionParser &parser, const QString &text, bool *ok)
{
    *ok = false;
    try {
        int end = 0;
        ExpressionPtr expression = parser.parseExpression(text, &end);
        if (!expression)
            return QStringLiteral("error: empty expression");
        if (end < text.size())
            return QStringLiteral("error: unexpected text '") + text.mid(end) + QLatin1Char('\'');
        const ExpressionValue value = expression->evaluate().resolved();
        *ok = true;
        return value.toText() + QStringLiteral(" : ") + value.typeName();
    } catch (const ParserException &e) {
        return QStringLiteral("error: ") + e.message();
    } catch (const HException &e) {
        return QStringLiteral("error: ") + e.message();
    }
}

int TessaExprTool::run(const QStringList &arguments, FILE *in, FILE *out)
{
    TessaExprArgParse options(DiagnosticSink::instance());
    options.parse(arguments, 1);
    // -help wins over everything else on the command line.
    if (options.help) {
        const QByteArray text = TessaExprArgParse::usageText();
        std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
        std::fflush(stderr);
        return 0;
    }
    if (DiagnosticSink::instance()->errorCount() != 0)
        return 1;
    std::unique_ptr<ExpressionParser> parser;
    if (options.targetFile.isEmpty()) {
        parser = std::make_unique<SimpleExpressionParser>();
    } else {
        auto debugger = std::make_unique<SimulatedDebugExpressionParser>();
        debugger->loadDescription(options.targetFile);
        parser = std::move(debugger);
    }
    int status = 0;
    auto evaluate = [&](const QString &text) {
        bool ok = false;
        writeLine(out, evaluateLine(*parser, text, &ok));
        if (!ok)
            status = 1;
    };
    if (!options.expressions.isEmpty()) {
        for (const QString &text : qAsConst(options.expressions))
            evaluate(text);
        std::fflush(out);
        return status;
    }
    // One expression per line, answered as it arrives, so that the tool also serves
    // interactively; blank lines are skipped.
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
        evaluate(QString::fromUtf8(line));
        std::fflush(out);
    }
    std::fflush(out);
    return status;
}
