#include "buildesclass.h"

#include "scripthostsupport.h"

#include "script/esatom.h"
#include "script/escontext.h"
#include "script/esnativeerror.h"
#include "script/esnatives.h"
#include "script/esobject.h"

#include "qtx/hexception.h"

#include <iterator>
#include <vector>

namespace {

enum BuildMethod {
    BuildSolution, CleanSolution, RebuildSolution, BatchBuildSolution, BatchCleanSolution,
    BatchRebuildSolution, BuildActiveProject, CleanActiveProject, RebuildActiveProject,
    BatchBuildActiveProject, BatchCleanActiveProject, BatchRebuildActiveProject,
    BuildConfiguration, SetBuildConfiguration, ActiveProject, SetActiveProject,
    ListTargetProcessors, TargetProcessor, SetTargetProcessor, BuildActiveProjectAllTargets,
    MethodCount
};

// The build action of each build method, in method order (-1: not a build method).
constexpr int actions[] = {
    ScriptBuildHandler::BuildSolution, ScriptBuildHandler::CleanSolution,
    ScriptBuildHandler::RebuildSolution, ScriptBuildHandler::BatchBuildSolution,
    ScriptBuildHandler::BatchCleanSolution, ScriptBuildHandler::BatchRebuildSolution,
    ScriptBuildHandler::BuildActiveProject, ScriptBuildHandler::CleanActiveProject,
    ScriptBuildHandler::RebuildActiveProject, ScriptBuildHandler::BatchBuildActiveProject,
    ScriptBuildHandler::BatchCleanActiveProject, ScriptBuildHandler::BatchRebuildActiveProject,
};

const ESBuiltinDescriptor methods[] = {
    {"buildSolution", "Build.prototype.buildSolution", 0, 0, BuildSolution,
     "<b>Build.buildSolution()</b> builds the current solution."},
    {"cleanSolution", "Build.prototype.cleanSolution", 0, 0, CleanSolution,
     "<b>Build.cleanSolution()</b> cleans the current solution."},
    {"rebuildSolution", "Build.prototype.rebuildSolution", 0, 0, RebuildSolution,
     "<b>Build.rebuildSolution()</b> rebuilds the current solution."},
    {"batchBuildSolution", "Build.prototype.batchBuildSolution", 0, 0, BatchBuildSolution,
     "<b>Build.batchBuildSolution()</b> builds the current solution in every build "
     "configuration."},
    {"batchCleanSolution", "Build.prototype.batchCleanSolution", 0, 0, BatchCleanSolution,
     "<b>Build.batchCleanSolution()</b> cleans the current solution in every build "
     "configuration."},
    {"batchRebuildSolution", "Build.prototype.batchRebuildSolution", 0, 0,
     BatchRebuildSolution,
     "<b>Build.batchRebuildSolution()</b> rebuilds the current solution in every build "
     "configuration."},
    {"buildActiveProject", "Build.prototype.buildActiveProject", 0, 0, BuildActiveProject,
     "<b>Build.buildActiveProject()</b> builds the active project."},
    {"cleanActiveProject", "Build.prototype.cleanActiveProject", 0, 0, CleanActiveProject,
     "<b>Build.cleanActiveProject()</b> cleans the active project."},
    {"rebuildActiveProject", "Build.prototype.rebuildActiveProject", 0, 0,
     RebuildActiveProject, "<b>Build.rebuildActiveProject()</b> rebuilds the active project."},
    {"batchBuildActiveProject", "Build.prototype.batchBuildActiveProject", 0, 0,
     BatchBuildActiveProject,
     "<b>Build.batchBuildActiveProject()</b> builds the active project in every build "
     "configuration."},
    {"batchCleanActiveProject", "Build.prototype.batchCleanActiveProject", 0, 0,
     BatchCleanActiveProject,
     "<b>Build.batchCleanActiveProject()</b> cleans the active project in every build "
     "configuration."},
    {"batchRebuildActiveProject", "Build.prototype.batchRebuildActiveProject", 0, 0,
     BatchRebuildActiveProject,
     "<b>Build.batchRebuildActiveProject()</b> rebuilds the active project in every build "
     "configuration."},
    {"buildConfiguration", "Build.prototype.buildConfiguration", 0, 0, BuildConfiguration,
     "<b>Build.buildConfiguration()</b> returns the name of the current build "
     "configuration."},
    {"setBuildConfiguration", "Build.prototype.setBuildConfiguration", 1, 0,
     SetBuildConfiguration,
     "<b>Build.setBuildConfiguration(configuration)</b> makes <i>configuration</i> the "
     "current build configuration."},
    {"activeProject", "Build.prototype.activeProject", 0, 0, ActiveProject,
     "<b>Build.activeProject()</b> returns the name of the active project."},
    {"setActiveProject", "Build.prototype.setActiveProject", 1, 0, SetActiveProject,
     "<b>Build.setActiveProject(project)</b> makes <i>project</i> the active project."},
    {"listTargetProcessors", "Build.prototype.listTargetProcessors", 0, 0,
     ListTargetProcessors,
     "<b>Build.listTargetProcessors()</b> returns an array of the target processors the "
     "active project may be built for."},
    {"targetProcessor", "Build.prototype.targetProcessor", 1, 0, TargetProcessor,
     "<b>Build.targetProcessor()</b> returns the target processor of the active project."},
    {"setTargetProcessor", "Build.prototype.setTargetProcessor", 1, 0, SetTargetProcessor,
     "<b>Build.setTargetProcessor(target)</b> sets the target processor of the active "
     "project to <i>target</i>."},
    {"buildActiveProjectAllTargets", "Build.prototype.buildActiveProjectAllTargets", 0, 0,
     BuildActiveProjectAllTargets,
     "<b>Build.buildActiveProjectAllTargets()</b> builds the active project for each of "
     "its target processors in turn."},
};
static_assert(std::size(methods) == MethodCount, "one descriptor per Build method");

ESValue text(const QString &value)
{
    return ESValue::fromAtom(ESAtom::intern(value));
}

} // namespace

ScriptBuildHandler::~ScriptBuildHandler() = default;

ESObject *BuildESClass::install(ESContext *cx)
{
    return scriptInstallHost(cx, this, methods, int(std::size(methods)));
}

BuildESClass *BuildESClass::installInto(ESContext *cx, ScriptBuildHandler *handler)
{
    return scriptAdoptHost<BuildESClass>(cx, handler);
}

void BuildESClass::call(ESContext *cx, ESObject *function, const ESValue &, int,
                        ESValue *argv, ESValue *result)
{
    const int index = function->builtinIndex;
    if (index < 0 || index >= MethodCount)
        cx->throwScriptError(cx->errorClass(), QStringLiteral("bad signature in builtin call"));
    if (!m_handler) {
        cx->throwScriptError(cx->errorClass(),
                             QStringLiteral("Build: no solution is loaded (tessascript "
                                            "-solution FILE loads one)"));
    }
    try {
        callHandler(cx, index, argv, result);
    } catch (const HException &exception) {
        cx->throwScriptError(cx->errorClass(), QLatin1String("Build: ") + exception.message());
    }
}

void BuildESClass::callHandler(ESContext *cx, int index, const ESValue *argv, ESValue *result)
{
    // A build ends early when the script is asked to stop.
    const auto stopRequested = [cx] { return cx->stopRequested(); };
    const auto succeeded = [](int status) { return status != 2 && status != 3; };
    if (index < int(std::size(actions))) {
        *result = ESValue::boolean(succeeded(m_handler->runBuildAction(actions[index], stopRequested)));
        return;
    }
    switch (index) {
    case BuildConfiguration:
        *result = text(m_handler->buildConfiguration());
        return;
    case SetBuildConfiguration:
        m_handler->setBuildConfiguration(cx->toString(argv[0]));
        *result = ESValue();
        return;
    case ActiveProject:
        *result = text(m_handler->activeProject());
        return;
    case SetActiveProject:
        m_handler->setActiveProject(cx->toString(argv[0]));
        *result = ESValue();
        return;
    case ListTargetProcessors: {
        std::vector<ESValue> values;
        for (const QString &target : m_handler->targetProcessors())
            values.push_back(text(target));
        *result = ESValue::fromObject(ESNativeArray::newArray(cx, values.data(), int(values.size())));
        return;
    }
    case TargetProcessor: {
        QString value;
        *result = m_handler->targetProcessor(&value) ? text(value) : ESValue();
        return;
    }
    case SetTargetProcessor:
        m_handler->setTargetProcessor(cx->toString(argv[0]));
        *result = ESValue();
        return;
    case BuildActiveProjectAllTargets: {
        // Every target in turn, even after a failure; false when any build failed.
        bool allSucceeded = true;
        for (const QString &target : m_handler->targetProcessors()) {
            if (cx->stopRequested())
                break;
            m_handler->setTargetProcessor(target);
            allSucceeded &= succeeded(
                m_handler->runBuildAction(ScriptBuildHandler::BuildActiveProject, stopRequested));
        }
        *result = ESValue::boolean(allSucceeded);
        return;
    }
    default:
        break;
    }
}
