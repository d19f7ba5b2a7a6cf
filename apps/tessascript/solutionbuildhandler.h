#pragma once

#include "script/host/buildesclass.h"

#include "projectsystem/projectsystem.h"

#include <memory>

class ProjectElement;
class Solution;
class StandardBuildSystem;

/// The build command handler and project model behind tessascript's `Build` object: a
/// solution loaded in-process, built by the build engine on one slot per processor,
/// its log printed on standard output as tessabuild prints it. The active project is
/// the solution's first project and the current configuration its first build
/// configuration (or -config's) until the script chooses others.
class SolutionBuildHandler : public ScriptBuildHandler
{
public:
    /// Loads the solution; throws SolutionLoadError, or HException for a configuration
    /// the solution does not define.
    SolutionBuildHandler(const QString &solutionPath, const QString &configuration);
    ~SolutionBuildHandler() override;

    int runBuildAction(int action, const std::function<bool()> &stopRequested) override;
    QString buildConfiguration() const override { return m_configuration; }
    void setBuildConfiguration(const QString &name) override;
    QString activeProject() const override;
    void setActiveProject(const QString &name) override;
    QStringList targetProcessors() const override;
    bool targetProcessor(QString *value) const override;
    void setTargetProcessor(const QString &value) override;

private:
    int build(ProjectElement *node, const QString &configuration, quint32 options,
              const std::function<bool()> &stopRequested);
    ProjectElement *requireActiveProject() const;

    StandardProjectSystem m_projects;
    Solution *m_solution = nullptr;
    std::unique_ptr<StandardBuildSystem> m_system;
    ProjectElement *m_activeProject = nullptr;
    QString m_configuration;
};
