#include "buildsystem.h"

#include "builder.h"
#include "projectjob.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Whether a job of the same project that this one waits for, directly or through
// others of that project, built something.
bool projectJobsBuilt(const ProjectJob &job, const ProjectElement *project)
{
    for (const ProjectJob *dependency : job.dependencies()) {
        if (dependency->node()->project() != project)
            continue;
        if (dependency->hasBuilt() || projectJobsBuilt(*dependency, project))
            return true;
    }
    return false;
}

} // namespace

BuildSystem::BuildSystem(ProjectSystem *projects) : m_projects(projects)
{
}

BuildSystem::~BuildSystem() = default;

QString BuildSystem::property(const ProjectElement *node, const QString &saveName,
                              const QString &configuration) const
{
    return m_projects->expandedValue(node, saveName, configuration);
}

bool BuildSystem::isYes(const ProjectElement *node, const QString &saveName,
                        const QString &configuration) const
{
    return m_projects->value(node, saveName, configuration) == QLatin1String("Yes");
}

bool BuildSystem::isExcluded(const ProjectElement *node, const QString &configuration) const
{
    return isYes(node, QStringLiteral("build_exclude_from_build"), configuration);
}

void BuildSystem::beginBuild()
{
}

QString BuildSystem::preparationKey(const ProjectElement *, const QString &) const
{
    return QString();
}

int BuildSystem::expectedSteps(const ProjectElement *, const QString &) const
{
    return 1;
}

bool BuildSystem::hasOwnJob(const ProjectElement *, const QString &) const
{
    return false;
}

QString BuildSystem::unityBuildFileName(const ProjectElement *folder,
                                        const QString &configuration) const
{
    return m_projects->value(folder, QStringLiteral("unity_build_file_name"), configuration);
}

bool BuildSystem::needsNoBuild(const ProjectElement *, const QString &) const
{
    return false;
}

void BuildSystem::reportDependencyError(const ProjectElement *node,
                                        const QString &configuration, const QString &title,
                                        const QStringList &messages)
{
    m_dependencyErrors.append({node, configuration, title, messages});
}

void BuildSystem::prepare(const QString &, ProjectElement *, const QString &, Builder &)
{
}

QStringList BuildSystem::buildDirectories(const ProjectElement *project,
                                          const QString &configuration) const
{
    const QDir projectDir(m_projects->absoluteFileName(project, configuration));
    QStringList directories;
    for (const char *name : {"build_output_directory", "build_intermediate_directory"}) {
        const QString directory = property(project, QString::fromLatin1(name), configuration);
        if (!directory.isEmpty())
            directories.append(QDir::cleanPath(projectDir.absoluteFilePath(directory)));
    }
    directories.removeDuplicates();
    return directories;
}

void BuildSystem::createDirectories(ProjectElement *project, const QString &configuration,
                                    Builder &builder)
{
    builder.beginGroup(project, "Creating Build Directories For '" + project->name() + "'",
                       configuration, 0);
    const QStringList directories = buildDirectories(project, configuration);
    for (const QString &directory : directories) {
        if (QFileInfo(directory).isDir())
            continue;
        if (!runAndWait(builder, project, configuration, QDir::currentPath(),
                        {QStringLiteral("mkdir"), QStringLiteral("-p"), directory}, QString()))
            break;
    }
    builder.endGroup(project, configuration);
}

bool BuildSystem::runAndWait(Builder &builder, const ProjectElement *node,
                             const QString &configuration, const QString &directory,
                             const QStringList &arguments, const QString &outputFile)
{
    builder.runCommand(directory, arguments, outputFile);
    int status = 0;
    while (!builder.waitCommand(node, configuration, &status)) {
    }
    return status == 0;
}

bool BuildSystem::runCommandLines(Builder &builder, const ProjectElement *node,
                                  const QString &configuration, const QString &directory,
                                  const QString &commands)
{
    const QStringList lines = commands.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &line : lines) {
        if (line.trimmed().isEmpty())
            continue;
        if (!runAndWait(builder, node, configuration, directory,
                        {QStringLiteral("sh"), QStringLiteral("-c"), line}, QString()))
            return false;
    }
    return true;
}

bool BuildSystem::runProjectStep(ProjectElement *project, const QString &configuration,
                                 Builder &builder, const QString &title,
                                 const QString &commands)
{
    builder.beginGroup(project, title + " '" + project->name() + "'", configuration, 0);
    const bool succeeded = runCommandLines(builder, project, configuration,
                                           m_projects->absoluteFileName(project, configuration),
                                           commands);
    builder.endGroup(project, configuration);
    return succeeded;
}

bool BuildSystem::preBuild(ProjectElement *project, const QString &configuration,
                           Builder &builder, quint32 options)
{
    const QString commands = property(project, QStringLiteral("pre_build_command"),
                                      configuration);
    if (commands.trimmed().isEmpty())
        return true;
    const QString control = m_projects->value(project, QStringLiteral("pre_build_command_control"),
                                              configuration);
    if (control == QLatin1String("Run When Build Required")) {
        NullBuilder probe;
        if (!buildNode(project, configuration, probe, options | ProjectJob::Quiet))
            return true;
    }
    return runProjectStep(project, configuration, builder, QStringLiteral("Pre-Building"),
                          commands);
}

bool BuildSystem::postBuild(ProjectElement *project, const QString &configuration,
                            Builder &builder, quint32, bool built)
{
    const QString commands = property(project, QStringLiteral("post_build_command"),
                                      configuration);
    if (commands.trimmed().isEmpty())
        return true;
    const QString control = m_projects->value(project, QStringLiteral("post_build_command_control"),
                                              configuration);
    if (control == QLatin1String("Run When Build Has Occurred") && !built)
        return true;
    return runProjectStep(project, configuration, builder, QStringLiteral("Post-Building"),
                          commands);
}

bool BuildSystem::runJob(ProjectJob &job, Builder &builder, QSet<QString> *handledKeys)
{
    ProjectElement *node = job.node();
    const QString &configuration = job.configuration();
    const quint32 options = job.buildOptions();
    if (!job.preparationKey().isEmpty()) {
        if (!handledKeys || !handledKeys->contains(job.preparationKey())) {
            if (handledKeys)
                handledKeys->insert(job.preparationKey());
            prepare(job.preparationKey(), node, configuration, builder);
        }
        return false;
    }
    if (job.isDirectoryJob()) {
        createDirectories(node, configuration, builder);
        return false;
    }
    const bool isProject = node->kind() == NodeKind::Project;
    const bool cleaning = options & ProjectJob::Clean;
    bool built = false;
    if (!(options & (ProjectJob::MainJob | ProjectJob::FinalJob)))
        return buildNode(node, configuration, builder, options);  // a file's own job
    if (options & ProjectJob::MainJob) {
        const bool cleanOnly = cleaning && (options & ProjectJob::StopAfterClean);
        if (isProject && !cleanOnly && !preBuild(node, configuration, builder, options))
            return false;
        if (!job.isNodeBuildDeferred())
            built = buildNode(node, configuration, builder, options);
    }
    if (options & ProjectJob::FinalJob) {
        if (options & ProjectJob::NoDescent)
            built = buildNode(node, configuration, builder, options) || built;
        if (isProject && !cleaning)
            postBuild(node, configuration, builder, options,
                      built || projectJobsBuilt(job, node));
    }
    return built;
}
