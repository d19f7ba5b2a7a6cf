#pragma once

#include "jobplanner.h"

#include <QSet>
#include <QString>

class Builder;
class BuildSystem;
class ProjectElement;

/// Runs a build request one job at a time through one builder, in the order of the job
/// list: the simplest driver of the engine, for exports, status checks and small
/// command-line builds. Without KeepGoing the first failed job ends the build; with it
/// the remaining jobs still run and the build still ends failed.
class SerialBuild
{
public:
    /// The outcome of run(), numbered as the environment's build results.
    enum Result { NothingBuilt = 0, Built = 1, Failed = 2, Cancelled = 3 };

    SerialBuild(BuildSystem *system, Builder *builder);

    /// Plans and runs the request. `followDependencies` also builds the projects the
    /// node's project depends on.
    Result run(ProjectElement *node, const QString &configuration, quint32 options,
               bool followDependencies = true);
    /// Runs `runList` as planned by the caller, each shared preparation once.
    Result runJobs(const ProjectJobList &runList, quint32 options);

    const JobPlanner &planner() const { return m_planner; }
    /// The jobs that failed, by sequence number, in the last run.
    const QList<int> &failedJobs() const { return m_failedJobs; }

private:
    BuildSystem *m_system;
    Builder *m_builder;
    JobPlanner m_planner;
    QSet<QString> m_handledKeys;
    QList<int> m_failedJobs;
};
