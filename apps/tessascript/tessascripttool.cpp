#include "tessascripttool.h"

#include "script/esatom.h"
#include "script/esclass.h"
#include "script/escodeblock.h"
#include "script/escontext.h"
#include "script/esexception.h"
#include "script/esnativeerror.h"
#include "script/esnatives.h"
#include "script/esobject.h"
#include "script/host/wscriptesclass.h"
#include "qtx/hexception.h"

#include <QFile>

#include <cstdio>

namespace {

// A script file: its text up to the first zero byte, read as UTF-8.
QString readScript(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        throw HException(fileName + ": cannot open");
    QByteArray bytes = file.readAll();
    const int zero = bytes.indexOf('\0');
    if (zero >= 0)
        bytes.truncate(zero);
    return QString::fromUtf8(bytes);
}

} // namespace

TessaScriptArgParse::TessaScriptArgParse()
    : ToolArgParse(QStringLiteral("tessascript"),
                   QStringLiteral("[option]... FILE...\n[option]... -e TEXT..."),
                   QStringLiteral(
                       "Every FILE (or -e TEXT, run under the file name -e) is evaluated in\n"
                       "turn in one context: globals persist from one to the next. An\n"
                       "uncaught script error prints FILE:LINE: NAME: MESSAGE and the source\n"
                       "line, and ends the run with status 1."))
{
    addHandler(QStringLiteral("-I"), QStringLiteral("DIR"),
               [this](const QString &, const QString &value) {
                   includeDirectories.append(value);
               },
               QStringLiteral("Add DIR to the directories load() searches"));
    addHandler(QStringLiteral("-e"), QStringLiteral("TEXT"),
               [this](const QString &, const QString &value) {
                   sources.append({true, value});
                   positional.append(QStringLiteral("-e"));
               },
               QStringLiteral("Evaluate TEXT in place of a file"));
    addValue(QStringLiteral("-solution"), QStringLiteral("FILE"), &solution,
             QStringLiteral("The solution the Build object works on (not supported yet)"));
    addValue(QStringLiteral("-config"), QStringLiteral("NAME"), &configuration,
             QStringLiteral("The Build object's configuration (not supported yet)"));
    addFlag(QStringLiteral("-print"), &print,
            QStringLiteral("Print the value of each evaluation (undefined prints nothing)"));
    addFlag(QStringLiteral("-listing"), &listing,
            QStringLiteral("Compile only, and print the instruction listing"));
}

void TessaScriptArgParse::handleArgument(const QString &argument)
{
    sources.append({false, argument});
    ToolArgParse::handleArgument(argument);
}

QString TessaScriptTool::errorReport(ESContext &cx, const ESValue &error,
                                     const QString &fileName)
{
    if (!error.isObject())
        return fileName + ": " + cx.toString(error) + '\n';
    ESObject *object = error.object;
    const ESValue file = cx.get(object, ESAtom::intern("fileName"));
    const ESValue line = cx.get(object, ESAtom::intern("lineNumber"));
    const ESValue message = cx.get(object, ESAtom::intern("message"));
    const ESValue sourceLine = cx.get(object, ESAtom::intern("sourceLine"));
    QString report = file.isUndefined() ? fileName : cx.toString(file);
    if (!line.isUndefined())
        report += ':' + cx.toString(line);
    report += ": " + ESNativeError::kindOf(&cx, object) + ": "
              + (message.isUndefined() ? QString() : cx.toString(message)) + '\n';
    // A line of a generated or minified script can be huge: show its start.
    constexpr int shownLength = 160;
    if (!sourceLine.isUndefined()) {
        const QString text = cx.toString(sourceLine);
        report += "    " + text.left(shownLength)
                  + (text.size() > shownLength ? QStringLiteral("...") : QString()) + '\n';
    }
    return report;
}

// The program block, then each function block under a "function NAME" line.
void TessaScriptTool::list(ESContext &cx, const QString &fileName, const QString &text)
{
    const int first = cx.blockCount();
    const int program = cx.compile(fileName, text);
    QTx::writeStandardOutput(cx.block(program)->listing(cx));
    for (int number = first; number < cx.blockCount(); ++number) {
        if (number == program)
            continue;
        const ESCodeBlock *block = cx.block(number);
        const QString name = block->name ? block->name->text : QString();
        QTx::writeStandardOutput("function " + name.toUtf8() + '\n' + block->listing(cx));
    }
}

int TessaScriptTool::run(const QStringList &arguments)
{
    TessaScriptArgParse options;
    if (const auto status = options.parseCommandLine(arguments))
        return *status;
    if (!options.solution.isNull() || !options.configuration.isNull())
        throw HException(QStringLiteral("-solution and -config are not supported yet"));

    ESNativeGlobal::loadPath() += options.includeDirectories;
    std::unique_ptr<ESContext> cx = ESContext::create();
    WScriptESClass::installInto(cx.get(), [](const QString &text) {
        QTx::writeStandardOutput(text.toUtf8());
    });
    for (const TessaScriptArgParse::Source &source : std::as_const(options.sources)) {
        const QString fileName = source.isText ? QStringLiteral("-e") : source.fileOrText;
        const QString text = source.isText ? source.fileOrText : readScript(fileName);
        if (options.listing) {
            try {
                list(*cx, fileName, text);
            } catch (const ESException &error) {
                std::fflush(stdout);
                std::fputs(errorReport(*cx, error.value(), fileName).toLocal8Bit(), stderr);
                return 1;
            }
            continue;
        }
        ESValue failure;
        try {
            const ESCompletion completion = cx->evaluate(fileName, text);
            if (completion.kind != ESCompletion::Throw) {
                // To-string of an object runs its script methods, which may fail too.
                if (options.print && !completion.value.isUndefined())
                    QTx::writeStandardOutput(cx->toString(completion.value).toUtf8() + '\n');
                continue;
            }
            failure = completion.value;
        } catch (const ESException &error) {
            failure = error.value();
        }
        std::fflush(stdout);
        std::fputs(errorReport(*cx, failure, fileName).toLocal8Bit(), stderr);
        return 1;
    }
    return 0;
}
