#include "tessascripttool.h"

#include "solutionbuildhandler.h"

#include "script/esatom.h"
#include "script/esclass.h"
#include "script/escodeblock.h"
#include "script/escontext.h"
#include "script/esexception.h"
#include "script/esnativeerror.h"
#include "script/esnatives.h"
#include "script/esobject.h"
#include "script/host/studioscriptsystem.h"
#include "qtx/diagnosticsink.h"
#include "qtx/directories.h"
#include "qtx/hexception.h"
#include "qtx/toolsupport.h"

#include <QCoreApplication>
#include <QFile>

#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <thread>

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

// The most seconds -timeout accepts (a bit over eleven days).
constexpr double maxTimeout = 1e6;

// Asks the script system to stop once the time limit has passed, from a thread of its
// own: the running script ends at its next instruction (or a waiting TRSys.run ends its
// child), exactly as a stop request of the studio would end it.
class Watchdog
{
public:
    Watchdog(StudioScriptSystem &system, double seconds)
    {
        if (seconds <= 0)
            return;
        m_thread = std::thread([this, &system, seconds] {
            std::unique_lock<std::mutex> lock(m_mutex);
            const auto limit = std::chrono::duration<double>(seconds);
            if (!m_finished.wait_for(lock, limit, [this] { return m_done; }))
                system.requestStop();
        });
    }
    ~Watchdog()
    {
        if (!m_thread.joinable())
            return;
        {
            std::lock_guard<std::mutex> lock(m_mutex);
            m_done = true;
        }
        m_finished.notify_one();
        m_thread.join();
    }
    Watchdog(const Watchdog &) = delete;
    Watchdog &operator=(const Watchdog &) = delete;

private:
    std::thread m_thread;
    std::mutex m_mutex;
    std::condition_variable m_finished;
    bool m_done = false;
};

double parseTimeout(const QString &text)
{
    bool ok = false;
    const double seconds = text.toDouble(&ok);
    if (!ok || !(seconds > 0) || seconds > maxTimeout) {
        throw HException("invalid timeout " + QTx::quoted(text)
                         + ": expected seconds greater than 0, at most 1000000");
    }
    return seconds;
}

} // namespace

TessaScriptArgParse::TessaScriptArgParse()
    : ToolArgParse(QStringLiteral("tessascript"),
                   QStringLiteral("[option]... FILE...\n[option]... -e TEXT..."),
                   QStringLiteral(
                       "Every FILE (or -e TEXT, run under the file name -e) is evaluated in\n"
                       "turn in one context: globals persist from one to the next. An\n"
                       "uncaught script error prints FILE:LINE: NAME: MESSAGE and the source\n"
                       "line, and ends the run with status 1; a script stopped by -timeout\n"
                       "ends it with status 2."))
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
             QStringLiteral("The solution the Build object builds (loaded before the scripts run)"));
    addValue(QStringLiteral("-config"), QStringLiteral("NAME"), &configuration,
             QStringLiteral("The Build object's build configuration at the start (default: the "
                            "solution's first)"));
    addValue(QStringLiteral("-timeout"), QStringLiteral("SECONDS"), &timeout,
             QStringLiteral("Stop the scripts after SECONDS seconds (a decimal number)"));
    addOption(QStringLiteral("-help-objects"), Kind::NoArgument,
              [this](const QString &, const QString &) {
                  helpObjects = true;
                  positional.append(QStringLiteral("-help-objects"));
              },
              QStringLiteral("List the host objects' methods with their help texts"));
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
    if (options.solution.isNull() && !options.configuration.isNull())
        throw HException(QStringLiteral("-config needs -solution"));
    const double timeout = options.timeout.isNull() ? 0 : parseTimeout(options.timeout);

    Directories::setFromExecutable(
        Directories::executablePath(QCoreApplication::applicationFilePath()));
    ESNativeGlobal::loadPath() += options.includeDirectories;
    // Only a run with a time limit pays for the stop check before every instruction.
    StudioScriptSystem system(
        [](const QString &text) { QTx::writeStandardOutput(text.toUtf8()); },
        timeout > 0 ? StudioScriptSystem::ContextKind::Stoppable
                    : StudioScriptSystem::ContextKind::Plain);
    // Build works on the solution of -solution; without one its methods raise an error.
    std::unique_ptr<SolutionBuildHandler> buildHandler;
    if (!options.solution.isNull())
        buildHandler = std::make_unique<SolutionBuildHandler>(options.solution, options.configuration);
    system.addHostObject([&buildHandler](ESContext *cx) -> ESClass * {
        return BuildESClass::installInto(cx, buildHandler.get());
    });
    if (options.helpObjects) {
        QTx::writeStandardOutput(system.hostObjectsHelp().toUtf8());
        if (options.sources.isEmpty())
            return 0;
    }

    StudioScriptSystem::Entry entry(system);
    ESContext &cx = *entry.context();
    Watchdog watchdog(system, timeout);
    for (const TessaScriptArgParse::Source &source : std::as_const(options.sources)) {
        const QString fileName = source.isText ? QStringLiteral("-e") : source.fileOrText;
        const QString text = source.isText ? source.fileOrText : readScript(fileName);
        if (options.listing) {
            try {
                list(cx, fileName, text);
            } catch (const ESException &error) {
                std::fflush(stdout);
                std::fputs(errorReport(cx, error.value(), fileName).toLocal8Bit(), stderr);
                return 1;
            }
            continue;
        }
        ESValue failure;
        try {
            const ESCompletion completion = cx.evaluate(fileName, text);
            if (system.stopRequested())
                return reportTimeout(options.timeout);
            if (completion.kind != ESCompletion::Throw) {
                // To-string of an object runs its script methods, which may fail too.
                if (options.print && !completion.value.isUndefined())
                    QTx::writeStandardOutput(cx.toString(completion.value).toUtf8() + '\n');
                continue;
            }
            failure = completion.value;
        } catch (const ESException &error) {
            failure = error.value();
        }
        std::fflush(stdout);
        std::fputs(errorReport(cx, failure, fileName).toLocal8Bit(), stderr);
        return 1;
    }
    return 0;
}

int TessaScriptTool::reportTimeout(const QString &timeout)
{
    std::fflush(stdout);
    DiagnosticSink::instance()->error()
        << QStringLiteral("time limit of %1 seconds reached, script stopped").arg(timeout)
        << std::endl;
    return 2;
}
