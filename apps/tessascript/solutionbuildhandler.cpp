#include "solutionbuildhandler.h"

#include "build/buildlog.h"
#include "build/projectjob.h"
#include "build/projectsystembuilder.h"
#include "build/standardbuildsystem.h"
#include "projectsystem/projectelement.h"
#include "projectsystem/propertyclass.h"
#include "projectsystem/solution.h"
#include "qtx/hexception.h"
#include "qtx/toolentry.h"
#include "qtx/toolsupport.h"

namespace {

const QString targetProperty = QStringLiteral("Target");
const QString common = QStringLiteral("Common");

} // namespace

SolutionBuildHandler::SolutionBuildHandler(const QString &solutionPath,
                                           const QString &configuration)
{
    m_solution = m_projects.loadSolution(solutionPath);
    ProjectElement *root = m_solution->root();
    const QStringList configurations = m_projects.buildConfigurations(root);
    if (!configuration.isNull()) {
        if (!configurations.contains(configuration))
            throw HException("no configuration " + QTx::quoted(configuration)
                             + " in the solution");
        m_configuration = configuration;
    } else {
        m_configuration = configurations.value(0, common);
    }
    for (ProjectElement *project : m_projects.projects(root)) {
        if (project->kind() == NodeKind::Project) {
            m_activeProject = project;
            break;
        }
    }
    m_system = std::make_unique<StandardBuildSystem>(&m_projects);
}

SolutionBuildHandler::~SolutionBuildHandler() = default;

// Actions 0 to 5 work on the solution, 7 to 13 on the active project; within each,
// build, rebuild and clean, then the same in every build configuration.
int SolutionBuildHandler::runBuildAction(int action, const std::function<bool()> &stopRequested)
{
    const bool project = action >= BuildActiveProject;
    const int kind = project ? action - BuildActiveProject : action;
    ProjectElement *node = project ? requireActiveProject() : m_solution->root();
    quint32 options = ProjectJob::Quiet;
    if (kind % 3 == 1)
        options |= ProjectJob::Rebuild;
    else if (kind % 3 == 2)
        options |= ProjectJob::Clean | ProjectJob::Rebuild | ProjectJob::StopAfterClean;
    QStringList configurations{m_configuration};
    if (kind >= 3)
        configurations = m_projects.buildConfigurations(m_solution->root());
    // The worst outcome counts: cancelled, then failed, then built.
    int status = ProjectSystemBuilder::NothingBuilt;
    for (const QString &configuration : std::as_const(configurations)) {
        const int result = build(node, configuration, options, stopRequested);
        if (result == ProjectSystemBuilder::Cancelled || status == ProjectSystemBuilder::Cancelled)
            status = ProjectSystemBuilder::Cancelled;
        else
            status = std::max(status, result);
        if (status == ProjectSystemBuilder::Cancelled)
            break;
    }
    return status;
}

// One build, its log printed whole group by whole group and closed by the summary line.
int SolutionBuildHandler::build(ProjectElement *node, const QString &configuration,
                                quint32 options, const std::function<bool()> &stopRequested)
{
    const auto print = [](const QString &line) { QTx::writeStandardOutput(line.toUtf8() + '\n'); };
    BuildLog log;
    log.setEchoWholeGroups(true);
    log.setEcho(print);
    const int result = ProjectSystemBuilder::runLogged(
        *m_system, ProjectSystemBuilder::requestNodes(m_projects, node, configuration),
        configuration, options, ProjectSystemBuilder::slotCountFor(0), false, log, nullptr,
        stopRequested);
    print(ProjectSystemBuilder::summaryLine(result, log));
    return result;
}

void SolutionBuildHandler::setBuildConfiguration(const QString &name)
{
    if (!m_projects.buildConfigurations(m_solution->root()).contains(name))
        throw HException("no build configuration " + QTx::quoted(name) + " in the solution");
    m_configuration = name;
}

QString SolutionBuildHandler::activeProject() const
{
    return m_activeProject ? m_activeProject->name() : QString();
}

void SolutionBuildHandler::setActiveProject(const QString &name)
{
    ProjectElement *project = m_projects.findProject(name);
    if (!project)
        throw HException("no project " + QTx::quoted(name) + " in the solution");
    m_activeProject = project;
}

QStringList SolutionBuildHandler::targetProcessors() const
{
    const PropertyClass *target = m_projects.propertyClass(targetProperty);
    return target ? target->choices() : QStringList();
}

// The value set on the active project or a node above it, in "Common".
bool SolutionBuildHandler::targetProcessor(QString *value) const
{
    for (const ProjectElement *node = requireActiveProject(); node; node = node->parentNode()) {
        if (node->ownPropertyValue(common, targetProperty, value))
            return true;
    }
    return false;
}

void SolutionBuildHandler::setTargetProcessor(const QString &value)
{
    requireActiveProject()->setPropertyValue(common, targetProperty, value);
}

ProjectElement *SolutionBuildHandler::requireActiveProject() const
{
    if (!m_activeProject)
        throw HException(QStringLiteral("the solution has no project"));
    return m_activeProject;
}
