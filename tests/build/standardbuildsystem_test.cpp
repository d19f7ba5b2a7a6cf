#include "build/buildlog.h"
#include "build/builder.h"
#include "build/jobplanner.h"
#include "build/exportbuilder.h"
#include "build/logbuilder.h"
#include "build/projectjob.h"
#include "build/serialbuild.h"
#include "build/standardbuildsystem.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/solution.h"

#include "buildtestsupport.h"
#include "testsupport.h"

#include <QDateTime>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>

namespace {

// Copies an example solution into a temporary directory and builds it there for real.
class ExampleBuildTest : public TempDirTest
{
protected:
    void loadExample(const QString &folder, const QString &solutionFile)
    {
        copyTree(sourcePath("examples/" + folder), dir());
        m_solution = m_projects.loadSolution(path(solutionFile));
    }

    SerialBuild::Result build(const QString &configuration, quint32 options = ProjectJob::Quiet)
    {
        m_log = BuildLog();
        LogBuilder builder(&m_log, options, !(options & ProjectJob::Quiet));
        SerialBuild build(&m_system, &builder);
        return build.run(m_solution->root(), configuration, options);
    }

    std::string logText() const { return m_log.text().join("\n").toStdString(); }

    ProjectSystem m_projects;
    StandardBuildSystem m_system{&m_projects};
    Solution *m_solution = nullptr;
    BuildLog m_log;
};

TEST_F(ExampleBuildTest, HostCalculatorBuildsRunsAndIsUpToDateAfterwards)
{
    loadExample("host", "calc.hzp");
    ASSERT_EQ(build("Debug"), SerialBuild::Built) << logText();
    QProcess calc;
    calc.start(path("Output/Debug/Exe/calc"), {"2", "3", "+", "4", "*"});
    ASSERT_TRUE(calc.waitForFinished());
    EXPECT_EQ(calc.readAllStandardOutput(), "debug 20\n");
    EXPECT_EQ(build("Debug"), SerialBuild::NothingBuilt) << logText();
    EXPECT_TRUE(m_log.text().isEmpty()) << logText();
}

TEST_F(ExampleBuildTest, FirmwareLinksWithItsLibrary)
{
    if (QStandardPaths::findExecutable("arm-none-eabi-gcc").isEmpty())
        GTEST_SKIP() << "arm-none-eabi-gcc is not installed";
    loadExample("firmware", "firmware.hzp");
    ASSERT_EQ(build("Debug", ProjectJob::ShowCommandLines | ProjectJob::Quiet),
              SerialBuild::Built) << logText();
    EXPECT_TRUE(QFileInfo::exists(path("Output/Debug/Exe/Blink.elf"))) << logText();
    EXPECT_TRUE(QFileInfo::exists(path("Output/Debug/Exe/Util.a")));
    EXPECT_TRUE(QFileInfo::exists(path("Output/Debug/Exe/Blink.map")));
    EXPECT_EQ(build("Debug"), SerialBuild::NothingBuilt) << logText();
}

TEST_F(ExampleBuildTest, HeaderChangeRecompilesItsIncludersAndCleanRemovesOutputs)
{
    loadExample("host", "calc.hzp");
    ASSERT_EQ(build("Release"), SerialBuild::Built) << logText();
    ASSERT_EQ(build("Release"), SerialBuild::NothingBuilt) << logText();  // headers seen
    QFile header(path("src/stack.h"));
    ASSERT_TRUE(header.open(QIODevice::ReadWrite));
    ASSERT_TRUE(header.setFileTime(QDateTime::currentDateTime().addSecs(5),
                                   QFileDevice::FileModificationTime));
    header.close();
    ASSERT_EQ(build("Release", 0), SerialBuild::Built) << logText();
    const QString text = QString::fromStdString(logText());
    EXPECT_TRUE(text.contains("Compiling 'main.c'\n")) << logText();
    EXPECT_TRUE(text.contains("Compiling 'stack.c'\n")) << logText();
    EXPECT_TRUE(text.contains("clock skew detected on " + path("src/stack.h"))) << logText();

    ASSERT_EQ(build("Release", ProjectJob::Clean | ProjectJob::StopAfterClean),
              SerialBuild::NothingBuilt);
    EXPECT_TRUE(QString::fromStdString(logText()).startsWith("Cleaning 'main.c'")) << logText();
    EXPECT_FALSE(QFileInfo::exists(path("Output/Release/Exe/calc")));
    EXPECT_FALSE(QFileInfo::exists(path("Output/Release/Obj/Calc")));
    EXPECT_TRUE(QFileInfo::exists(path("src/main.c")));
}

TEST_F(ExampleBuildTest, ExportedMakefileBuildsTheSameProgram)
{
    loadExample("host", "calc.hzp");
    ExportBuilder exporter(path("calc.mak"));
    JobPlanner planner(&m_system);
    ExportProjectJobList exportList(&m_system, &exporter);
    ASSERT_TRUE(planner.plan(m_solution->root(), "Release", ProjectJob::Rebuild | ProjectJob::Quiet,
                             true, true, exportList));
    ASSERT_TRUE(exporter.finish()) << exporter.errorString().toStdString();
    const QByteArray makefile = read("calc.mak");
    EXPECT_TRUE(makefile.contains("\nall: " + path("Output/Release/Obj/Calc/main.o").toUtf8()));
    EXPECT_TRUE(makefile.contains("\tmkdir -p " + path("Output/Release/Obj/Calc").toUtf8()));
    EXPECT_FALSE(QFileInfo::exists(path("Output")));  // nothing ran while exporting

    QProcess make;
    make.setWorkingDirectory(dir());
    make.start("make", {"-s", "-f", "calc.mak"});
    ASSERT_TRUE(make.waitForFinished());
    ASSERT_EQ(make.exitCode(), 0) << make.readAllStandardError().toStdString();
    QProcess calc;
    calc.start(path("Output/Release/Exe/calc"), {"7", "5", "-"});
    ASSERT_TRUE(calc.waitForFinished());
    EXPECT_EQ(calc.readAllStandardOutput(), "2\n");
    // make sees the same outputs as current, and so does the engine.
    make.start("make", {"-q", "-f", "calc.mak"});
    ASSERT_TRUE(make.waitForFinished());
    EXPECT_EQ(make.exitCode(), 0);
    EXPECT_EQ(build("Release"), SerialBuild::NothingBuilt) << logText();
}

// One-project solutions built on the host, to check single rules of the project system.
class HostProjectTest : public ExampleBuildTest
{
protected:
    void load(const QByteArray &projectConfiguration, const QByteArray &files)
    {
        write("p.hzp", "<!DOCTYPE TessaStudio_Project_File>\n<solution Name=\"S\">\n"
                       "  <configuration Name=\"Common\" Target=\"Host\" />\n"
                       "  <configuration Name=\"Debug\" />\n"
                       "  <project Name=\"P\">\n    <configuration Name=\"Common\" "
                       + projectConfiguration + " />\n" + files + "  </project>\n</solution>\n");
        m_solution = m_projects.loadSolution(path("p.hzp"));
        m_project = m_projects.findProject("P");
    }
    ProjectElement *fileNode(const QString &name)
    {
        for (ProjectElement *child = m_project->firstChildNode(); child;
             child = child->nextSiblingNode()) {
            if (child->kind() == NodeKind::File && child->name() == name)
                return child;
        }
        return nullptr;
    }

    ProjectElement *m_project = nullptr;
};

TEST_F(HostProjectTest, CompileCommandComesFromTheProperties)
{
    load("Target=\"Cortex-M0+\" arm_fpu_type=\"FPv4-SP-D16\" "
         "c_user_include_directories=\"inc;$(ProjectName)/x\" "
         "c_preprocessor_definitions=\"A=1\" gcc_optimization_level=\"Level 2\" "
         "c_treat_warnings_as_errors=\"Yes\" build_debug_information=\"No\" "
         "c_additional_options=\"-fno-common\"",
         "    <file file_name=\"a.c\">\n      <configuration Name=\"Debug\" "
         "c_preprocessor_definitions=\"B\" />\n    </file>\n");
    const QStringList command = m_system.compileCommand(fileNode("a.c"), "Debug");
    const QString objects = path("Debug/Obj/P");
    EXPECT_EQ(command, QStringList({"arm-none-eabi-gcc", "-c", "-mcpu=cortex-m0plus", "-mthumb",
                                    "-mfpu=fpv4-sp-d16", "-mfloat-abi=hard", "-std=gnu99", "-O2",
                                    "-Wall", "-Werror", "-Iinc", "-IP/x", "-DA=1", "-DB",
                                    "-fno-common", "-MD", "-MF", objects + "/a.d", "-o",
                                    objects + "/a.o", path("a.c")}));
    // A tool-chain directory that holds the compiler is used; otherwise PATH decides.
    write("tools/arm-none-eabi-gcc", "#!/bin/sh\n");
    QFile::setPermissions(path("tools/arm-none-eabi-gcc"), QFile::ReadOwner | QFile::ExeOwner);
    m_project->setPropertyValue("Common", "build_toolchain_directory", "$(ProjectDir)/tools");
    EXPECT_EQ(m_system.compileCommand(fileNode("a.c"), "Debug").value(0),
              path("tools/arm-none-eabi-gcc"));
}

TEST_F(HostProjectTest, LibraryDependencyIsLinkedAndPropertyChangeRebuilds)
{
    write("lib.c", "int twice(int x) { return 2 * x; }\n");
    write("main.c", "#include <stdio.h>\nint twice(int);\n"
                    "int main(void) { printf(\"%d\\n\", twice(VALUE)); return 0; }\n");
    load("project_dependencies=\"L\" c_preprocessor_definitions=\"VALUE=4\" "
         "build_output_file_name=\"$(OutDir)/prog\"",
         "    <file file_name=\"main.c\" />\n");
    m_solution->root()->setPropertyValue("Common", "c_enable_warnings", "Yes");
    auto library = std::make_unique<ProjectElement>("project", &m_projects,
                                                    &m_solution->document());
    library->setName("L");
    library->setPropertyValue("Common", "project_type", "Library");
    auto file = std::make_unique<ProjectElement>("file", &m_projects, &m_solution->document());
    file->setFileName("lib.c");
    library->appendChild(std::move(file));
    m_solution->root()->appendChild(std::move(library));

    ASSERT_EQ(build("Debug"), SerialBuild::Built) << logText();
    auto runProgram = [this] {
        QProcess program;
        program.start(path("Debug/Exe/prog"), QStringList());
        program.waitForFinished();
        return program.readAllStandardOutput();
    };
    EXPECT_EQ(runProgram(), "8\n");
    m_project->setPropertyValue("Common", "c_preprocessor_definitions", "VALUE=5");
    ASSERT_EQ(build("Debug", 0), SerialBuild::Built) << logText();
    EXPECT_TRUE(QString::fromStdString(logText())
                    .contains("c_preprocessor_definitions property has changed."));
    EXPECT_EQ(runProgram(), "10\n");
}

TEST_F(HostProjectTest, CustomBuildStepAndPostBuildControl)
{
    write("words.txt", "abc\n");
    load("post_build_command=\"echo done >> post.log\" "
         "post_build_command_control=\"Run When Build Has Occurred\" project_type=\"Library\"",
         "    <file file_name=\"words.txt\" custom_build_command=\"\" />\n");
    fileNode("words.txt")
        ->setPropertyValue("Common", "custom_build_command",
                           "tr a-z A-Z < $(InputPath) > $(IntDir)/$(InputName).up");
    fileNode("words.txt")->setPropertyValue("Common", "custom_build_output_file_name",
                                            "$(IntDir)/$(InputName).up");
    ASSERT_EQ(build("Debug"), SerialBuild::Built) << logText();
    EXPECT_EQ(read("Debug/Obj/P/words.up"), "ABC\n");
    EXPECT_EQ(read("post.log"), "done\n");
    EXPECT_EQ(build("Debug"), SerialBuild::NothingBuilt) << logText();
    EXPECT_EQ(read("post.log"), "done\n");
}

TEST_F(HostProjectTest, MissingSourceAndLinkerScriptFailTheBuild)
{
    load("linker_script_file=\"none.ld\"", "    <file file_name=\"gone.c\" />\n");
    EXPECT_EQ(build("Debug"), SerialBuild::Failed);
    EXPECT_EQ(m_log.text(), QStringList({"Checking Source File Exists",
                                         "    " + path("gone.c") + " does not exist."}));
    write("gone.c", "int main(void) { return 0; }\n");
    EXPECT_EQ(build("Debug"), SerialBuild::Failed);
    EXPECT_EQ(m_log.text().mid(1),
              QStringList({"Locating Linker Script File",
                           "    Linker script file 'none.ld' does not exist."}));
}

TEST_F(HostProjectTest, KeepGoingBuildsWhatDoesNotDependOnAFailure)
{
    write("bad.c", "int broken(void) { return }\n");
    write("good.c", "int good(void) { return 1; }\n");
    load("project_type=\"Library\"",
         "    <file file_name=\"bad.c\" />\n    <file file_name=\"good.c\" />\n");
    EXPECT_EQ(build("Debug"), SerialBuild::Failed);
    EXPECT_FALSE(QFileInfo::exists(path("Debug/Obj/P/good.o")));
    EXPECT_FALSE(QFileInfo::exists(path("Debug/Obj/P/bad.o")));
    EXPECT_EQ(m_log.errorCount(), 1) << logText();
    EXPECT_EQ(build("Debug", ProjectJob::Quiet | ProjectJob::KeepGoing), SerialBuild::Failed);
    EXPECT_TRUE(QFileInfo::exists(path("Debug/Obj/P/good.o")));
}

// The project types that run no compiler: staged copies, a combination of files and
// an externally built project, in one solution.
class ProjectTypesTest : public HostProjectTest
{
protected:
    void SetUp() override
    {
        write("data/a.txt", "alpha\n");
        write("data/b.txt", "beta\n");
        write("p.hzp",
              "<!DOCTYPE TessaStudio_Project_File>\n<solution Name=\"S\">\n"
              "  <configuration Name=\"Debug\" />\n"
              "  <project Name=\"Stage\">\n"
              "    <configuration Name=\"Common\" project_type=\"Staging\" "
              "staging_output_directory=\"staged\" staging_make_read_only=\"Yes\" />\n"
              "    <file file_name=\"data/a.txt\" />\n    <file file_name=\"data/b.txt\" />\n"
              "  </project>\n"
              "  <project Name=\"Join\">\n"
              "    <configuration Name=\"Common\" project_type=\"Combining\" "
              "build_output_file_name=\"joined.txt\" "
              "combine_command=\"cat data/a.txt data/b.txt &gt; joined.txt\" />\n"
              "    <file file_name=\"data/a.txt\" />\n    <file file_name=\"data/b.txt\" />\n"
              "  </project>\n"
              "  <project Name=\"Outside\">\n"
              "    <configuration Name=\"Common\" project_type=\"Externally Built Executable\" "
              "external_build_command=\"echo built &gt;&gt; external.log\" "
              "external_clean_command=\"rm -f external.log\" />\n"
              "  </project>\n</solution>\n");
        m_solution = m_projects.loadSolution(path("p.hzp"));
    }
};

TEST_F(ProjectTypesTest, CopiesCombinesAndRunsExternalCommands)
{
    ASSERT_EQ(build("Debug", 0), SerialBuild::Built) << logText();
    EXPECT_EQ(read("staged/a.txt"), "alpha\n");
    EXPECT_FALSE(QFile::permissions(path("staged/b.txt")) & QFileDevice::WriteOwner);
    EXPECT_EQ(read("joined.txt"), "alpha\nbeta\n");
    EXPECT_EQ(read("external.log"), "built\n");
    const QStringList titles = m_log.text().filter(QRegularExpression("^\\S"));
    EXPECT_TRUE(titles.contains("Copying 'a.txt' from project 'Stage' in configuration 'Debug'"));
    EXPECT_TRUE(titles.contains("Combining 'Join' from project 'Join' in configuration 'Debug'"));
    EXPECT_TRUE(titles.contains("Running Build command echo built >> external.log from project "
                                "'Outside' in configuration 'Debug'"));

    // Second time: the copies and the combination are current; the external build runs.
    ASSERT_EQ(build("Debug", 0), SerialBuild::Built) << logText();
    const QString text = QString::fromStdString(logText());
    EXPECT_TRUE(text.contains("'a.txt' is up to date.")) << logText();
    EXPECT_TRUE(text.contains("    nothing to do")) << logText();
    EXPECT_EQ(read("external.log"), "built\nbuilt\n");
    m_projects.findProject("Stage")->setPropertyValue("Common", "build_exclude_from_build", "No");
    for (ProjectElement *file = m_projects.findProject("Stage")->firstChildNode(); file;
         file = file->nextSiblingNode()) {
        if (file->kind() == NodeKind::File)
            file->setPropertyValue("Debug", "build_exclude_from_build", "Yes");
    }
    ASSERT_EQ(build("Debug", 0), SerialBuild::Built) << logText();
    EXPECT_TRUE(QString::fromStdString(logText())
                    .contains("Copying 'Stage' from project 'Stage' in configuration 'Debug'\n"
                              "    nothing to do"))
        << logText();

    ASSERT_EQ(build("Debug", ProjectJob::Clean | ProjectJob::StopAfterClean),
              SerialBuild::NothingBuilt);
    EXPECT_FALSE(QFileInfo::exists(path("external.log")));
}

TEST_F(ProjectTypesTest, NullBuilderLearnsWhetherAnythingWouldBeBuilt)
{
    NullBuilder probe;
    SerialBuild status(&m_system, &probe);
    ProjectElement *stage = m_projects.findProject("Stage");
    EXPECT_EQ(status.run(stage, "Debug", ProjectJob::Quiet), SerialBuild::Built);
    EXPECT_FALSE(QFileInfo::exists(path("staged")));  // nothing ran
    ASSERT_EQ(build("Debug"), SerialBuild::Built);
    EXPECT_EQ(status.run(stage, "Debug", ProjectJob::Quiet), SerialBuild::NothingBuilt);

    // A clean builder deletes what the clean names, and nothing more.
    CleanBuilder cleaner;
    SerialBuild clean(&m_system, &cleaner);
    clean.run(stage, "Debug", ProjectJob::Clean | ProjectJob::StopAfterClean);
    EXPECT_TRUE(QFileInfo::exists(path("staged/a.txt")));  // copies are not build outputs
    clean.run(m_projects.findProject("Join"), "Debug",
              ProjectJob::Clean | ProjectJob::StopAfterClean);
    EXPECT_FALSE(QFileInfo::exists(path("joined.txt")));
    EXPECT_TRUE(cleaner.failures().isEmpty());
}

} // namespace
