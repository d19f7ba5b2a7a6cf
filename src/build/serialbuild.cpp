#include "serialbuild.h"

#include "buildlog.h"
#include "buildsystem.h"
#include "builder.h"
#include "logbuilder.h"

namespace {

// Passes every step on and notes whether the job failed: an error message or a
// command that ended with a non-zero status.
class FailureWatch : public Builder
{
public:
    explicit FailureWatch(Builder *target) : m_target(target) {}

    bool hasFailed() const { return m_failed; }
    void reset() { m_failed = false; }

    void beginGroup(const ProjectElement *node, const QString &title,
                    const QString &configuration, quint32 flags) override
    {
        m_target->beginGroup(node, title, configuration, flags);
    }
    void endGroup(const ProjectElement *node, const QString &configuration) override
    {
        m_target->endGroup(node, configuration);
    }
    void runCommand(const QString &directory, const QStringList &arguments,
                    const QString &outputFile) override
    {
        m_target->runCommand(directory, arguments, outputFile);
    }
    bool waitCommand(const ProjectElement *node, const QString &configuration,
                     int *status) override
    {
        const bool finished = m_target->waitCommand(node, configuration, status);
        if (finished && *status != 0)
            m_failed = true;
        return finished;
    }
    void error(const QString &text) override
    {
        m_failed = true;
        m_target->error(text);
    }
    void warning(const QString &text) override { m_target->warning(text); }
    void note(const QString &text) override { m_target->note(text); }
    void upToDate(const QString &text) override { m_target->upToDate(text); }
    void information(const QString &text) override { m_target->information(text); }
    void cancel() override { m_target->cancel(); }
    BuildLog *buildLog() override { return m_target->buildLog(); }
    void writeFile(const QString &fileName, const QStringList &lines) override
    {
        m_target->writeFile(fileName, lines);
    }
    void removeFile(const QString &fileName, bool ignoreFailure) override
    {
        m_target->removeFile(fileName, ignoreFailure);
    }
    void jobCreated(const ProjectElement *node, const QString &configuration, quint32 options,
                    int sequence, const QList<int> &dependencies) override
    {
        m_target->jobCreated(node, configuration, options, sequence, dependencies);
    }

private:
    Builder *m_target;
    bool m_failed = false;
};

} // namespace

SerialBuild::SerialBuild(BuildSystem *system, Builder *builder)
    : m_system(system), m_builder(builder), m_planner(system)
{
}

SerialBuild::Result SerialBuild::run(ProjectElement *node, const QString &configuration,
                                     quint32 options, bool followDependencies)
{
    m_planner.reset();
    m_system->clearDependencyErrors();
    ProjectJobList runList;
    const bool finalJobs = JobPlanner::wantsFinalJobs(*m_system, node, configuration, options);
    if (!m_planner.plan(node, configuration, options, followDependencies, finalJobs, runList))
        return Cancelled;
    if (auto *logBuilder = dynamic_cast<LogBuilder *>(m_builder))
        logBuilder->setProjectCount(m_planner.projectCount());
    // Dependency problems are shown but do not stop the build.
    if (BuildLog *log = m_builder->buildLog()) {
        for (const DependencyError &report : m_system->dependencyErrors()) {
            const int group = log->beginGroup(report.title, 0, 1);
            for (const QString &message : report.messages)
                log->addLine(group, BuildLog::ErrorLine, message);
        }
    }
    return runJobs(runList, options);
}

SerialBuild::Result SerialBuild::runJobs(const ProjectJobList &runList, quint32 options)
{
    m_handledKeys.clear();
    m_failedJobs.clear();
    FailureWatch watch(m_builder);
    bool built = false;
    for (ProjectJob *job : runList) {
        watch.reset();
        m_builder->jobCreated(job->node(), job->configuration(), job->options(),
                              job->sequence(), job->dependencySequences());
        job->setBuilt(m_system->runJob(*job, watch, &m_handledKeys));
        job->setDone();
        built = built || job->hasBuilt();
        if (watch.hasFailed()) {
            m_failedJobs.append(job->sequence());
            if (!(options & ProjectJob::KeepGoing))
                return Failed;
        }
    }
    if (!m_failedJobs.isEmpty())
        return Failed;
    return built ? Built : NothingBuilt;
}
