// The Build host object: each method's build action and result through a handler of the
// tests, and, end to end, tessascript -solution building the Host example with gcc.

#include "scriptharness.h"

#include "script/host/buildesclass.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>

#include <vector>

namespace {

// Records the actions it is asked to run and answers a fixed status.
class RecordingHandler : public ScriptBuildHandler
{
public:
    int runBuildAction(int action, const std::function<bool()> &) override
    {
        actions.push_back(action);
        return status;
    }
    QString buildConfiguration() const override { return configuration; }
    void setBuildConfiguration(const QString &name) override { configuration = name; }
    QString activeProject() const override { return project; }
    void setActiveProject(const QString &name) override { project = name; }
    QStringList targetProcessors() const override { return {"Cortex-M0", "Cortex-M4"}; }
    bool targetProcessor(QString *value) const override
    {
        *value = target;
        return !target.isEmpty();
    }
    void setTargetProcessor(const QString &value) override
    {
        target = value;
        targetsSet << value;
    }

    std::vector<int> actions;
    int status = 1;
    QString configuration = "Debug";
    QString project = "App";
    QString target;
    QStringList targetsSet;
};

struct BuildMethod
{
    const char *method;
    int action;
};

class BuildMethodTest : public testing::TestWithParam<BuildMethod> {};

// Statuses 2 (failed) and 3 (cancelled) are false; 0 and 1 true.
TEST_P(BuildMethodTest, RunsItsActionAndAnswersByStatus)
{
    RecordingHandler handler;
    ScriptHarness harness;
    BuildESClass::installInto(harness.context(), &handler);
    const QString call = "Build." + QString::fromLatin1(GetParam().method) + "()";
    QString answers;
    for (int status : {0, 1, 2, 3}) {
        handler.status = status;
        answers += harness.run(call).value + ' ';
    }
    EXPECT_EQ(answers, "true true false false ");
    EXPECT_EQ(handler.actions, std::vector<int>(4, GetParam().action));
}

INSTANTIATE_TEST_SUITE_P(Actions, BuildMethodTest, testing::Values(
    BuildMethod{"buildSolution", 0}, BuildMethod{"rebuildSolution", 1},
    BuildMethod{"cleanSolution", 2}, BuildMethod{"batchBuildSolution", 3},
    BuildMethod{"batchRebuildSolution", 4}, BuildMethod{"batchCleanSolution", 5},
    BuildMethod{"buildActiveProject", 7}, BuildMethod{"rebuildActiveProject", 8},
    BuildMethod{"cleanActiveProject", 9}, BuildMethod{"batchBuildActiveProject", 11},
    BuildMethod{"batchRebuildActiveProject", 12}, BuildMethod{"batchCleanActiveProject", 13}),
    [](const auto &info) { return std::string(info.param.method); });

TEST(BuildObjectTest, ProjectQueriesAndTargets)
{
    RecordingHandler handler;
    ScriptHarness harness;
    BuildESClass::installInto(harness.context(), &handler);
    EXPECT_EQ(harness.run("var t = typeof Build.targetProcessor(); Build.setActiveProject('Lib');"
                          " Build.setBuildConfiguration('Release'); Build.setTargetProcessor('X');"
                          " t + ',' + Build.activeProject() + ',' + Build.buildConfiguration() + ','"
                          " + Build.targetProcessor() + ',' + Build.listTargetProcessors().length")
                  .value,
              "undefined,Lib,Release,X,2");
    handler.status = 2;
    EXPECT_EQ(harness.run("Build.buildActiveProjectAllTargets()").value, "false");
    EXPECT_EQ(handler.targetsSet, QStringList({"X", "Cortex-M0", "Cortex-M4"}));
    EXPECT_EQ(handler.actions, std::vector<int>({7, 7}));
    EXPECT_EQ(harness.run("Build.buildSolution.help").value,
              "<b>Build.buildSolution()</b> builds the current solution.");
}

TEST(BuildObjectTest, WithoutASolutionEveryMethodFails)
{
    ScriptHarness harness;
    BuildESClass::installInto(harness.context(), nullptr);
    const ScriptRun run = harness.run("Build.activeProject()");
    EXPECT_EQ(run.errorClass, "Error");
    EXPECT_EQ(run.message, "Build: no solution is loaded (tessascript -solution FILE loads one)");
}

// tessascript -solution on a copy of the Host example: build, up to date, clean,
// rebuild, and a failing build that answers false. Compiles run on two slots, so the
// order of the groups may vary: lines are compared as sets.
class TessaScriptBuildTest : public TempDirTest
{
protected:
    void SetUp() override
    {
        const QDir example(sourcePath("examples/host"));
        for (const char *name : {"calc.hzp", "src/main.c", "src/stack.c", "src/stack.h"})
            write(name, readFile(example.filePath(name)));
    }
    QStringList run(const QString &script, int expectedStatus = 0)
    {
        const ToolResult result = runTool("tessascript", {"-solution", "calc.hzp", "-e", script}, dir());
        EXPECT_EQ(result.exitCode, expectedStatus) << result.err.constData();
        QStringList lines = QString::fromUtf8(result.out).split('\n', Qt::SkipEmptyParts);
        lines.sort();
        return lines;
    }
};

TEST_F(TessaScriptBuildTest, BuildsCleansAndRebuilds)
{
    EXPECT_EQ(run("WScript.Echo(Build.buildSolution() + ' ' + Build.buildSolution())"),
              QStringList({"Build complete", "Build up to date", "Compiling 'main.c'",
                           "Compiling 'stack.c'", "Linking 'calc'", "true true"}));
    EXPECT_TRUE(QFile::exists(path("Output/Debug/Exe/calc")));
    EXPECT_EQ(run("WScript.Echo(Build.cleanActiveProject())"),
              QStringList({"Build up to date", "Cleaning 'Calc'", "Cleaning 'main.c'",
                           "Cleaning 'stack.c'", "true"}));
    EXPECT_FALSE(QFile::exists(path("Output/Debug/Exe/calc")));
    EXPECT_EQ(run("Build.setBuildConfiguration('Release'); WScript.Echo(Build.rebuildSolution())"),
              QStringList({"Build complete", "Compiling 'main.c'", "Compiling 'stack.c'",
                           "Linking 'calc'", "true"}));
    EXPECT_TRUE(QFile::exists(path("Output/Release/Exe/calc")));
}

TEST_F(TessaScriptBuildTest, FailedBuildAnswersFalse)
{
    write("src/stack.c", "this is not C\n");
    const QStringList lines = run("WScript.Echo(Build.buildActiveProject())");
    EXPECT_TRUE(lines.contains("false")) << qPrintable(lines.join('\n'));
    EXPECT_TRUE(lines.filter(QRegularExpression("^Build failed \\(\\d+ errors?")).size() == 1)
        << qPrintable(lines.join('\n'));
}

TEST_F(TessaScriptBuildTest, UnknownConfigurationIsRefused)
{
    const ToolResult result =
        runTool("tessascript", {"-solution", "calc.hzp", "-config", "Fast", "-e", "1"}, dir());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tessascript: error: no configuration 'Fast' in the solution\n");
}

} // namespace
