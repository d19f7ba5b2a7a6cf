#include "projectsystem.h"

#include "projectelement.h"
#include "propertyclass.h"
#include "solution.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QProcess>

#include <algorithm>

namespace {

const QString common = QStringLiteral("Common");

// Restores the tracking state on every way out of a load.
class TrackingPause
{
public:
    explicit TrackingPause(ProjectSystem *system) : m_system(system), m_was(system->isTracking())
    {
        system->setTracking(false);
    }
    ~TrackingPause() { m_system->setTracking(m_was); }
    TrackingPause(const TrackingPause &) = delete;
    TrackingPause &operator=(const TrackingPause &) = delete;

private:
    ProjectSystem *m_system;
    bool m_was;
};

// A linked solution element below the root; the root's own "file_name" (if any) does not
// move the solution.
bool isLinkedSolution(const ProjectElement *node)
{
    return node->kind() == NodeKind::Solution && node->isLinked() && node->parentNode()
           && !node->fileName().isEmpty();
}

// The solution element that stands for the file `node` was read from.
const ProjectElement *fileSolution(const ProjectElement *node)
{
    const ProjectElement *solution = node->solution();
    while (solution && solution->parentNode() && !isLinkedSolution(solution))
        solution = solution->parentNode()->solution();
    return solution;
}

QString outputExtension(const QString &projectType)
{
    if (projectType == QLatin1String("Executable"))
        return QStringLiteral(".elf");
    if (projectType == QLatin1String("Library"))
        return QStringLiteral(".a");
    if (projectType == QLatin1String("Object file"))
        return QStringLiteral(".o");
    return QString();
}

} // namespace

ProjectSystem::ProjectSystem(MacroService *macros, const PropertyCatalogue *catalogue)
    : m_macros(macros ? macros : MacroService::instance()),
      m_catalogue(catalogue ? catalogue : &PropertyCatalogue::standard())
{
    if (!m_macros) {
        m_ownMacros = std::make_unique<MacroService>();
        m_macros = m_ownMacros.get();
    }
}

ProjectSystem::~ProjectSystem()
{
    m_closing = true;  // the nodes going now need not be forgotten one by one
    m_solutions.clear();
}

// --- Solutions -------------------------------------------------------------------------

Solution *ProjectSystem::loadSolution(const QString &path)
{
    Solution::checkReadable(path, path);
    const QFileInfo info(path);
    progress("Loading solution " + info.fileName());
    const QString absolutePath = QDir::cleanPath(info.absoluteFilePath());
    if (findSolution(absolutePath))
        throw SolutionLoadError(path, path + " solution already loaded");

    TrackingPause pause(this);
    // Listed before it is read, so that its load commands can use its macros.
    m_solutions.push_back(std::make_unique<Solution>(this, absolutePath));
    Solution *solution = m_solutions.back().get();
    try {
        solution->load(path);
    } catch (...) {
        m_solutions.pop_back();
        throw;
    }
    return solution;
}

void ProjectSystem::closeSolution(Solution *solution)
{
    const auto it = std::find_if(m_solutions.begin(), m_solutions.end(),
                                 [solution](const auto &owned) { return owned.get() == solution; });
    if (it == m_solutions.end())
        return;
    if (m_activeProject && m_activeProject->document() == &solution->document())
        m_activeProject = nullptr;
    m_solutions.erase(it);
}

std::vector<Solution *> ProjectSystem::solutions() const
{
    std::vector<Solution *> list;
    for (const auto &solution : m_solutions)
        list.push_back(solution.get());
    return list;
}

Solution *ProjectSystem::solutionOf(const ProjectElement *node) const
{
    for (const auto &solution : m_solutions) {
        if (&solution->document() == node->document())
            return solution.get();
    }
    return nullptr;
}

QString ProjectSystem::solutionFilePath(const ProjectElement *node) const
{
    const Solution *solution = solutionOf(node);
    if (!solution)
        return QString();
    std::vector<const ProjectElement *> links;
    for (const ProjectElement *at = node; at; at = at->parentNode()) {
        if (isLinkedSolution(at))
            links.push_back(at);
    }
    // Each link's file name counts from the file of the link above it.
    QString path = solution->path();
    for (auto it = links.rbegin(); it != links.rend(); ++it)
        path = QDir::cleanPath(QFileInfo(path).dir().absoluteFilePath((*it)->fileName()));
    return path;
}

Solution *ProjectSystem::findSolution(const QString &absolutePath) const
{
    for (const auto &solution : m_solutions) {
        if (solution->path() == absolutePath)
            return solution.get();
    }
    return nullptr;
}

// --- Resolution ------------------------------------------------------------------------

const PropertyClass *ProjectSystem::propertyClass(const QString &saveName) const
{
    return m_catalogue->find(saveName);
}

bool ProjectSystem::lookUp(const ProjectElement *node, const QString &configuration,
                           const PropertyClass &property, QString &value,
                           PropertyTrace *trace) const
{
    const ProjectElement *element = node->configuration(configuration);
    if (!element)
        return false;
    const auto &attributes = element->attributes();
    const auto it = attributes.constFind(property.attributeName());
    if (it == attributes.constEnd())
        return false;
    const QString found = QString::fromUtf8(it->value);
    if (trace)
        trace->append({found, element->description(), node});
    // Each find of an accumulating property goes in front of the earlier ones, so the
    // outermost level ends up first: solution S and project P give "S;P;".
    if (property.isAccumulating())
        value = found + QLatin1Char(';') + value;
    else
        value = found;
    return true;
}

bool ProjectSystem::fallback(const ProjectElement *, const QString &, const PropertyClass &,
                             QString *) const
{
    return false;
}

QStringList ProjectSystem::inheritedConfigurations(const ProjectElement *node,
                                                   const QString &configuration) const
{
    const ProjectElement *solution = node->solution();
    if (!solution)
        return {};
    QStringList inherited = solution->inheritedConfigurations(configuration);
    if (inherited.isEmpty() && solution->parentNode()) {
        if (const ProjectElement *outer = solution->parentNode()->solution())
            inherited = outer->inheritedConfigurations(configuration);
    }
    return inherited;
}

// All configurations of a level are consulted before the next level: the node's own
// configuration, those it inherits (in their declared order) and "Common".
QString ProjectSystem::value(const ProjectElement *node, const PropertyClass &property,
                             const QString &configuration, PropertyTrace *trace) const
{
    QString result;
    const bool accumulating = property.isAccumulating();
    for (const ProjectElement *level = node; level; level = level->parentNode()) {
        if (!level->hasConfigurations())
            continue;
        if (lookUp(level, configuration, property, result, trace) && !accumulating)
            return result;
        if (configuration != common) {
            const QStringList inheritedNames = inheritedConfigurations(level, configuration);
            for (const QString &inherited : inheritedNames) {
                if (lookUp(level, inherited, property, result, trace) && !accumulating)
                    return result;
            }
        }
        if (lookUp(level, common, property, result, trace) && !accumulating)
            return result;
    }
    if (!result.isEmpty())
        return result;
    if (fallback(node, configuration, property, &result))
        return result;
    result = property.defaultValue();
    if (trace)
        trace->append({result, QString(), nullptr});
    return result;
}

QString ProjectSystem::value(const ProjectElement *node, const QString &saveName,
                             const QString &configuration, PropertyTrace *trace) const
{
    if (const PropertyClass *property = propertyClass(saveName))
        return value(node, *property, configuration, trace);
    const PropertyClass unknown(saveName, PropertyKind::String, QString(), QString());
    return value(node, unknown, configuration, trace);
}

QString ProjectSystem::expandedValue(const ProjectElement *node, const QString &saveName,
                                     const QString &configuration) const
{
    return expand(node, configuration, value(node, saveName, configuration));
}

MacroTable ProjectSystem::baseMacros(const ProjectElement *node,
                                     const QString &configuration) const
{
    MacroTable table;
    table.insert(QStringLiteral("Configuration"), configuration);
    table.insert(QStringLiteral("EXE"), QStringLiteral(".elf"));
    table.insert(QStringLiteral("LIB"), QStringLiteral(".a"));
    table.insert(QStringLiteral("OBJ"), QStringLiteral(".o"));
    const QString solutionPath = solutionFilePath(node);
    if (!solutionPath.isEmpty()) {
        const ProjectElement *solution = fileSolution(node);
        table.insert(QStringLiteral("SolutionDir"), QFileInfo(solutionPath).absolutePath());
        table.insert(QStringLiteral("SolutionPath"), solutionPath);
        table.insert(QStringLiteral("SolutionName"), solution ? solution->name() : QString());
    }
    if (const ProjectElement *project = node->project())
        table.insert(QStringLiteral("ProjectName"), project->name());
    return table;
}

MacroTable ProjectSystem::macros(const ProjectElement *node, const QString &configuration) const
{
    MacroTable table = baseMacros(node, configuration);
    const ProjectElement *project = node->project();
    if (project) {
        table.insert(QStringLiteral("ProjectDir"), projectDirectory(project, configuration));
        table.insert(QStringLiteral("OutputExt"),
                     outputExtension(value(project, QStringLiteral("project_type"),
                                           configuration)));
        table.insert(QStringLiteral("OutDir"),
                     value(node, QStringLiteral("build_output_directory"), configuration));
        table.insert(QStringLiteral("IntDir"),
                     value(node, QStringLiteral("build_intermediate_directory"),
                           configuration));
    }
    if (node->kind() == NodeKind::File) {
        const QFileInfo input(absoluteFileName(node, configuration));
        table.insert(QStringLiteral("InputPath"), input.filePath());
        table.insert(QStringLiteral("InputDir"), input.path());
        table.insert(QStringLiteral("InputFileName"), input.fileName());
        table.insert(QStringLiteral("InputName"), input.completeBaseName());
        const QString suffix = input.suffix();
        table.insert(QStringLiteral("InputExt"), suffix.isEmpty() ? suffix : "." + suffix);
    }
    return table;
}

QString ProjectSystem::expand(const ProjectElement *node, const QString &configuration,
                              const QString &text) const
{
    if (!m_macros || !text.contains(QLatin1Char(MacroService::introducer)))
        return text;
    return m_macros->expand(macros(node, configuration), text, true, true);
}

// --- Queries of the build engine -------------------------------------------------------

QStringList ProjectSystem::projectDependencies(const ProjectElement *project,
                                               const QString &configuration) const
{
    return value(project, QStringLiteral("project_dependencies"), configuration)
        .split(QLatin1Char(';'), Qt::SkipEmptyParts);
}

bool ProjectSystem::canBuildInParallel(const ProjectElement *project,
                                       const QString &configuration) const
{
    const QString parallel =
        value(project, QStringLiteral("project_can_build_in_parallel"), configuration);
    if (!parallel.isEmpty())
        return parallel == QLatin1String("Yes");
    const QString type = value(project, QStringLiteral("project_type"), configuration);
    return type != QLatin1String("Staging") && type != QLatin1String("Combining");
}

bool ProjectSystem::definesConfiguration(const ProjectElement *project,
                                         const QString &configuration) const
{
    if (configuration == common)
        return true;
    for (const ProjectElement *node = project; node; node = node->parentNode()) {
        if ((node == project || node->kind() == NodeKind::Solution)
            && node->configuration(configuration)) {
            return true;
        }
    }
    return false;
}

std::vector<ProjectElement *> ProjectSystem::projects(const ProjectElement *node) const
{
    std::vector<ProjectElement *> found;
    std::vector<const ProjectElement *> pending{node};
    while (!pending.empty()) {
        const ProjectElement *at = pending.back();
        pending.pop_back();
        if (at->kind() == NodeKind::Project)
            found.push_back(const_cast<ProjectElement *>(at));
        std::vector<const ProjectElement *> children;
        for (ProjectElement *child = at->firstChildNode(); child; child = child->nextSiblingNode())
            children.push_back(child);
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return found;
}

ProjectElement *ProjectSystem::findProject(const QString &name) const
{
    for (const auto &solution : m_solutions) {
        for (ProjectElement *project : projects(solution->root())) {
            if (project->name() == name)
                return project;
        }
    }
    return nullptr;
}

QStringList ProjectSystem::buildConfigurations(const ProjectElement *solution) const
{
    QStringList names = solution->configurationNames();
    names.removeAll(common);
    return names;
}

QString ProjectSystem::solutionDirectory(const ProjectElement *node) const
{
    const QString path = solutionFilePath(node);
    return path.isEmpty() ? QDir::currentPath() : QFileInfo(path).absolutePath();
}

QString ProjectSystem::projectDirectory(const ProjectElement *project,
                                        const QString &configuration) const
{
    const QString solutionDir = solutionDirectory(project);
    QString directory = value(project, QStringLiteral("project_directory"), configuration);
    if (m_macros && directory.contains(QLatin1Char(MacroService::introducer)))
        directory = m_macros->expand(baseMacros(project, configuration), directory, true, true);
    return QDir::cleanPath(QDir(solutionDir).absoluteFilePath(directory));
}

QString ProjectSystem::absoluteFileName(const ProjectElement *node,
                                        const QString &configuration) const
{
    const ProjectElement *project = node->project();
    QString base;
    if (project) {
        base = projectDirectory(project, configuration);
    } else {
        base = solutionDirectory(node);
    }
    if (node->kind() != NodeKind::File)
        return base;
    QString name = node->fileName();
    if (m_macros && name.contains(QLatin1Char(MacroService::introducer))) {
        MacroTable table = baseMacros(node, configuration);
        table.insert(QStringLiteral("ProjectDir"), base);
        name = m_macros->expand(table, name, true, true);
    }
    return QDir::cleanPath(QDir(base).absoluteFilePath(name));
}

// --- Change tracking -------------------------------------------------------------------

void ProjectSystem::recordChange(const ProjectElement *node, const QString &configuration,
                                 const QString &propertyName)
{
    m_changes.push_back(
        {QDateTime::currentMSecsSinceEpoch(), node, configuration, propertyName});
}

const PropertyChange *ProjectSystem::changeAffecting(const ProjectElement *node,
                                                     const QString &configuration,
                                                     qint64 since) const
{
    QStringList configurations{configuration, common};
    configurations += inheritedConfigurations(node, configuration);
    for (const PropertyChange &change : m_changes) {
        if (change.time > since && node->isAtOrBelow(change.node)
            && configurations.contains(change.configuration)) {
            return &change;
        }
    }
    return nullptr;
}

void ProjectSystem::forgetNode(const ProjectElement *node)
{
    if (m_closing)
        return;
    if (m_activeProject == node)
        m_activeProject = nullptr;
    if (m_changes.empty())
        return;
    m_changes.erase(std::remove_if(m_changes.begin(), m_changes.end(),
                                   [node](const PropertyChange &change) {
                                       return change.node == node;
                                   }),
                    m_changes.end());
}

// --- Hooks -----------------------------------------------------------------------------

void ProjectSystem::progress(const QString &)
{
}

bool ProjectSystem::runLoadCommand(const QString &command, const QStringList &environment,
                                   const QString &workingDirectory, QString *error)
{
    QProcessEnvironment processEnvironment = QProcessEnvironment::systemEnvironment();
    for (const QString &entry : environment) {
        const int equals = entry.indexOf(QLatin1Char('='));
        if (equals < 0)
            processEnvironment.insert(entry, QString());
        else
            processEnvironment.insert(entry.left(equals), entry.mid(equals + 1));
    }
    QProcess process;
    process.setProcessEnvironment(processEnvironment);
    process.setWorkingDirectory(workingDirectory);
    // The commands' output is not ours to show; the exit status is what counts.
    process.setStandardOutputFile(QProcess::nullDevice());
    process.setStandardErrorFile(QProcess::nullDevice());
    // Through the shell, so that a command line quotes and redirects as users expect;
    // the shell's status 127 means it could not find the command.
    process.start(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command});
    const bool started = process.waitForStarted(-1);
    if (started)
        process.waitForFinished(-1);
    if (!started || (process.exitStatus() == QProcess::NormalExit && process.exitCode() == 127)) {
        *error = "solution load command \"" + command + "\" not found";
        return false;
    }
    if (process.exitStatus() != QProcess::NormalExit) {
        *error = "solution load command failed (crashed): " + command;
        return false;
    }
    if (process.exitCode() != 0) {
        *error = QStringLiteral("solution load command failed (exit status %1): %2")
                     .arg(process.exitCode())
                     .arg(command);
        return false;
    }
    return true;
}
