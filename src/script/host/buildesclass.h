#pragma once

#include "script/esclass.h"

#include <QString>
#include <QStringList>

#include <functional>

/// What the `Build` host object asks of the studio: its build command handler (build
/// actions by number) and the project model (active project, current configuration,
/// the active project's "Target"). The script library knows no build engine; the
/// application that embeds scripts supplies one of these.
class ScriptBuildHandler
{
public:
    /// The build actions: solution 0 build, 1 rebuild, 2 clean, 3 to 5 the batch forms
    /// (every build configuration in turn); active project 7 to 9 and 11 to 13 likewise.
    enum Action {
        BuildSolution = 0, RebuildSolution = 1, CleanSolution = 2,
        BatchBuildSolution = 3, BatchRebuildSolution = 4, BatchCleanSolution = 5,
        BuildActiveProject = 7, RebuildActiveProject = 8, CleanActiveProject = 9,
        BatchBuildActiveProject = 11, BatchRebuildActiveProject = 12,
        BatchCleanActiveProject = 13,
    };

    virtual ~ScriptBuildHandler();
    /// Runs a build action to its end and answers the final status: 0 nothing built,
    /// 1 built, 2 failed, 3 cancelled. `stopRequested` is asked between build steps; when
    /// it answers true the build is cancelled.
    virtual int runBuildAction(int action, const std::function<bool()> &stopRequested) = 0;
    virtual QString buildConfiguration() const = 0;
    virtual void setBuildConfiguration(const QString &name) = 0;
    virtual QString activeProject() const = 0;
    virtual void setActiveProject(const QString &name) = 0;
    /// The values the active project's "Target" may take.
    virtual QStringList targetProcessors() const = 0;
    /// The active project's "Target" in "Common"; false when it has none.
    virtual bool targetProcessor(QString *value) const = 0;
    virtual void setTargetProcessor(const QString &value) = 0;
};

/// The `Build` host object: builds, cleans and rebuilds the solution or the active
/// project through a ScriptBuildHandler, and reads and sets the active project, the
/// build configuration and the target processor. A build method returns false when the
/// build failed or was cancelled. Without a handler every method raises an Error saying
/// that no solution is loaded.
class BuildESClass : public ESClass
{
public:
    explicit BuildESClass(ScriptBuildHandler *handler = nullptr)
        : ESClass("Build"), m_handler(handler)
    {
    }

    ESObject *install(ESContext *cx) override;
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;

    /// Makes a BuildESClass owned by the context, installs it and answers it.
    static BuildESClass *installInto(ESContext *cx, ScriptBuildHandler *handler);

private:
    /// The handler's part of call(); HException from the handler becomes an Error.
    void callHandler(ESContext *cx, int index, const ESValue *argv, ESValue *result);

    ScriptBuildHandler *m_handler;
};
