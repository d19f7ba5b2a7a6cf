#pragma once

#include "builder.h"
#include "jobplanner.h"
#include "projectjob.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>
#include <poll.h>
#include <vector>

class BuildLog;
class BuildSystem;
class ProjectElement;
class ProjectSystem;
class ProjectSystemBuilder;

/// One job in progress on one build slot. The job's steps are recorded once, by running
/// the job through this object as its builder (so the up-to-date analysis happens once),
/// then replayed on the slot's real builder one advance at a time: a command that still
/// runs ends the advance and is polled again on the next one.
class BuildThread : public Builder, public Idler
{
public:
    /// Step types, in the order of the operations they record.
    enum StepType {
        BeginGroup = 0,
        EndGroup = 1,
        RunCommand = 2,
        WaitCommand = 3,
        JobStarted = 4,
        JobFinished = 5,
        JobFailed = 6,
        Error = 7,
        Warning = 8,
        Note = 9,
        UpToDate = 10,
        Information = 11,
        WriteFile = 12,
        RemoveFile = 13,
        RemoveFileIgnoringFailure = 14,
    };

    struct Step
    {
        int type = 0;
        const ProjectElement *node = nullptr;
        QString configuration;
        QString text;
        int value = -1;
        QString directory;
        QStringList arguments;
        QString file;
    };

    BuildThread(ProjectSystemBuilder *scheduler, BuildSystem *system, ProjectJob *job,
                Builder *slotBuilder, Idler *observer);
    ~BuildThread() override;

    ProjectJob *job() const { return m_job; }
    /// Moves the job on: false while it waits for its dependencies or a command; true
    /// once it has ended, with 0 or the failed command's status in `status`.
    bool advance(int *status);
    bool hasBuilt() const { return m_built; }
    bool hasFailed() const { return m_failed; }
    const std::vector<std::unique_ptr<Step>> &steps() const { return m_steps; }

    // Recording side: every operation becomes a step.
    void beginGroup(const ProjectElement *node, const QString &title,
                    const QString &configuration, quint32 flags) override;
    void endGroup(const ProjectElement *node, const QString &configuration) override;
    void runCommand(const QString &directory, const QStringList &arguments,
                    const QString &outputFile) override;
    void error(const QString &text) override;
    void warning(const QString &text) override;
    void note(const QString &text) override;
    void upToDate(const QString &text) override;
    void information(const QString &text) override;
    BuildLog *buildLog() override;
    void writeFile(const QString &fileName, const QStringList &lines) override;
    void removeFile(const QString &fileName, bool ignoreFailure) override;
    void jobStarted(const ProjectElement *node, const QString &title,
                    const QString &configuration, int expectedSteps) override;
    void jobFinished(const ProjectElement *node, const QString &configuration) override;
    void jobFailed(const ProjectElement *node, const QString &configuration) override;

private:
    Step &record(int type, const ProjectElement *node = nullptr,
                 const QString &text = QString());
    void recordJob();
    /// Performs the step at the cursor; false when it must be tried again later, or
    /// when it ended the job (then `ended` is set).
    bool replay(const Step &step, int *status, bool *ended);

    ProjectSystemBuilder *m_scheduler;
    BuildSystem *m_system;
    ProjectJob *m_job;
    Builder *m_builder;
    Idler *m_observer;
    std::vector<std::unique_ptr<Step>> m_steps;
    size_t m_cursor = 0;
    bool m_recorded = false;
    bool m_built = false;
    bool m_failed = false;
    int m_status = 0;
};

/// Runs a build request on several build slots at once, all on the caller's thread:
/// start() plans the jobs, then each call of step() gives every free slot the next job
/// and lets every busy slot's job advance. Parallelism comes only from the child
/// processes of the slots' builders (one each). A job starts once the jobs it waits for
/// are done; the build ends when every job is done, at the first failure (unless the
/// jobs have KeepGoing), or at the step after cancel().
class ProjectSystemBuilder
{
public:
    /// The outcome of a build; resultText() words it.
    enum Result { NothingBuilt = 0, Built = 1, Failed = 2, Cancelled = 3 };
    static constexpr int maxSlots = 128;

    explicit ProjectSystemBuilder(BuildSystem *system);
    virtual ~ProjectSystemBuilder();
    ProjectSystemBuilder(const ProjectSystemBuilder &) = delete;
    ProjectSystemBuilder &operator=(const ProjectSystemBuilder &) = delete;

    /// "Build up to date", "Build complete", "Build failed" or "Build terminated".
    static QString resultText(int result);
    /// The last line of a build's log: the result's words, then the error and warning
    /// counts in parentheses when there were any ("Build failed (2 errors, 1 warning)").
    static QString summaryLine(int result, const BuildLog &log);
    /// The exit status of a command-line build: 0 up to date or complete, 130
    /// terminated, 1 failed or whenever an error was reported.
    static int exitStatus(int result, const BuildLog &log);
    /// What building `node` in `configuration` builds: the node itself, except for a
    /// solution built in a configuration that only some of its projects define, which
    /// stands for those projects.
    static QList<ProjectElement *> requestNodes(const ProjectSystem &projects,
                                                ProjectElement *node,
                                                const QString &configuration);
    /// A whole build as the command-line tools and scripts run it: one LogBuilder per
    /// slot writing into `log`, the nodes in turn (ending at a cancel, or at a failure
    /// without KeepGoing), then the log's open groups closed. `poll` runs after every
    /// step; an answer of true cancels the build. Answers the weightiest Result.
    static int runLogged(BuildSystem &system, const QList<ProjectElement *> &nodes,
                         const QString &configuration, quint32 options, int slotCount,
                         bool verbose, BuildLog &log, Idler *observer,
                         const std::function<bool()> &poll);
    /// A requested slot count made valid: 0 means one per processor online
    /// (`processors`, or the system's count when negative), and at most maxSlots.
    static int slotCountFor(int requested, int processors = -1);

    /// Plans the build of `node` and prepares `slotCount` slots, slot i using
    /// `slotBuilders[i]` (owned by the caller, like `observer`, which may be null). A
    /// single-file request runs on one slot.
    void start(ProjectElement *node, const QString &configuration, int slotCount,
               const QList<Builder *> &slotBuilders, Idler *observer, quint32 options,
               bool followDependencies = true);
    /// Advances the build; false once it has ended, with its Result in `result`.
    bool step(int *result);
    /// Ends the build at the next step, killing the commands that run.
    void cancel() { m_cancelled = true; }
    /// Called while a long job list is made; does nothing here.
    virtual void keepAlive();

    bool isFailed() const { return m_failed; }
    bool isCancelled() const { return m_cancelled; }
    int slotCount() const { return m_slotCount; }
    /// Steps taken so far, and the steps slot `slot` spent on jobs.
    quint64 stepCount() const { return m_stepCount; }
    quint64 busySteps(int slot) const { return m_busySteps.at(size_t(slot)); }
    const JobPlanner &planner() const { return m_planner; }
    QSet<QString> *handledKeys() { return &m_handledKeys; }

private:
    void finishJob(int slot, int status);
    void waitForCommands();
    void endBuild();

    BuildSystem *m_system;
    JobPlanner m_planner;
    ProjectJobList m_runList;
    ProjectJobList::const_iterator m_cursor;
    int m_slotCount = 1;
    std::vector<std::unique_ptr<BuildThread>> m_threads;
    QList<Builder *> m_builders;
    Idler *m_observer = nullptr;
    QSet<QString> m_handledKeys;
    std::vector<quint64> m_slotStart;
    std::vector<quint64> m_busySteps;
    quint64 m_stepCount = 0;
    bool m_built = false;
    bool m_failed = false;
    bool m_cancelled = false;
    bool m_running = false;
    bool m_progress = true;  // the last step started or finished a job
    std::vector<pollfd> m_waitDescriptors;
};
