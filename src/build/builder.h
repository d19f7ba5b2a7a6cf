#pragma once

#include <QString>
#include <QStringList>

#include <QtGlobal>

#include <vector>

class BuildLog;
class ProjectElement;

/// The sink of build steps. A node build never writes to a log or starts a process
/// itself: it opens and closes titled groups, runs commands and waits for them, reports
/// messages and writes or deletes files through a Builder. Each variant gives the same
/// analysis a different effect (run it, only measure it, delete outputs, record it,
/// export it).
///
/// The operations are in a fixed order; the base versions of those that are not pure do
/// nothing or report success, so that a variant overrides only what it needs.
class Builder
{
public:
    virtual ~Builder();

    virtual void beginGroup(const ProjectElement *node, const QString &title,
                            const QString &configuration, quint32 flags) = 0;
    virtual void endGroup(const ProjectElement *node, const QString &configuration) = 0;
    /// Starts `arguments` (program first) in `directory`. `outputFile` (may be empty) is
    /// the file the command writes; it is deleted when the command fails.
    virtual void runCommand(const QString &directory, const QStringList &arguments,
                            const QString &outputFile) = 0;
    /// False while the command started last is still running; true once it has ended,
    /// with its exit status in `status`. The base version reports a finished success.
    virtual bool waitCommand(const ProjectElement *node, const QString &configuration,
                             int *status);
    virtual void error(const QString &text) = 0;
    virtual void warning(const QString &text);
    virtual void note(const QString &text);
    virtual void upToDate(const QString &text);
    virtual void information(const QString &text);
    /// Stops whatever the builder is running.
    virtual void cancel();
    /// Adds the descriptors on which the output and the end of the running command
    /// arrive (none here), so that a scheduler can wait for all its slots at once.
    virtual void addWaitDescriptors(std::vector<int> *descriptors) const;
    /// How long waitCommand() may wait for output, in milliseconds (1 unless set; a
    /// scheduler that waits itself sets 0).
    virtual void setWaitTimeout(int milliseconds);
    /// The log this builder fills, or nullptr.
    virtual BuildLog *buildLog();
    /// Writes `lines`, each followed by a newline, creating the file's directory when it
    /// is missing. Failures go to error(): "cannot mkdir <dir>", "cannot open <file>".
    virtual void writeFile(const QString &fileName, const QStringList &lines);
    virtual void removeFile(const QString &fileName, bool ignoreFailure);
    /// Told about each job as the job list is made (the export writes it out then).
    virtual void jobCreated(const ProjectElement *node, const QString &configuration,
                            quint32 options, int sequence, const QList<int> &dependencies);
};

/// Lets a build's analysis run without effects: a build run with it learns only whether
/// anything would be built.
class NullBuilder : public Builder
{
public:
    void beginGroup(const ProjectElement *, const QString &, const QString &, quint32) override
    {
    }
    void endGroup(const ProjectElement *, const QString &) override {}
    void runCommand(const QString &, const QStringList &, const QString &) override {}
    void error(const QString &) override {}
};

/// Deletes the outputs a clean names, without log or processes.
class CleanBuilder : public NullBuilder
{
public:
    void removeFile(const QString &fileName, bool ignoreFailure) override;
    /// Files that could not be deleted (and whose failure was not to be ignored).
    const QStringList &failures() const { return m_failures; }

private:
    QStringList m_failures;
};

/// Observes a build's progress: the expected steps, and each job as it starts, finishes
/// or fails. Every operation does nothing here.
class Idler
{
public:
    virtual ~Idler();
    virtual void jobsCounted(int totalSteps);
    virtual void jobStarted(const ProjectElement *node, const QString &title,
                            const QString &configuration, int expectedSteps);
    virtual void jobFinished(const ProjectElement *node, const QString &configuration);
    virtual void jobFailed(const ProjectElement *node, const QString &configuration);
};
