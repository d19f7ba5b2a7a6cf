#include "logbuilder.h"

#include "buildlog.h"
#include "sarifreader.h"

#include "projectsystem/projectelement.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLoggingCategory>

Q_LOGGING_CATEGORY(buildTrace, "tessa.build")

namespace {

// Exit status reported for a command that could not be started (as shells do).
constexpr int notStartedStatus = 127;

QString quotedIfSpaced(const QString &text)
{
    return text.contains(QLatin1Char(' ')) ? '"' + text + '"' : text;
}

} // namespace

LogBuilder::LogBuilder(BuildLog *log, quint32 options, bool showInformation, int buildIndex)
    : m_log(log), m_options(options), m_showInformation(showInformation),
      m_buildIndex(buildIndex)
{
}

LogBuilder::~LogBuilder() = default;

QString LogBuilder::commandLineText(const QStringList &arguments)
{
    QStringList quoted;
    for (const QString &argument : arguments)
        quoted.append(quotedIfSpaced(argument));
    return quoted.join(QLatin1Char(' '));
}

void LogBuilder::addLine(quint32 kind, const QString &text)
{
    m_log->addLine(m_group, kind, text);
}

void LogBuilder::beginGroup(const ProjectElement *node, const QString &title,
                            const QString &configuration, quint32 flags)
{
    QString fullTitle = title;
    const ProjectElement *project = node ? node->project() : nullptr;
    if (m_projectCount > 1 && project && project->name() != QLatin1String("<NULL>"))
        fullTitle += " from project '" + project->name() + "' in configuration '"
                     + configuration + "'";
    // A step that failed is left open by its job; the next one closes it.
    if (m_group >= 0)
        m_log->endGroup(m_group);
    m_group = m_log->beginGroup(fullTitle, flags, m_buildIndex);
}

void LogBuilder::endGroup(const ProjectElement *, const QString &)
{
    flushOutput();
    m_log->endGroup(m_group);
    m_group = -1;
}

void LogBuilder::runCommand(const QString &directory, const QStringList &arguments,
                            const QString &outputFile)
{
    m_outputFile = outputFile;
    m_commandStarted = false;
    if (!outputFile.isEmpty()) {
        const QString outputDirectory = QFileInfo(outputFile).absolutePath();
        if (!QDir().mkpath(outputDirectory)) {
            error("Error creating directory " + outputDirectory);
            return;
        }
    }
    if (m_options & 0x0800)  // ShowCommandLines
        addLine(BuildLog::CommandLine, commandLineText(arguments));
    const QString program = arguments.value(0);
    m_parser.setDirectory(directory);
    m_parser.setGenerator(diagnosticGenerator(QFileInfo(program).fileName()));
    QString reason;
    if (!start(directory, arguments, &reason)) {
        error("Error starting process " + program);
        if (!m_outputFile.isEmpty())
            QFile::remove(m_outputFile);
        m_log->terminate(m_group);
        return;
    }
    m_commandStarted = true;
}

bool LogBuilder::waitCommand(const ProjectElement *, const QString &, int *status)
{
    if (!m_commandStarted) {
        *status = notStartedStatus;
        return true;
    }
    if (!poll(status, m_waitTimeout))
        return false;
    m_commandStarted = false;
    flushOutput();
    if (*status != 0) {
        m_failed = true;
        if (!m_outputFile.isEmpty())
            QFile::remove(m_outputFile);
        m_log->terminate(m_group);
    }
    return true;
}

void LogBuilder::error(const QString &text)
{
    m_failed = true;
    addLine(BuildLog::ErrorLine, text);
}

void LogBuilder::warning(const QString &text)
{
    addLine(BuildLog::WarningLine, text);
}

void LogBuilder::note(const QString &text)
{
    addLine(BuildLog::NoteLine, text);
}

void LogBuilder::upToDate(const QString &text)
{
    addLine(BuildLog::UpToDateLine, text);
}

void LogBuilder::information(const QString &text)
{
    if (m_showInformation)
        addLine(BuildLog::NoteLine, text);
}

void LogBuilder::cancel()
{
    m_log->terminate(m_group);
    const bool wasRunning = isRunning();
    if (wasRunning)
        kill();
    m_commandStarted = false;
    if (wasRunning && !m_outputFile.isEmpty())
        QFile::remove(m_outputFile);
    flushOutput();
    m_log->endGroup(m_group);
    m_group = -1;
}

void LogBuilder::addWaitDescriptors(std::vector<int> *descriptors) const
{
    if (m_commandStarted)
        addDescriptors(descriptors);
}

void LogBuilder::removeFile(const QString &fileName, bool ignoreFailure)
{
    if (m_options & 0x0800)
        addLine(BuildLog::CommandLine, "rm " + quotedIfSpaced(fileName));
    if (!QFile::remove(fileName) && QFileInfo::exists(fileName) && !ignoreFailure)
        m_failed = true;
}

// Output arrives in chunks of any size: only complete lines are parsed, the rest waits
// for the next chunk or the end of the command. A SARIF log from the compiler proper is
// one JSON text and is read whole when the command ends.
void LogBuilder::output(int stream, const QByteArray &bytes)
{
    QByteArray &pending = m_pending[stream & 1];
    pending += bytes;
    const int generator = m_parser.generator();
    if ((generator == 1 || generator == 2) && pending.startsWith('{'))
        return;
    const int end = pending.lastIndexOf('\n');
    if (end < 0)
        return;
    const QString text = QString::fromUtf8(pending.constData(), end);
    pending.remove(0, end + 1);
    addText(stream, text);
}

void LogBuilder::flushOutput()
{
    for (int stream = 0; stream < 2; ++stream) {
        QByteArray &pending = m_pending[stream];
        if (pending.isEmpty())
            continue;
        const int generator = m_parser.generator();
        if ((generator == 1 || generator == 2) && pending.startsWith('{')) {
            QList<Diagnostic> diagnostics;
            QString reason;
            if (readSarifLog(pending, generator, &diagnostics, &reason)) {
                for (const Diagnostic &diagnostic : diagnostics)
                    m_log->addDiagnostic(m_group, diagnostic, diagnostic.message);
            } else {
                qCWarning(buildTrace, "parse of SARIF log failed - %s", qPrintable(reason));
            }
        } else {
            addText(stream, QString::fromUtf8(pending));
        }
        pending.clear();
    }
}

void LogBuilder::addText(int stream, const QString &text)
{
    if (text.isEmpty())
        return;
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (const QString &line : lines) {
        if (line.isEmpty() || line == QLatin1String("Idle"))
            continue;
        Diagnostic diagnostic;
        if (m_parser.parse(line, &diagnostic))
            m_log->addDiagnostic(m_group, diagnostic, line);
        else
            m_log->addLine(m_group, BuildLog::OutputLine, line, stream);
    }
}
