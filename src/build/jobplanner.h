#pragma once

#include "projectjob.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>
#include <vector>

class BuildSystem;
class ProjectElement;

/// Turns a build request (a node, a configuration and options) into jobs in execution
/// order: the projects a project depends on first (in parallel or chained one after the
/// other, as the project allows), then for each project an optional shared preparation
/// and directory job, its main job, the jobs of its files and its final job.
///
/// The planner owns every job it makes until reset() or its destruction; the run list
/// and the dependency lists only point at them. Each project is planned once per build
/// in each configuration: a second request for it reuses the first one's jobs.
class JobPlanner
{
public:
    explicit JobPlanner(BuildSystem *system);
    ~JobPlanner();
    JobPlanner(const JobPlanner &) = delete;
    JobPlanner &operator=(const JobPlanner &) = delete;

    /// Called as each project is counted so that a long analysis can keep a user
    /// interface alive; returning false cancels the planning.
    void setKeepAlive(std::function<bool()> keepAlive) { m_keepAlive = std::move(keepAlive); }

    /// Forgets every job, the project map and the counters.
    void reset();
    /// Fills `runList` for a request on a solution, project, folder or file. A folder
    /// stands for its project. Returns false when the planning was cancelled.
    bool plan(ProjectElement *node, const QString &configuration, quint32 options,
              bool followDependencies, bool makeFinalJobs, ProjectJobList &runList);
    /// Whether a request makes final jobs: not with NoDescent or 0x1000 in the options,
    /// nor when the build system says the node needs no build.
    static bool wantsFinalJobs(const BuildSystem &system, const ProjectElement *node,
                               const QString &configuration, quint32 options);

    /// The sum of the expected steps of the main jobs.
    int totalSteps() const { return m_totalSteps; }
    /// The projects given jobs (counted once each time they are planned).
    int projectCount() const { return m_projectCount; }
    /// 1 for a single-file request, which must run on one slot; 0 otherwise.
    int forcedSlotCount() const { return m_forcedSlotCount; }
    int jobCount() const { return int(m_jobs.size()); }

private:
    struct Request
    {
        QString configuration;
        quint32 options;
        bool followDependencies;
        bool makeFinalJobs;
        ProjectJobList *runList;
    };

    ProjectJob *makeJob(ProjectElement *node, const QString &configuration, quint32 options);
    void planProject(ProjectElement *project, const Request &request, ProjectJobList &output,
                     ProjectElement *predecessor);
    QList<ProjectElement *> acceptedDependencies(ProjectElement *project,
                                                 const Request &request);
    bool dependsOn(ProjectElement *from, const ProjectElement *target,
                   const QString &configuration);
    const QList<ProjectElement *> &knownDependencies(ProjectElement *project,
                                                     const QString &configuration);
    /// The project a dependency names: the first of that name in the loaded solutions.
    ProjectElement *findProject(const QString &name);
    void collectFileJobs(ProjectElement *parent, const Request &request,
                         QList<ProjectJob *> &fileJobs);

    BuildSystem *m_system;
    std::function<bool()> m_keepAlive;
    std::vector<std::unique_ptr<ProjectJob>> m_jobs;
    QHash<const ProjectElement *, QHash<QString, ProjectJob *>> m_projectJobs;
    QHash<QString, ProjectJob *> m_preparationJobs;
    QSet<const ProjectElement *> m_inProgress;
    QHash<QString, ProjectElement *> m_projectsByName;  // filled on first use in a plan
    // The resolved project_dependencies of each project (unknown names left out), so
    // that the cycle search reads each project's value once.
    QHash<QString, QHash<const ProjectElement *, QList<ProjectElement *>>> m_dependencyCache;
    int m_sequence = 0;
    int m_totalSteps = 0;
    int m_projectCount = 0;
    int m_forcedSlotCount = 0;
    bool m_cancelled = false;
};
