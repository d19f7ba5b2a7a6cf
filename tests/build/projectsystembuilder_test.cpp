#include "build/buildlog.h"
#include "build/buildsystem.h"
#include "build/logbuilder.h"
#include "build/process.h"
#include "build/projectjob.h"
#include "build/projectsystembuilder.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/solution.h"

#include "testsupport.h"

#include <QElapsedTimer>

#include <cerrno>
#include <memory>
#include <signal.h>

namespace {

// Files ending in ".c" have jobs of their own. Each file and each project without such
// files runs its "cmd" property through the shell in the solution's directory, in a
// group titled with its name; "error TEXT" reports TEXT as an error instead.
class ShellBuildSystem : public BuildSystem
{
public:
    ShellBuildSystem(ProjectSystem *projects, QString directory)
        : BuildSystem(projects), m_directory(std::move(directory))
    {
    }

    bool hasOwnJob(const ProjectElement *file, const QString &) const override
    {
        return file->fileName().endsWith(".c");
    }
    bool buildNode(ProjectElement *node, const QString &configuration, Builder &builder,
                   quint32 options) override
    {
        if (node->kind() == NodeKind::Project && (options & ProjectJob::NoDescent))
            return false;
        const QString commands = property(node, "cmd", configuration);
        if (commands.isEmpty())
            return false;
        builder.beginGroup(node, node->name(), configuration, 0);
        if (commands.startsWith("error "))
            builder.error(commands.mid(6));  // a step that fails without a command
        else
            runCommandLines(builder, node, configuration, m_directory, commands);
        builder.endGroup(node, configuration);
        return true;
    }

private:
    QString m_directory;
};

// Notes the step of the scheduler at which each command starts and ends, and keeps the
// process id of the command that runs.
class StepLogBuilder : public LogBuilder
{
public:
    StepLogBuilder(BuildLog *log, quint32 options, const ProjectSystemBuilder *scheduler,
                   QStringList *events)
        : LogBuilder(log, options, false), m_scheduler(scheduler), m_events(events)
    {
    }

    void beginGroup(const ProjectElement *node, const QString &title,
                    const QString &configuration, quint32 flags) override
    {
        m_title = title;
        LogBuilder::beginGroup(node, title, configuration, flags);
    }
    void runCommand(const QString &directory, const QStringList &arguments,
                    const QString &outputFile) override
    {
        LogBuilder::runCommand(directory, arguments, outputFile);
        m_events->append(
            QStringLiteral("%1 start %2").arg(m_title).arg(m_scheduler->stepCount()));
    }
    bool waitCommand(const ProjectElement *node, const QString &configuration,
                     int *status) override
    {
        const bool finished = LogBuilder::waitCommand(node, configuration, status);
        if (finished)
            m_events->append(
                QStringLiteral("%1 end %2").arg(m_title).arg(m_scheduler->stepCount()));
        return finished;
    }
    pid_t childId() const { return processId(); }

private:
    const ProjectSystemBuilder *m_scheduler;
    QStringList *m_events;
    QString m_title;
};

class SchedulerTest : public TempDirTest
{
protected:
    // Projects in "A:B,C" form (A depends on B and C), each running `commands[name]`;
    // project "F" holds the files x.c, y.c and z.c, which run commands "x", "y", "z".
    void load(const QByteArray &projects, const QMap<QString, QString> &commands)
    {
        QByteArray text = "<!DOCTYPE TessaStudio_Project_File>\n<solution Name=\"S\">\n"
                          "  <configuration Name=\"Debug\" />\n";
        for (const QByteArray &entry : projects.split(' ')) {
            const QList<QByteArray> parts = entry.split(':');
            const QByteArray dependencies =
                parts.size() > 1 ? QByteArray(parts[1]).replace(',', ';') : QByteArray();
            text += "  <project Name=\"" + parts[0] + "\">\n"
                    "    <configuration Name=\"Common\" project_dependencies=\""
                    + dependencies + "\" cmd=\"" + commands.value(parts[0]).toUtf8() + "\" />\n";
            if (parts[0] == "F") {
                for (const char *file : {"x", "y", "z"})
                    text += QByteArray("    <file file_name=\"") + file
                            + ".c\">\n      <configuration Name=\"Common\" cmd=\""
                            + commands.value(file).toUtf8() + "\" />\n    </file>\n";
            }
            text += "  </project>\n";
        }
        text += "</solution>\n";
        write("s.hzp", text);
        m_solution = m_projects.loadSolution(path("s.hzp"));
    }

    void start(int slotCount, quint32 options = ProjectJob::Quiet)
    {
        m_events.clear();
        m_builders.clear();
        QList<Builder *> builders;
        for (int slot = 0; slot < slotCount; ++slot) {
            m_builders.push_back(
                std::make_unique<StepLogBuilder>(&m_log, options, &m_scheduler, &m_events));
            builders.append(m_builders.back().get());
        }
        m_scheduler.start(m_solution->root(), "Debug", slotCount, builders, nullptr, options);
    }
    int build(int slotCount, quint32 options = ProjectJob::Quiet)
    {
        start(slotCount, options);
        int result = -1;
        while (m_scheduler.step(&result)) {
        }
        m_log.endOpenGroups();
        return result;
    }
    // The step at which `title`'s command started or ended ("start", "end"), or -1.
    int stepOf(const QString &title, const QString &what) const
    {
        for (const QString &event : m_events) {
            const QStringList words = event.split(' ');
            if (words[0] == title && words[1] == what)
                return words[2].toInt();
        }
        return -1;
    }
    std::string logText() const { return m_log.text().join('\n').toStdString(); }
    std::string events() const { return m_events.join(", ").toStdString(); }

    ProjectSystem m_projects;
    ShellBuildSystem m_system{&m_projects, dir()};
    Solution *m_solution = nullptr;
    BuildLog m_log;
    QStringList m_events;
    ProjectSystemBuilder m_scheduler{&m_system};
    std::vector<std::unique_ptr<StepLogBuilder>> m_builders;
};

TEST_F(SchedulerTest, ThirdOfThreeJobsOnTwoSlotsStartsAfterTheFirstEnds)
{
    load("F", {{"x", "sleep 0.2"}, {"y", "sleep 0.2"}, {"z", "true"}});
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(build(2), ProjectSystemBuilder::Built) << logText();
    EXPECT_LT(timer.elapsed(), 390);  // x and y ran at the same time
    const int firstEnd = std::min(stepOf("x.c", "end"), stepOf("y.c", "end"));
    ASSERT_GT(firstEnd, 0) << events();
    // A free slot takes the job at the next step and runs its command the step after.
    EXPECT_EQ(stepOf("z.c", "start"), firstEnd + 2) << events();
    EXPECT_LT(stepOf("x.c", "start"), stepOf("y.c", "end"));
    EXPECT_LT(stepOf("y.c", "start"), stepOf("x.c", "end"));
}

TEST_F(SchedulerTest, SeveralSlotsShortenABuildOfSleepingSteps)
{
    load("F", {{"x", "sleep 0.2"}, {"y", "sleep 0.2"}, {"z", "sleep 0.2"}});
    QElapsedTimer timer;
    timer.start();
    ASSERT_EQ(build(4), ProjectSystemBuilder::Built) << logText();
    EXPECT_LT(timer.elapsed(), 450);  // one slot would take 600 ms
    for (int slot = 0; slot < 4; ++slot)
        EXPECT_GT(m_scheduler.busySteps(slot), 0u) << slot;
}

TEST_F(SchedulerTest, DependentProjectWaitsForItsDependency)
{
    load("A:B B", {{"A", "echo A >> order"}, {"B", "sleep 0.1; echo B >> order"}});
    ASSERT_EQ(build(2), ProjectSystemBuilder::Built) << logText();
    EXPECT_EQ(read("order"), "B\nA\n");
}

struct FailureCase
{
    const char *name;
    quint32 options;
    int result;
    bool dependentRan;
    const char *message;
};

class FailedDependencyTest : public SchedulerTest,
                             public testing::WithParamInterface<FailureCase>
{
};

TEST_P(FailedDependencyTest, EndsOrContinuesTheBuild)
{
    const FailureCase &entry = GetParam();
    load("A:B B", {{"A", "echo A > ran"}, {"B", "exit 3"}});
    EXPECT_EQ(build(2, ProjectJob::Quiet | entry.options), entry.result) << logText();
    EXPECT_EQ(QFileInfo::exists(path("ran")), entry.dependentRan);
    EXPECT_TRUE(m_log.text().contains("    " + QString(entry.message))) << logText();
}

INSTANTIATE_TEST_SUITE_P(
    KeepGoing, FailedDependencyTest,
    testing::Values(
        FailureCase{"Stop", 0, ProjectSystemBuilder::Failed, false,
                    "Build failed, exit status 0x3"},
        FailureCase{"KeepGoing", ProjectJob::KeepGoing, ProjectSystemBuilder::Built, true,
                    "Build failed, exit status 0x3 'B' in configuration 'Debug' continuing "
                    "because 'keep going on error' has been enabled"}),
    [](const testing::TestParamInfo<FailureCase> &info) { return std::string(info.param.name); });

TEST_F(SchedulerTest, ReportedErrorFailsTheJobWithStatusOne)
{
    load("A:B B", {{"A", "echo A > ran"}, {"B", "error no linker script"}});
    EXPECT_EQ(build(2), ProjectSystemBuilder::Failed);
    // The step's group has ended: the exit status line stands outside it.
    EXPECT_EQ(m_log.text(), QStringList({"B from project 'B' in configuration 'Debug'",
                                         "    no linker script"}));
    EXPECT_EQ(m_log.errorCount(), 2);
    EXPECT_FALSE(QFileInfo::exists(path("ran")));
}

TEST_F(SchedulerTest, ChildKilledBySignalNineFailsWithStatusNine)
{
    load("A", {{"A", "kill -9 $$$$"}});
    EXPECT_EQ(build(1), ProjectSystemBuilder::Failed);
    EXPECT_EQ(m_log.text(), QStringList({"A", "    Build failed, exit status 0x9"}));
    EXPECT_EQ(m_log.groups().value(0).status, "Terminated");
}

TEST_F(SchedulerTest, CancelKillsTheRunningChildAndEndsTerminated)
{
    load("F", {{"x", "sleep 5"}, {"y", "sleep 5"}});
    start(2);
    int result = -1;
    QElapsedTimer timer;
    timer.start();
    while (stepOf("x.c", "start") < 0 || stepOf("y.c", "start") < 0)
        ASSERT_TRUE(m_scheduler.step(&result)) << events();
    const pid_t children[] = {m_builders[0]->childId(), m_builders[1]->childId()};
    ASSERT_GT(children[0], 0);
    m_scheduler.cancel();
    EXPECT_FALSE(m_scheduler.step(&result));
    EXPECT_EQ(result, ProjectSystemBuilder::Cancelled);
    EXPECT_LT(timer.elapsed(), 2000);
    for (pid_t child : children) {
        EXPECT_NE(::kill(child, 0), 0);  // gone and reaped
        EXPECT_EQ(errno, ESRCH);
    }
    m_log.endOpenGroups();
    EXPECT_EQ(m_log.text(), QStringList({"x.c", "y.c"}));
    EXPECT_EQ(m_log.groups().value(1).status, "Terminated");
}

TEST(SlotCountTest, ZeroMeansOnePerProcessorUpTo128)
{
    EXPECT_EQ(ProjectSystemBuilder::slotCountFor(0, 200), 128);
    EXPECT_EQ(ProjectSystemBuilder::slotCountFor(0, 6), 6);
    EXPECT_EQ(ProjectSystemBuilder::slotCountFor(300, 2), 128);
    EXPECT_GE(ProjectSystemBuilder::slotCountFor(0), 1);
}

// --- Process ------------------------------------------------------------------------

class ProcessTest : public TempDirTest
{
protected:
    int run(const QStringList &arguments)
    {
        QString reason;
        EXPECT_TRUE(m_process.start(dir(), arguments, &reason)) << reason.toStdString();
        int status = -1000;
        while (!m_process.poll(&status)) {
        }
        return status;
    }

    Process m_process;
};

// (255 as -1 and a signal's number: see the LogBuilder tests.)
TEST_F(ProcessTest, ExitCodeIsASignedByteAndAStoppedChildGivesOne)
{
    EXPECT_EQ(run({"sh", "-c", "exit 130"}), -126);
    EXPECT_EQ(run({"sh", "-c", "kill -STOP $$"}), 1);
}

TEST_F(ProcessTest, BackgroundChildHoldingThePipesDoesNotStallTheWait)
{
    QElapsedTimer timer;
    timer.start();
    EXPECT_EQ(run({"sh", "-c", "sleep 3 & echo started"}), 0);
    EXPECT_LT(timer.elapsed(), 1500);
}

// Keeps what the child writes on standard output.
class CapturingProcess : public Process
{
public:
    QByteArray out;

protected:
    void output(int stream, const QByteArray &bytes) override
    {
        if (stream == 0)
            out += bytes;
    }
};

TEST_F(ProcessTest, ChildHoldsNoDescriptorsOfAnotherSlot)
{
    QString reason;
    ASSERT_TRUE(m_process.start(dir(), {"sleep", "5"}, &reason));  // the other slot
    CapturingProcess lister;
    ASSERT_TRUE(lister.start(dir(), {"sh", "-c", "ls /proc/$$/fd"}, &reason));
    int status = -1;
    while (!lister.poll(&status)) {
    }
    EXPECT_EQ(status, 0);
    const QList<QByteArray> open = lister.out.split('\n');
    std::vector<int> others;
    m_process.addDescriptors(&others);
    ASSERT_GE(others.size(), 2u);  // two pipes, and the exit descriptor where there is one
    for (int fd : others)
        EXPECT_FALSE(open.contains(QByteArray::number(fd))) << fd;
    m_process.kill();
}

struct RedirectionCase
{
    const char *name;
    QStringList tokens;
    QByteArray file;  // expected contents of "f", which holds "old\n" before
};

class RedirectionTest : public ProcessTest, public testing::WithParamInterface<RedirectionCase>
{
};

TEST_P(RedirectionTest, SendsTheStreamsToTheFile)
{
    write("f", "old\n");
    EXPECT_EQ(run(QStringList({"sh", "-c", "echo out; echo err >&2"}) + GetParam().tokens), 0);
    EXPECT_EQ(read("f"), GetParam().file);
}

INSTANTIATE_TEST_SUITE_P(
    Tokens, RedirectionTest,
    testing::Values(RedirectionCase{"Out", {">", "f"}, "out\n"},
                    RedirectionCase{"OutAppend", {"1>>", "f"}, "old\nout\n"},
                    RedirectionCase{"BothAppend", {"&>>f"}, "old\nout\nerr\n"}),
    [](const testing::TestParamInfo<RedirectionCase> &info) {
        return std::string(info.param.name);
    });

} // namespace
