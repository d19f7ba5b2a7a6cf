#include "forthscripttool.h"

#include "fsconsole.h"

#include "forth/forthexception.h"
#include "forth/forthinterpreter.h"
#include "qtx/toolsupport.h"

#include <QFile>

#include <csignal>
#include <cstdio>

namespace {

void interrupt(int)
{
    ForthInterpreter::requestInterrupt();
}

// SIGINT stops the running Forth code, not the tool; reading the console goes on.
void catchInterrupts()
{
    struct sigaction action = {};
    action.sa_handler = interrupt;
    action.sa_flags = SA_RESTART;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
}

} // namespace

ForthScriptArgParse::ForthScriptArgParse()
    : ToolArgParse(QStringLiteral("forthscript"),
                   QStringLiteral("FILE...\n-e TEXT...\n(no argument: the console)"),
                   QStringLiteral(
                       "Every FILE (or -e TEXT; - is standard input) is interpreted in turn\n"
                       "by one Forth system: definitions persist from one to the next. An\n"
                       "uncaught exception prints FILE:LINE: TEXT on standard error and ends\n"
                       "the run with status 1. Without arguments, the console reads lines\n"
                       "from standard input and answers each with OK or the exception's text."))
{
    addHandler(QStringLiteral("-e"), QStringLiteral("TEXT"),
               [this](const QString &, const QString &value) {
                   sources.append({true, value});
                   positional.append(QStringLiteral("-e"));
               },
               QStringLiteral("Interpret TEXT in place of a file"));
}

void ForthScriptArgParse::handleArgument(const QString &argument)
{
    sources.append({false, argument});
    ToolArgParse::handleArgument(argument);
}

int ForthScriptTool::run(const QStringList &arguments)
{
    catchInterrupts();
    ForthInterpreter interpreter;
    if (arguments.isEmpty())
        return FSConsole(interpreter).run(stdin);

    ForthScriptArgParse options;
    if (const auto status = options.parseCommandLine(arguments))
        return *status;
    for (const ForthScriptArgParse::Source &source : std::as_const(options.sources)) {
        try {
            if (source.isText) {
                interpreter.evaluate(source.fileOrText.toUtf8(), QStringLiteral("-e"));
            } else if (source.fileOrText == QLatin1String("-")) {
                QFile input;
                input.open(stdin, QIODevice::ReadOnly);
                interpreter.evaluate(input.readAll(), QStringLiteral("-"));
            } else {
                QTx::checkReadableFile(source.fileOrText);
                interpreter.includeFile(source.fileOrText);
            }
        } catch (const ForthException &error) {
            std::fflush(stdout);
            const QByteArray report = error.sourceName().toUtf8() + ':'
                                      + QByteArray::number(error.line()) + ": " + error.text()
                                      + '\n';
            std::fputs(report.constData(), stderr);
            return 1;
        }
    }
    return 0;
}
