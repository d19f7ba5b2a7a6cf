#include "build/builder.h"
#include "build/buildsystem.h"
#include "build/exportbuilder.h"
#include "build/jobplanner.h"
#include "build/projectjob.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/solution.h"

#include "testsupport.h"

#include <gmock/gmock.h>

namespace {

// Files ending in ".c" build on their own; a node build only notes that it ran.
class FakeBuildSystem : public BuildSystem
{
public:
    using BuildSystem::BuildSystem;

    bool hasOwnJob(const ProjectElement *file, const QString &) const override
    {
        return file->fileName().endsWith(".c");
    }
    QString preparationKey(const ProjectElement *project,
                           const QString &configuration) const override
    {
        return projects().value(project, "prep_key", configuration);
    }
    bool buildNode(ProjectElement *node, const QString &, Builder &, quint32 options) override
    {
        built.append(node->name() + ((options & ProjectJob::NoDescent) ? " (no descent)" : ""));
        return true;
    }
    void prepare(const QString &key, ProjectElement *, const QString &, Builder &) override
    {
        built.append("prepare " + key);
    }

    QStringList built;
};

// Describes a job as "<node> <kind> <- <dependencies by description>" so that whole
// lists compare as text.
std::string describe(const ProjectJob &job)
{
    QString kind = "file";
    if (job.isDirectoryJob())
        kind = "dirs";
    else if (!job.preparationKey().isEmpty())
        kind = "prep";
    else if (job.hasOption(ProjectJob::MainJob))
        kind = "main";
    else if (job.hasOption(ProjectJob::FinalJob))
        kind = job.hasOption(ProjectJob::NoDescent) ? "final/nd" : "final";
    QString text = job.node()->name() + " " + kind;
    QStringList dependencies;
    for (const ProjectJob *dependency : job.dependencies())
        dependencies.append(QString::fromStdString(describe(*dependency)).section(" <-", 0, 0));
    if (!dependencies.isEmpty())
        text += " <- " + dependencies.join(", ");
    return text.toStdString();
}

class JobPlannerTest : public TempDirTest
{
protected:
    // Projects named by letters, with their dependencies in "A:B,C" form; project X
    // holds x.c and y.c, the others no files.
    void load(const QByteArray &projects, const QByteArray &extra = QByteArray())
    {
        QByteArray text = "<!DOCTYPE TessaStudio_Project_File>\n<solution Name=\"S\">\n"
                          "  <configuration Name=\"Debug\" />\n" + extra;
        for (const QByteArray &entry : projects.split(' ')) {
            const QList<QByteArray> parts = entry.split(':');
            const QByteArray dependencies =
                parts.size() > 1 ? QByteArray(parts[1]).replace(',', ';') : QByteArray();
            text += "  <project Name=\"" + parts[0] + "\">\n"
                    "    <configuration Name=\"Common\" project_dependencies=\""
                    + dependencies + "\" />\n";
            if (parts[0] == "X")
                text += "    <file file_name=\"x.c\" />\n    <file file_name=\"y.c\" />\n";
            text += "  </project>\n";
        }
        text += "</solution>\n";
        if (m_solution)
            m_projects.closeSolution(m_solution);
        write("s.hzp", text);
        m_solution = m_projects.loadSolution(path("s.hzp"));
    }

    std::vector<std::string> plan(ProjectElement *node, quint32 options = 0,
                                  bool finalJobs = true, const QString &configuration = "Debug")
    {
        m_runList.clear();
        m_planner.reset();
        EXPECT_TRUE(m_planner.plan(node, configuration, options, true, finalJobs, m_runList));
        std::vector<std::string> jobs;
        for (const ProjectJob *job : m_runList)
            jobs.push_back(describe(*job));
        return jobs;
    }
    std::vector<std::string> planSolution(quint32 options = 0)
    {
        return plan(m_solution->root(), options);
    }
    ProjectElement *project(const QString &name) { return m_projects.findProject(name); }
    ProjectElement *file(const QString &name)
    {
        for (ProjectElement *child = project("X")->firstChildNode(); child;
             child = child->nextSiblingNode()) {
            if (child->kind() == NodeKind::File && child->name() == name)
                return child;
        }
        return nullptr;
    }
    QStringList dependencyMessages() const
    {
        QStringList messages;
        for (const DependencyError &error : m_system.dependencyErrors())
            messages.append(error.title + ": " + error.messages.join(" | "));
        return messages;
    }

    ProjectSystem m_projects;
    FakeBuildSystem m_system{&m_projects};
    JobPlanner m_planner{&m_system};
    ProjectJobList m_runList;
    Solution *m_solution = nullptr;
};

using testing::ElementsAre;

TEST_F(JobPlannerTest, SharedDependencyIsPlannedOnceAndBothWaitForItsFinalJob)
{
    load("A:C B:C C");
    EXPECT_THAT(planSolution(),
                ElementsAre("C main", "C final <- C main", "A main <- C final",
                            "A final <- A main", "B main <- C final", "B final <- B main"));
    EXPECT_EQ(m_planner.jobCount(), 6);
    EXPECT_TRUE(dependencyMessages().isEmpty());
}

TEST_F(JobPlannerTest, DependenciesOfAStagingProjectAreChained)
{
    load("P:A,B,C A B C", "  <configuration Name=\"Common\" />\n");
    project("P")->setPropertyValue("Common", "project_type", "Staging");
    EXPECT_THAT(plan(project("P")),
                ElementsAre("A main", "A final <- A main", "B main <- A final",
                            "B final <- B main", "C main <- B final", "C final <- C main",
                            "P main <- A final, B final, C final", "P final <- P main"));
    project("P")->setPropertyValue("Common", "project_can_build_in_parallel", "Yes");
    EXPECT_THAT(plan(project("P")),
                ElementsAre("A main", "A final <- A main", "B main", "B final <- B main",
                            "C main", "C final <- C main", "P main <- A final, B final, C final",
                            "P final <- P main"));
}

TEST_F(JobPlannerTest, CycleIsReportedOnceAndPlanningEnds)
{
    load("A:B B:C C:A");
    // B leads back to A, so A goes on without it.
    EXPECT_THAT(plan(project("A")), ElementsAre("A main", "A final <- A main"));
    EXPECT_THAT(dependencyMessages(),
                ElementsAre("Dependency error detected in 'A': "
                            "Project 'A' has cyclic dependency on project 'B'"));
    // From the outside, the cycle is cut where it closes.
    load("D:A A:B B:C C:A");
    m_system.clearDependencyErrors();
    EXPECT_THAT(plan(project("D")), ElementsAre("A main", "A final <- A main",
                                                "D main <- A final", "D final <- D main"));
}

TEST_F(JobPlannerTest, SelfDependencyIsACycle)
{
    load("A:A");
    EXPECT_THAT(plan(project("A")), ElementsAre("A main", "A final <- A main"));
    EXPECT_THAT(dependencyMessages(),
                ElementsAre("Dependency error detected in 'A': "
                            "Project 'A' has cyclic dependency on project 'A'"));
}

TEST_F(JobPlannerTest, UnknownProjectAndUndefinedConfigurationAreReportedTogether)
{
    // Q defines only "Other", and the solution has no "Release": Release does not apply
    // to Q. P itself still builds.
    load("P:Nowhere,Q Q");
    project("P")->setPropertyValue("Release", "c_additional_options", "-x");
    project("Q")->removePropertyValue("Common", "project_dependencies");
    project("Q")->removeChild(project("Q")->configuration("Common"));
    project("Q")->setPropertyValue("Other", "c_additional_options", "-y");
    EXPECT_THAT(plan(project("P"), 0, true, "Release"),
                ElementsAre("P main", "P final <- P main"));
    EXPECT_THAT(dependencyMessages(),
                ElementsAre("Dependency error detected in 'P': Can't find project 'Nowhere' | "
                            "Configuration 'Release' doesn't apply to dependent project 'Q'"));
}

TEST_F(JobPlannerTest, FilesGetJobsBetweenMainAndFinalJob)
{
    load("X");
    EXPECT_THAT(plan(project("X")),
                ElementsAre("X main", "x.c file <- X main", "y.c file <- X main",
                            "X final/nd <- x.c file, y.c file"));
    // Without final jobs the main job builds the whole project.
    EXPECT_THAT(plan(project("X"), 0, false), ElementsAre("X main"));
}

TEST_F(JobPlannerTest, FinalJobBuildsWithoutDescentAfterTheFiles)
{
    load("X");
    plan(project("X"));
    NullBuilder builder;
    for (ProjectJob *job : m_runList)
        m_system.runJob(*job, builder, nullptr);
    EXPECT_EQ(m_system.built, QStringList({"x.c", "y.c", "X (no descent)"}));
}

TEST_F(JobPlannerTest, ExcludedFilesAndUnityFoldersDoNotSplit)
{
    load("X");
    ProjectElement *x = project("X");
    file("x.c")->setPropertyValue("Debug", "build_exclude_from_build", "Yes");
    EXPECT_THAT(plan(x), ElementsAre("X main", "y.c file <- X main", "X final/nd <- y.c file"));
    x->setPropertyValue("Common", "build_exclude_from_build", "Yes");
    EXPECT_TRUE(plan(x).empty());
}

TEST_F(JobPlannerTest, DirectoryAndPreparationJobsComeBeforeTheMainJob)
{
    load("A B");
    project("A")->setPropertyValue("Common", "prep_key", "k");
    project("B")->setPropertyValue("Common", "prep_key", "k");
    project("B")->setPropertyValue("Common", "project_type", "Staging");
    EXPECT_THAT(planSolution(ProjectJob::DirectoryJobs),
                ElementsAre("A prep", "A dirs", "A main <- A prep, A dirs", "A final <- A main",
                            "B main <- A prep", "B final <- B main"));
    QSet<QString> handled;
    NullBuilder builder;
    for (ProjectJob *job : m_runList)
        m_system.runJob(*job, builder, &handled);
    EXPECT_EQ(m_system.built.count("prepare k"), 1);
}

TEST_F(JobPlannerTest, SingleFileRequestRunsOnOneSlot)
{
    load("X");
    EXPECT_THAT(plan(file("x.c")), ElementsAre("x.c main", "x.c final <- x.c main"));
    EXPECT_EQ(m_planner.forcedSlotCount(), 1);
    plan(project("X"));
    EXPECT_EQ(m_planner.forcedSlotCount(), 0);
}

TEST_F(JobPlannerTest, SequenceNumbersStartAtOneForEachBuild)
{
    load("A:B B");
    for (int round = 0; round < 2; ++round) {
        plan(project("A"));
        QList<int> sequences;
        for (const ProjectJob *job : m_runList)
            sequences.append(job->sequence());
        EXPECT_EQ(sequences, QList<int>({1, 2, 3, 4}));
    }
}

TEST_F(JobPlannerTest, KeepAliveCanCancel)
{
    load("A:B B");
    m_planner.setKeepAlive([] { return false; });
    EXPECT_FALSE(m_planner.plan(project("A"), "Debug", 0, true, true, m_runList));
    EXPECT_TRUE(m_runList.isEmpty());
}

TEST(ProjectJobTest, TitleFollowsTheOptions)
{
    EXPECT_EQ(ProjectJob::title(ProjectJob::Clean | ProjectJob::Quiet), "Cleaning");
    EXPECT_EQ(ProjectJob::title(ProjectJob::StopAfterClean | ProjectJob::Quiet), "Checking");
    EXPECT_EQ(ProjectJob::title(ProjectJob::Rebuild), "Rebuilding");
    EXPECT_EQ(ProjectJob::title(ProjectJob::Analyze), "Analyzing");
    EXPECT_EQ(ProjectJob::title(ProjectJob::StopAfterClean), "Building");
}

TEST_F(JobPlannerTest, ExportListRunsEachJobAsItIsAppended)
{
    load("A:B B");
    ExportBuilder exporter(path("out.mak"));
    ExportProjectJobList exportList(&m_system, &exporter);
    ASSERT_TRUE(m_planner.plan(project("A"), "Debug", 0, true, true, exportList));
    EXPECT_EQ(m_system.built, QStringList({"B", "A"}));
    EXPECT_TRUE(exportList.isEmpty());
}

} // namespace
