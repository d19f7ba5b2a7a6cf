#include "projectsystembuilder.h"

#include "buildlog.h"
#include "buildsystem.h"
#include "logbuilder.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"

#include <unistd.h>

#include <algorithm>

// --- BuildThread --------------------------------------------------------------------

BuildThread::BuildThread(ProjectSystemBuilder *scheduler, BuildSystem *system, ProjectJob *job,
                         Builder *slotBuilder, Idler *observer)
    : m_scheduler(scheduler), m_system(system), m_job(job), m_builder(slotBuilder),
      m_observer(observer)
{
}

BuildThread::~BuildThread() = default;

BuildThread::Step &BuildThread::record(int type, const ProjectElement *node,
                                       const QString &text)
{
    auto step = std::make_unique<Step>();
    step->type = type;
    step->node = node;
    step->text = text;
    m_steps.push_back(std::move(step));
    return *m_steps.back();
}

void BuildThread::beginGroup(const ProjectElement *node, const QString &title,
                             const QString &configuration, quint32 flags)
{
    Step &step = record(BeginGroup, node, title);
    step.configuration = configuration;
    step.value = int(flags);
}

void BuildThread::endGroup(const ProjectElement *node, const QString &configuration)
{
    record(EndGroup, node).configuration = configuration;
}

// The node build waits for each command it runs; while recording, the base
// waitCommand() reports it finished at once, and replay does the real waiting.
void BuildThread::runCommand(const QString &directory, const QStringList &arguments,
                             const QString &outputFile)
{
    Step &run = record(RunCommand);
    run.directory = directory;
    run.arguments = arguments;
    run.file = outputFile;
    Step &wait = record(WaitCommand, m_job->node());
    wait.configuration = m_job->configuration();
}

void BuildThread::error(const QString &text)
{
    record(Error, nullptr, text);
}

void BuildThread::warning(const QString &text)
{
    record(Warning, nullptr, text);
}

void BuildThread::note(const QString &text)
{
    record(Note, nullptr, text);
}

void BuildThread::upToDate(const QString &text)
{
    record(UpToDate, nullptr, text);
}

void BuildThread::information(const QString &text)
{
    record(Information, nullptr, text);
}

BuildLog *BuildThread::buildLog()
{
    return m_builder->buildLog();
}

void BuildThread::writeFile(const QString &fileName, const QStringList &lines)
{
    Step &step = record(WriteFile);
    step.file = fileName;
    step.arguments = lines;
}

void BuildThread::removeFile(const QString &fileName, bool ignoreFailure)
{
    record(ignoreFailure ? RemoveFileIgnoringFailure : RemoveFile).file = fileName;
}

void BuildThread::jobStarted(const ProjectElement *node, const QString &title,
                             const QString &configuration, int expectedSteps)
{
    Step &step = record(JobStarted, node, title);
    step.configuration = configuration;
    step.value = expectedSteps;
}

void BuildThread::jobFinished(const ProjectElement *node, const QString &configuration)
{
    record(JobFinished, node).configuration = configuration;
}

void BuildThread::jobFailed(const ProjectElement *node, const QString &configuration)
{
    record(JobFailed, node).configuration = configuration;
}

// A main job announces itself to the observer with its expected steps; the jobs that
// make those steps (a file's own job, a final job) report when they are through, so
// that an observer can count progress against the total.
void BuildThread::recordJob()
{
    ProjectElement *node = m_job->node();
    const QString &configuration = m_job->configuration();
    const bool ownStep = !m_job->isDirectoryJob() && m_job->preparationKey().isEmpty();
    if (ownStep && m_job->hasOption(ProjectJob::MainJob))
        jobStarted(node, ProjectJob::title(m_job->buildOptions()) + " '" + node->name() + "'",
                   configuration, m_job->expectedSteps());
    m_built = m_system->runJob(*m_job, *this, m_scheduler->handledKeys());
    if (ownStep && (m_job->hasOption(ProjectJob::FinalJob)
                    || !m_job->hasOption(ProjectJob::MainJob)))
        jobFinished(node, configuration);
    m_recorded = true;
}

bool BuildThread::replay(const Step &step, int *status, bool *ended)
{
    switch (step.type) {
    case BeginGroup:
        m_builder->beginGroup(step.node, step.text, step.configuration, quint32(step.value));
        break;
    case EndGroup: m_builder->endGroup(step.node, step.configuration); break;
    case RunCommand: m_builder->runCommand(step.directory, step.arguments, step.file); break;
    case WaitCommand:
        if (!m_builder->waitCommand(step.node, step.configuration, status))
            return false;
        if (*status != 0 || m_scheduler->isFailed() || m_scheduler->isCancelled()) {
            if (m_observer)
                m_observer->jobFailed(m_job->node(), m_job->configuration());
            *ended = true;
            return false;
        }
        break;
    case JobStarted:
        if (m_observer)
            m_observer->jobStarted(step.node, step.text, step.configuration, step.value);
        break;
    case JobFinished:
        if (m_observer)
            m_observer->jobFinished(step.node, step.configuration);
        break;
    case JobFailed:
        if (m_observer)
            m_observer->jobFailed(step.node, step.configuration);
        break;
    case Error:
        m_builder->error(step.text);
        m_failed = true;
        break;
    case Warning: m_builder->warning(step.text); break;
    case Note: m_builder->note(step.text); break;
    case UpToDate: m_builder->upToDate(step.text); break;
    case Information: m_builder->information(step.text); break;
    case WriteFile: m_builder->writeFile(step.file, step.arguments); break;
    case RemoveFile: m_builder->removeFile(step.file, false); break;
    case RemoveFileIgnoringFailure: m_builder->removeFile(step.file, true); break;
    default: break;
    }
    return true;
}

bool BuildThread::advance(int *status)
{
    if (!m_job->dependenciesDone())
        return false;
    if (!m_recorded)
        recordJob();
    *status = 0;
    while (m_cursor < m_steps.size()) {
        bool ended = false;
        if (!replay(*m_steps[m_cursor], status, &ended)) {
            if (!ended)
                return false;
            m_cursor = m_steps.size();
            return true;
        }
        ++m_cursor;
    }
    return true;
}

// --- ProjectSystemBuilder -----------------------------------------------------------

ProjectSystemBuilder::ProjectSystemBuilder(BuildSystem *system)
    : m_system(system), m_planner(system), m_cursor(m_runList.end())
{
}

ProjectSystemBuilder::~ProjectSystemBuilder()
{
    // An owner that gives up on a running build still kills its children.
    for (size_t slot = 0; slot < m_threads.size(); ++slot) {
        if (m_threads[slot])
            m_builders.at(int(slot))->cancel();
    }
}

QString ProjectSystemBuilder::resultText(int result)
{
    switch (result) {
    case NothingBuilt: return QStringLiteral("Build up to date");
    case Built: return QStringLiteral("Build complete");
    case Failed: return QStringLiteral("Build failed");
    default: return QStringLiteral("Build terminated");
    }
}

QString ProjectSystemBuilder::summaryLine(int result, const BuildLog &log)
{
    QStringList counts;
    if (log.errorCount() > 0)
        counts.append(BuildLog::countText(log.errorCount(), "error", "errors"));
    if (log.warningCount() > 0)
        counts.append(BuildLog::countText(log.warningCount(), "warning", "warnings"));
    QString line = resultText(result);
    if (!counts.isEmpty())
        line += " (" + counts.join(QStringLiteral(", ")) + ")";
    return line;
}

QList<ProjectElement *> ProjectSystemBuilder::requestNodes(const ProjectSystem &projects,
                                                          ProjectElement *node,
                                                          const QString &configuration)
{
    if (node->kind() != NodeKind::Solution || configuration == QLatin1String("Common")
        || projects.buildConfigurations(node).contains(configuration))
        return {node};
    QList<ProjectElement *> nodes;
    for (ProjectElement *project : projects.projects(node)) {
        if (projects.definesConfiguration(project, configuration))
            nodes.append(project);
    }
    return nodes;
}

int ProjectSystemBuilder::runLogged(BuildSystem &system, const QList<ProjectElement *> &nodes,
                                    const QString &configuration, quint32 options,
                                    int slotCount, bool verbose, BuildLog &log, Idler *observer,
                                    const std::function<bool()> &poll)
{
    std::vector<std::unique_ptr<LogBuilder>> builders;
    QList<Builder *> slotBuilders;
    for (int slot = 0; slot < slotCount; ++slot) {
        builders.push_back(std::make_unique<LogBuilder>(&log, options, verbose, slot + 1));
        slotBuilders.append(builders.back().get());
    }
    int result = NothingBuilt;
    for (ProjectElement *node : nodes) {
        ProjectSystemBuilder scheduler(&system);
        scheduler.start(node, configuration, slotCount, slotBuilders, observer, options);
        int nodeResult = 0;
        while (scheduler.step(&nodeResult)) {
            if (poll && poll())
                scheduler.cancel();
        }
        result = std::max(result, nodeResult);  // the results are ordered by weight
        if (result == Cancelled || (result == Failed && !(options & ProjectJob::KeepGoing)))
            break;
    }
    log.endOpenGroups();
    return result;
}

int ProjectSystemBuilder::exitStatus(int result, const BuildLog &log)
{
    if (result == Cancelled)
        return 130;
    return result == Failed || log.errorCount() > 0 ? 1 : 0;
}

int ProjectSystemBuilder::slotCountFor(int requested, int processors)
{
    if (requested <= 0)
        requested = processors >= 0 ? processors : int(sysconf(_SC_NPROCESSORS_ONLN));
    return std::clamp(requested, 1, maxSlots);
}

void ProjectSystemBuilder::keepAlive()
{
}

void ProjectSystemBuilder::start(ProjectElement *node, const QString &configuration,
                                 int slotCount, const QList<Builder *> &slotBuilders,
                                 Idler *observer, quint32 options, bool followDependencies)
{
    m_planner.reset();
    m_runList.clear();
    m_handledKeys.clear();
    m_built = m_failed = m_cancelled = false;
    m_stepCount = 0;
    m_observer = observer;
    m_builders = slotBuilders;
    m_slotCount = std::clamp(std::min(slotCount, int(slotBuilders.size())), 1, maxSlots);
    m_system->clearDependencyErrors();
    m_planner.setKeepAlive([this] {
        keepAlive();
        return !m_cancelled;
    });
    const bool finalJobs = JobPlanner::wantsFinalJobs(*m_system, node, configuration, options);
    if (!m_planner.plan(node, configuration, options, followDependencies, finalJobs,
                        m_runList))
        m_cancelled = true;
    if (m_planner.forcedSlotCount() == 1)
        m_slotCount = 1;
    m_threads.clear();
    m_threads.resize(size_t(m_slotCount));
    for (Builder *builder : slotBuilders)
        builder->setWaitTimeout(0);
    m_progress = true;
    m_slotStart.assign(size_t(m_slotCount), 0);
    m_busySteps.assign(size_t(m_slotCount), 0);
    for (Builder *builder : slotBuilders) {
        if (auto *logBuilder = dynamic_cast<LogBuilder *>(builder))
            logBuilder->setProjectCount(m_planner.projectCount());
    }
    // Dependency problems are shown but do not stop the build.
    if (BuildLog *log = m_builders.value(0) ? m_builders.value(0)->buildLog() : nullptr) {
        for (const DependencyError &report : m_system->dependencyErrors()) {
            const int group = log->beginGroup(report.title, 0, 1);
            for (const QString &message : report.messages)
                log->addLine(group, BuildLog::ErrorLine, message);
            log->endGroup(group);
        }
    }
    if (m_observer)
        m_observer->jobsCounted(m_planner.totalSteps());
    m_cursor = m_runList.begin();
    m_running = true;
}

void ProjectSystemBuilder::finishJob(int slot, int status)
{
    BuildThread &thread = *m_threads[size_t(slot)];
    ProjectJob *job = thread.job();
    Builder *builder = m_builders.at(slot);
    m_built = m_built || thread.hasBuilt();
    if (thread.hasFailed()) {
        status = 1;
        m_failed = true;
    }
    if (status != 0) {
        const QString message =
            "Build failed, exit status 0x" + QString::number(uint(status), 16);
        if (!job->hasOption(ProjectJob::KeepGoing)) {
            builder->error(message);
            m_failed = true;
        } else {
            builder->error(message + " '" + job->node()->name() + "' in configuration '"
                           + job->configuration()
                           + "' continuing because 'keep going on error' has been enabled");
            m_failed = false;
        }
        // The failed step's group ends here: its replay stopped inside it.
        builder->endGroup(job->node(), job->configuration());
    }
    job->setBuilt(thread.hasBuilt());
    job->setDone();
    m_threads[size_t(slot)].reset();
    m_busySteps[size_t(slot)] += m_stepCount - m_slotStart[size_t(slot)];
}

bool ProjectSystemBuilder::step(int *result)
{
    if (!m_running) {
        *result = m_cancelled ? Cancelled : m_failed ? Failed : m_built ? Built : NothingBuilt;
        return false;
    }
    ++m_stepCount;
    if (!m_progress)
        waitForCommands();
    m_progress = false;
    bool busy = false;
    for (int slot = 0; slot < m_slotCount && !m_cancelled; ++slot) {
        std::unique_ptr<BuildThread> &thread = m_threads[size_t(slot)];
        if (!thread) {
            if (m_cursor == m_runList.end() || m_failed)
                continue;
            thread = std::make_unique<BuildThread>(this, m_system, *m_cursor++,
                                                   m_builders.at(slot), m_observer);
            m_slotStart[size_t(slot)] = m_stepCount;
            busy = true;
            m_progress = true;
            continue;
        }
        int status = 0;
        if (thread->advance(&status)) {
            finishJob(slot, status);
            m_progress = true;
        }
        else
            busy = true;
    }
    if (!m_failed && !m_cancelled) {
        if (busy || m_cursor != m_runList.end())
            return true;
        *result = m_built ? Built : NothingBuilt;
        endBuild();
        return false;
    }
    for (int slot = 0; slot < m_slotCount; ++slot) {
        std::unique_ptr<BuildThread> &thread = m_threads[size_t(slot)];
        if (!thread)
            continue;
        m_builders.at(slot)->cancel();
        if (m_observer)
            m_observer->jobFailed(thread->job()->node(), thread->job()->configuration());
        thread.reset();
    }
    *result = m_cancelled ? Cancelled : Failed;
    endBuild();
    return false;
}

// When the last step neither started nor finished a job, every busy slot waits for a
// command (or for a job that does): rather than let each slot's builder wait for its
// own command in turn, which would leave a command that ends in one slot unnoticed
// while another slot waits, the step waits at most 1 ms for any of them.
void ProjectSystemBuilder::waitForCommands()
{
    std::vector<int> descriptors;
    for (int slot = 0; slot < m_slotCount; ++slot) {
        if (m_threads[size_t(slot)])
            m_builders.at(slot)->addWaitDescriptors(&descriptors);
    }
    if (descriptors.empty())
        return;
    m_waitDescriptors.resize(descriptors.size());
    for (size_t i = 0; i < descriptors.size(); ++i)
        m_waitDescriptors[i] = pollfd{descriptors[i], POLLIN, 0};
    ::poll(m_waitDescriptors.data(), nfds_t(m_waitDescriptors.size()), 1);
}

void ProjectSystemBuilder::endBuild()
{
    m_running = false;
    m_runList.clear();
    m_cursor = m_runList.end();
    m_planner.reset();
}
