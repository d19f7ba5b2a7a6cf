#include "projectjob.h"

#include "buildsystem.h"
#include "builder.h"

#include <algorithm>

ProjectJobList::~ProjectJobList() = default;

void ProjectJobList::append(ProjectJob *job)
{
    m_jobs.push_back(job);
}

bool ProjectJobList::contains(const ProjectJob *job) const
{
    return std::find(m_jobs.begin(), m_jobs.end(), job) != m_jobs.end();
}

ProjectJob::ProjectJob(ProjectElement *node, const QString &configuration, quint32 options,
                       int sequence)
    : m_node(node), m_configuration(configuration), m_options(options), m_sequence(sequence)
{
}

void ProjectJob::setExpectedSteps(int steps)
{
    m_options = (m_options & optionMask) | (quint32(qBound(0, steps, 0xffff)) << 16);
}

bool ProjectJob::dependenciesDone() const
{
    for (const ProjectJob *job : m_dependencies) {
        if (!job->isDone())
            return false;
    }
    return true;
}

QList<int> ProjectJob::dependencySequences() const
{
    QList<int> sequences;
    for (const ProjectJob *job : m_dependencies)
        sequences.append(job->sequence());
    return sequences;
}

QString ProjectJob::title(quint32 options)
{
    if (options & Clean)
        return QStringLiteral("Cleaning");
    if ((options & (StopAfterClean | Quiet)) == (StopAfterClean | Quiet))
        return QStringLiteral("Checking");
    if (options & Rebuild)
        return QStringLiteral("Rebuilding");
    if (options & Analyze)
        return QStringLiteral("Analyzing");
    return QStringLiteral("Building");
}

ExportProjectJobList::ExportProjectJobList(BuildSystem *system, Builder *builder)
    : m_system(system), m_builder(builder)
{
}

void ExportProjectJobList::append(ProjectJob *job)
{
    m_builder->jobCreated(job->node(), job->configuration(), job->options(), job->sequence(),
                          job->dependencySequences());
    job->setBuilt(m_system->runJob(*job, *m_builder, nullptr));
    job->setDone();
}
