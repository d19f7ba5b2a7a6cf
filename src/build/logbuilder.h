#pragma once

#include "builder.h"
#include "diagnosticparser.h"
#include "process.h"

#include <QByteArray>
#include <QString>

class BuildLog;

/// The builder of a command-line build: runs each command as a child process, fills a
/// BuildLog with titled groups, command lines, messages and the diagnostics its parser
/// finds in the tools' output, and deletes the output of a command that fails, so that a
/// half-written file never passes the up-to-date test.
class LogBuilder : public Builder, protected Process
{
public:
    /// `options` are the build options (ShowCommandLines matters here); information
    /// messages are logged only when `showInformation` is set. `buildIndex` is the
    /// number of the slot this builder serves (1 to 128).
    LogBuilder(BuildLog *log, quint32 options, bool showInformation, int buildIndex = 1);
    ~LogBuilder() override;

    /// With more than one project in the build, group titles name the project and
    /// configuration.
    void setProjectCount(int count) { m_projectCount = count; }
    /// Whether an error was reported, a command failed or could not be started, or a
    /// file could not be deleted since the last reset.
    bool hasFailed() const { return m_failed; }
    void resetFailed() { m_failed = false; }
    DiagnosticParser &parser() { return m_parser; }

    void beginGroup(const ProjectElement *node, const QString &title,
                    const QString &configuration, quint32 flags) override;
    void endGroup(const ProjectElement *node, const QString &configuration) override;
    void runCommand(const QString &directory, const QStringList &arguments,
                    const QString &outputFile) override;
    bool waitCommand(const ProjectElement *node, const QString &configuration,
                     int *status) override;
    void error(const QString &text) override;
    void warning(const QString &text) override;
    void note(const QString &text) override;
    void upToDate(const QString &text) override;
    void information(const QString &text) override;
    void cancel() override;
    void addWaitDescriptors(std::vector<int> *descriptors) const override;
    void setWaitTimeout(int milliseconds) override { m_waitTimeout = milliseconds; }
    BuildLog *buildLog() override { return m_log; }
    void removeFile(const QString &fileName, bool ignoreFailure) override;

    /// Command-line form of `arguments`: each argument holding a space in double quotes,
    /// joined with single blanks.
    static QString commandLineText(const QStringList &arguments);

protected:
    void output(int stream, const QByteArray &bytes) override;

private:
    void addText(int stream, const QString &text);
    void flushOutput();
    void addLine(quint32 kind, const QString &text);

    BuildLog *m_log;
    quint32 m_options;
    bool m_showInformation;
    int m_buildIndex;
    int m_projectCount = 1;
    int m_group = -1;
    QString m_outputFile;
    StandardDiagnosticParser m_parser;
    QByteArray m_pending[2];  // output after the last complete line, per stream
    bool m_commandStarted = false;
    bool m_failed = false;
    int m_waitTimeout = 1;
};
