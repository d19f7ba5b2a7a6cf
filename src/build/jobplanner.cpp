#include "jobplanner.h"

#include "buildsystem.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/solution.h"

namespace {

// Staging and combining are the project kinds whose dependencies usually must run in
// order; the project system answers from project_can_build_in_parallel.
bool hasDirectoryJob(const QString &projectType)
{
    return projectType == QLatin1String("Executable") || projectType == QLatin1String("Library")
           || projectType == QLatin1String("Object file");
}

constexpr quint32 noFinalJobsBit = 0x1000;

} // namespace

JobPlanner::JobPlanner(BuildSystem *system) : m_system(system)
{
}

JobPlanner::~JobPlanner() = default;

void JobPlanner::reset()
{
    m_projectJobs.clear();
    m_preparationJobs.clear();
    m_inProgress.clear();
    m_dependencyCache.clear();
    m_projectsByName.clear();
    m_jobs.clear();
    m_sequence = 0;
    m_totalSteps = 0;
    m_projectCount = 0;
    m_forcedSlotCount = 0;
    m_cancelled = false;
}

bool JobPlanner::wantsFinalJobs(const BuildSystem &system, const ProjectElement *node,
                                const QString &configuration, quint32 options)
{
    if (options & (ProjectJob::NoDescent | noFinalJobsBit))
        return false;
    return !system.needsNoBuild(node, configuration);
}

ProjectJob *JobPlanner::makeJob(ProjectElement *node, const QString &configuration,
                                quint32 options)
{
    m_jobs.push_back(std::make_unique<ProjectJob>(node, configuration, options, ++m_sequence));
    return m_jobs.back().get();
}

bool JobPlanner::plan(ProjectElement *node, const QString &configuration, quint32 options,
                      bool followDependencies, bool makeFinalJobs, ProjectJobList &runList)
{
    reset();
    m_system->beginBuild();
    options &= ProjectJob::optionMask & ~(ProjectJob::MainJob | ProjectJob::FinalJob);
    const Request request{configuration, options, followDependencies, makeFinalJobs,
                          &runList};
    ProjectJobList output;
    switch (node->kind()) {
    case NodeKind::Solution:
        for (ProjectElement *project : m_system->projects().projects(node)) {
            if (m_cancelled)
                break;
            planProject(project, {configuration, options, true, makeFinalJobs, &runList},
                        output, nullptr);
        }
        break;
    case NodeKind::Project:
    case NodeKind::Folder:
        if (ProjectElement *project = node->project())
            planProject(project, request, output, nullptr);
        break;
    default: {
        // A single file: its build and the final step, one after the other on one slot.
        ProjectJob *main = makeJob(node, configuration, options | ProjectJob::MainJob);
        main->setExpectedSteps(m_system->expectedSteps(node, configuration));
        runList.append(main);
        m_totalSteps += main->expectedSteps();
        ProjectJob *final = makeJob(node, configuration, options | ProjectJob::FinalJob);
        final->dependencies().append(main);
        runList.append(final);
        m_forcedSlotCount = 1;
        break;
    }
    }
    return !m_cancelled;
}

// One walk of the loaded solutions per plan, rather than one per dependency named.
ProjectElement *JobPlanner::findProject(const QString &name)
{
    if (m_projectsByName.isEmpty()) {
        const ProjectSystem &projects = m_system->projects();
        for (const Solution *solution : projects.solutions()) {
            for (ProjectElement *project : projects.projects(solution->root())) {
                if (!m_projectsByName.contains(project->name()))
                    m_projectsByName.insert(project->name(), project);
            }
        }
    }
    return m_projectsByName.value(name);
}

const QList<ProjectElement *> &JobPlanner::knownDependencies(ProjectElement *project,
                                                             const QString &configuration)
{
    auto &cache = m_dependencyCache[configuration];
    const auto found = cache.constFind(project);
    if (found != cache.constEnd())
        return *found;
    QList<ProjectElement *> dependencies;
    const ProjectSystem &projects = m_system->projects();
    const QStringList names = projects.projectDependencies(project, configuration);
    for (const QString &name : names) {
        if (ProjectElement *dependency = findProject(name))
            dependencies.append(dependency);
    }
    return *cache.insert(project, dependencies);
}

// Whether `target` can be reached from `from` through project dependencies (`from`
// itself included). Each project is visited once, so cycles elsewhere end the search too.
bool JobPlanner::dependsOn(ProjectElement *from, const ProjectElement *target,
                           const QString &configuration)
{
    QSet<const ProjectElement *> visited;
    QList<ProjectElement *> pending{from};
    while (!pending.isEmpty()) {
        ProjectElement *project = pending.takeLast();
        if (project == target)
            return true;
        if (visited.contains(project))
            continue;
        visited.insert(project);
        pending += knownDependencies(project, configuration);
    }
    return false;
}

QList<ProjectElement *> JobPlanner::acceptedDependencies(ProjectElement *project,
                                                         const Request &request)
{
    QList<ProjectElement *> accepted;
    QStringList messages;
    const ProjectSystem &projects = m_system->projects();
    const QString &configuration = request.configuration;
    const QStringList names = projects.projectDependencies(project, configuration);
    for (const QString &name : names) {
        ProjectElement *dependency = findProject(name);
        if (!dependency) {
            messages.append("Can't find project '" + name + "'");
        } else if (!projects.definesConfiguration(dependency, configuration)) {
            messages.append("Configuration '" + configuration
                            + "' doesn't apply to dependent project '" + name + "'");
        } else if (dependsOn(dependency, project, configuration)) {
            messages.append("Project '" + project->name()
                            + "' has cyclic dependency on project '" + name + "'");
        } else {
            accepted.append(dependency);
        }
    }
    if (!messages.isEmpty()) {
        m_system->reportDependencyError(project, configuration,
                                        "Dependency error detected in '" + project->name()
                                            + "'",
                                        messages);
    }
    return accepted;
}

void JobPlanner::planProject(ProjectElement *project, const Request &request,
                             ProjectJobList &output, ProjectElement *predecessor)
{
    const QString &configuration = request.configuration;
    if (m_cancelled || m_inProgress.contains(project)
        || m_system->isExcluded(project, configuration)) {
        return;
    }
    ++m_projectCount;
    if (m_keepAlive && !m_keepAlive()) {
        m_cancelled = true;
        return;
    }
    if (ProjectJob *earlier = m_projectJobs.value(project).value(configuration)) {
        output.append(earlier);
        return;
    }
    m_inProgress.insert(project);

    QList<ProjectElement *> dependencies;
    if (predecessor)
        dependencies.append(predecessor);
    if (request.followDependencies)
        dependencies += acceptedDependencies(project, request);
    const bool parallel = m_system->projects().canBuildInParallel(project, configuration);
    ProjectJobList dependencyJobs;
    ProjectElement *previous = nullptr;
    for (ProjectElement *dependency : qAsConst(dependencies)) {
        planProject(dependency, request, dependencyJobs, parallel ? nullptr : previous);
        previous = dependency;
    }
    if (m_cancelled) {
        m_inProgress.remove(project);
        return;
    }

    ProjectJob *main = makeJob(project, configuration, request.options | ProjectJob::MainJob);
    main->setExpectedSteps(m_system->expectedSteps(project, configuration));
    const QString key = m_system->preparationKey(project, configuration);
    if (!key.isEmpty()) {
        ProjectJob *&keyJob = m_preparationJobs[key];
        if (!keyJob) {
            keyJob = makeJob(project, configuration, request.options);
            keyJob->setPreparationKey(key);
            request.runList->append(keyJob);
        }
        main->dependencies().append(keyJob);
    }
    const QString type = m_system->projects().value(project, QStringLiteral("project_type"),
                                                    configuration);
    if ((request.options & ProjectJob::DirectoryJobs) && hasDirectoryJob(type)) {
        ProjectJob *directoryJob = makeJob(project, configuration, request.options);
        directoryJob->setDirectoryJob(true);
        directoryJob->setExpectedSteps(1);
        request.runList->append(directoryJob);
        main->dependencies().append(directoryJob);
    }
    for (ProjectJob *job : dependencyJobs)
        main->dependencies().append(job);
    // Whether the files have jobs of their own is settled before the main job enters
    // the run list: an export list runs the job as it is appended.
    QList<ProjectJob *> fileJobs;
    if (request.makeFinalJobs)
        collectFileJobs(project, request, fileJobs);
    main->setNodeBuildDeferred(!fileJobs.isEmpty());
    request.runList->append(main);
    m_totalSteps += main->expectedSteps();

    ProjectJob *result = main;
    if (request.makeFinalJobs) {
        ProjectJob *final = nullptr;
        if (fileJobs.isEmpty()) {
            final = makeJob(project, configuration, request.options | ProjectJob::FinalJob);
            final->dependencies().append(main);
        } else {
            for (ProjectJob *fileJob : qAsConst(fileJobs)) {
                fileJob->dependencies().append(main);
                request.runList->append(fileJob);
            }
            final = makeJob(project, configuration,
                            request.options | ProjectJob::FinalJob | ProjectJob::NoDescent);
            for (ProjectJob *fileJob : qAsConst(fileJobs))
                final->dependencies().append(fileJob);
        }
        request.runList->append(final);
        result = final;
    }
    m_projectJobs[project].insert(configuration, result);
    m_inProgress.remove(project);
    output.append(result);
}

// The files of a project that build on their own slots; a unity folder builds as one.
void JobPlanner::collectFileJobs(ProjectElement *parent, const Request &request,
                                 QList<ProjectJob *> &fileJobs)
{
    const QString &configuration = request.configuration;
    for (ProjectElement *child = parent->firstChildNode(); child;
         child = child->nextSiblingNode()) {
        const NodeKind kind = child->kind();
        if ((kind != NodeKind::File && kind != NodeKind::Folder)
            || m_system->isExcluded(child, configuration)) {
            continue;
        }
        const bool unity = kind == NodeKind::Folder
                           && !(request.options & ProjectJob::DisableUnityBuild)
                           && !m_system->unityBuildFileName(child, configuration).isEmpty();
        if (kind == NodeKind::Folder && !unity) {
            collectFileJobs(child, request, fileJobs);
            continue;
        }
        if (kind == NodeKind::File && !m_system->hasOwnJob(child, configuration))
            continue;
        fileJobs.append(makeJob(child, configuration, request.options));
    }
}
