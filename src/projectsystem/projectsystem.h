#pragma once

#include "macroservice.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>
#include <vector>

class MacroService;
class ProjectElement;
class PropertyCatalogue;
class PropertyClass;
class Solution;

/// Where one part of a resolved value came from: the value, the configuration element
/// that held it ("configuration 'Debug' of project 'App'") and its node; the default is
/// recorded with an empty description and no node.
struct PropertyTraceRecord
{
    QString value;
    QString description;
    const ProjectElement *node = nullptr;
};
using PropertyTrace = QList<PropertyTraceRecord>;

/// A property edit, kept in memory so that the build can tell whether an output is older
/// than a setting that affects it.
struct PropertyChange
{
    qint64 time = 0;  // milliseconds since the epoch
    const ProjectElement *node = nullptr;
    QString configuration;
    QString propertyName;
};

/// The project model: the loaded solutions, the property catalogue, the resolution of
/// property values through configurations and the tree, macro expansion of values, the
/// record of property changes, and the queries the build engine makes of the tree.
///
/// The virtual operations are the hooks a variant of the project system may override;
/// their base versions do nothing or supply nothing.
class ProjectSystem
{
public:
    /// Uses MacroService::instance() and the standard catalogue when given nullptr; with
    /// no service at all it keeps one of its own, so values still expand.
    explicit ProjectSystem(MacroService *macros = nullptr,
                           const PropertyCatalogue *catalogue = nullptr);
    virtual ~ProjectSystem();
    ProjectSystem(const ProjectSystem &) = delete;
    ProjectSystem &operator=(const ProjectSystem &) = delete;

    // --- Solutions -----------------------------------------------------------------

    /// Loads a solution file with the solution files it links; throws SolutionLoadError.
    /// The solution stays owned here.
    Solution *loadSolution(const QString &path);
    /// Whether loading runs the "load_command" of a solution and of the solutions it
    /// links (through runLoadCommand()). On by default; tools turn it off for files they
    /// do not trust.
    bool runsLoadCommands() const { return m_runLoadCommands; }
    void setRunLoadCommands(bool run) { m_runLoadCommands = run; }
    void closeSolution(Solution *solution);
    std::vector<Solution *> solutions() const;
    /// The loaded solution whose file is `absolutePath`, or nullptr.
    Solution *findSolution(const QString &absolutePath) const;
    /// The loaded solution that holds `node`, or nullptr.
    Solution *solutionOf(const ProjectElement *node) const;
    /// The file `node` was read from: for a node of a linked solution the linked file,
    /// otherwise the path of its loaded solution (empty when there is none). The
    /// solution macros and relative project and file names count from this file.
    QString solutionFilePath(const ProjectElement *node) const;

    // --- Properties ----------------------------------------------------------------

    const PropertyCatalogue &catalogue() const { return *m_catalogue; }
    /// The catalogue's property with this save name, or nullptr.
    const PropertyClass *propertyClass(const QString &saveName) const;

    /// The value of `property` for `node` in `configuration`: the node's configuration
    /// C, the configurations C inherits and "Common" are consulted at each level from
    /// the node to the root; the first find wins, except that the finds of an
    /// accumulating property are joined, each put in front of the earlier ones with
    /// ";". When nothing is found the fallback and then the default apply. A trace list
    /// receives one record per find (and one for a default).
    QString value(const ProjectElement *node, const PropertyClass &property,
                  const QString &configuration, PropertyTrace *trace = nullptr) const;
    /// value() for a save name; a name not in the catalogue resolves with no default.
    QString value(const ProjectElement *node, const QString &saveName,
                  const QString &configuration, PropertyTrace *trace = nullptr) const;
    /// value() passed through the macro service with the node's macros.
    QString expandedValue(const ProjectElement *node, const QString &saveName,
                          const QString &configuration) const;
    /// One level: looks `property` up in the node's configuration element named
    /// `configuration`. On a find, `value` becomes the found text (for an accumulating
    /// property: the found text, ";" and the previous `value`) and true is returned.
    bool lookUp(const ProjectElement *node, const QString &configuration,
                const PropertyClass &property, QString &value, PropertyTrace *trace) const;
    /// Consulted when no level holds a value; supplies nothing here.
    virtual bool fallback(const ProjectElement *node, const QString &configuration,
                          const PropertyClass &property, QString *value) const;
    /// The inherited configurations of `configuration` as seen from `node`: declared on
    /// the nearest solution at or above it, or else on the solution above that one.
    QStringList inheritedConfigurations(const ProjectElement *node,
                                        const QString &configuration) const;

    /// The macros of a node in a configuration: Configuration, SolutionDir,
    /// SolutionName, SolutionPath (of the file the node was read from), ProjectDir,
    /// ProjectName, OutDir, IntDir, OutputExt, EXE, LIB, OBJ and, for files, InputPath,
    /// InputDir, InputFileName, InputName and InputExt.
    MacroTable macros(const ProjectElement *node, const QString &configuration) const;
    /// Expands `text` with the node's macros, then the service's global and system ones.
    QString expand(const ProjectElement *node, const QString &configuration,
                   const QString &text) const;
    MacroService *macroService() const { return m_macros; }

    // --- Queries of the build engine --------------------------------------------------

    /// The names in the project's "project_dependencies", without empty entries.
    QStringList projectDependencies(const ProjectElement *project,
                                    const QString &configuration) const;
    /// Whether the dependencies of a project may build in parallel: the property when
    /// set, otherwise "No" for Staging and Combining projects and "Yes" for the others.
    bool canBuildInParallel(const ProjectElement *project,
                            const QString &configuration) const;
    /// A configuration applies to a project when the project or a solution above it
    /// has a configuration element of that name; "Common" always applies.
    bool definesConfiguration(const ProjectElement *project,
                              const QString &configuration) const;
    /// The first project of that name in the loaded solutions, or nullptr.
    ProjectElement *findProject(const QString &name) const;
    /// Every project below `node` (solutions included), in document order.
    std::vector<ProjectElement *> projects(const ProjectElement *node) const;
    /// The build configurations of a solution: its configuration names except "Common".
    QStringList buildConfigurations(const ProjectElement *solution) const;
    /// The absolute path of a file node (its file_name relative to the project
    /// directory), or of the project directory for other nodes.
    QString absoluteFileName(const ProjectElement *node, const QString &configuration) const;

    ProjectElement *activeProject() const { return m_activeProject; }
    void setActiveProject(ProjectElement *project) { m_activeProject = project; }
    const QString &activeConfiguration() const { return m_activeConfiguration; }
    void setActiveConfiguration(const QString &name) { m_activeConfiguration = name; }

    /// Written into a solution's "target" attribute when it has none at save time.
    int targetNumber() const { return m_targetNumber; }
    void setTargetNumber(int target) { m_targetNumber = target; }

    // --- Change tracking ------------------------------------------------------------

    bool isTracking() const { return m_tracking; }
    void setTracking(bool tracking) { m_tracking = tracking; }
    void recordChange(const ProjectElement *node, const QString &configuration,
                      const QString &propertyName);
    const std::vector<PropertyChange> &changes() const { return m_changes; }
    /// The first recorded change later than `since` (milliseconds since the epoch) that
    /// affects `node` in `configuration`: made on the node or an ancestor, in the
    /// configuration, "Common" or a configuration it inherits. nullptr when none.
    const PropertyChange *changeAffecting(const ProjectElement *node,
                                          const QString &configuration, qint64 since) const;
    /// Drops what refers to a node that is being destroyed.
    void forgetNode(const ProjectElement *node);

    // --- Hooks ------------------------------------------------------------------------

    /// Progress texts of long operations ("Loading solution x.hzp").
    virtual void progress(const QString &text);
    /// Runs one load command; false with a message in `error` on failure. The base
    /// version runs it through /bin/sh -c as a child process and waits for it.
    virtual bool runLoadCommand(const QString &command, const QStringList &environment,
                                const QString &workingDirectory, QString *error);

private:
    /// The macros that need no property values of the node itself, so that the
    /// project directory and file names can use them without recursion.
    MacroTable baseMacros(const ProjectElement *node, const QString &configuration) const;
    QString projectDirectory(const ProjectElement *project, const QString &configuration) const;
    /// The directory of solutionFilePath(), or the current directory without a solution.
    QString solutionDirectory(const ProjectElement *node) const;

    std::unique_ptr<MacroService> m_ownMacros;
    MacroService *m_macros;
    const PropertyCatalogue *m_catalogue;
    std::vector<std::unique_ptr<Solution>> m_solutions;
    std::vector<PropertyChange> m_changes;
    ProjectElement *m_activeProject = nullptr;
    QString m_activeConfiguration;
    int m_targetNumber = 8;
    bool m_tracking = true;
    bool m_runLoadCommands = true;
    bool m_closing = false;
};

/// The environment's project system: the base behaviour throughout (no fallback values,
/// so property defaults apply).
class StandardProjectSystem : public ProjectSystem
{
public:
    using ProjectSystem::ProjectSystem;
};
