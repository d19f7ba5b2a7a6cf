#include "build/buildlog.h"
#include "build/logbuilder.h"
#include "build/projectjob.h"
#include "build/toolstudiobuilder.h"

#include "projectsystem/projectelement.h"

#include "testsupport.h"

#include <QFile>
#include <QFileInfo>

namespace {

// Lets the tests feed tool output in chunks of their choosing.
class ChunkedLogBuilder : public LogBuilder
{
public:
    using LogBuilder::LogBuilder;
    using LogBuilder::output;
};

class LogBuilderTest : public TempDirTest
{
protected:
    LogBuilderTest()
    {
        m_project.setName("App");
    }

    // Runs one command in a group to its end; answers its status.
    int run(LogBuilder &builder, const QStringList &arguments, const QString &output = QString())
    {
        builder.beginGroup(&m_project, "Step", "Debug", 0);
        builder.runCommand(dir(), arguments, output);
        int status = 0;
        while (!builder.waitCommand(&m_project, "Debug", &status)) {
        }
        builder.endGroup(&m_project, "Debug");
        return status;
    }
    QStringList lines(int group = 0) const
    {
        QStringList texts;
        for (const BuildLog::Line &line : m_log.groups().value(group).lines)
            texts.append(line.text);
        return texts;
    }

    ProjectElement m_project{"project", nullptr, nullptr};
    BuildLog m_log;
};

TEST_F(LogBuilderTest, CommandLinesQuoteArgumentsWithSpaces)
{
    LogBuilder builder(&m_log, ProjectJob::ShowCommandLines, false);
    EXPECT_EQ(run(builder, {"echo", "My Files/a.c", "-c"}), 0);
    ASSERT_EQ(m_log.groups().size(), 1);
    const BuildLog::Line &first = m_log.groups()[0].lines.value(0);
    EXPECT_EQ(first.kind, BuildLog::CommandLine);
    EXPECT_EQ(first.text, "echo \"My Files/a.c\" -c");
    EXPECT_EQ(lines(), QStringList({"echo \"My Files/a.c\" -c", "My Files/a.c -c"}));
    LogBuilder plain(&m_log, 0, false);
    run(plain, {"true"});
    EXPECT_TRUE(m_log.groups()[1].lines.isEmpty());
}

TEST_F(LogBuilderTest, TitleNamesProjectAndConfigurationWhenSeveralProjectsBuild)
{
    LogBuilder builder(&m_log, 0, false);
    ProjectElement file("file", nullptr, nullptr);
    builder.beginGroup(&m_project, "Linking 'App.elf'", "Debug", 0);
    builder.setProjectCount(2);
    builder.beginGroup(&m_project, "Linking 'App.elf'", "Debug", 0);
    builder.beginGroup(&file, "Compiling 'a.c'", "Debug", 0);  // a file outside any project
    m_project.setName("<NULL>");
    builder.beginGroup(&m_project, "Linking", "Debug", 0);
    QStringList titles;
    for (const BuildLog::Group &group : m_log.groups())
        titles.append(group.title);
    EXPECT_EQ(titles, QStringList({"Linking 'App.elf'",
                                   "Linking 'App.elf' from project 'App' in configuration 'Debug'",
                                   "Compiling 'a.c'", "Linking"}));
}

TEST_F(LogBuilderTest, ProgramThatCannotStartFailsAndLosesItsOutput)
{
    write("out.o", "old");
    LogBuilder builder(&m_log, 0, false);
    EXPECT_NE(run(builder, {"no-such-program-tessa", "x"}, path("out.o")), 0);
    EXPECT_EQ(lines(), QStringList{"Error starting process no-such-program-tessa"});
    EXPECT_EQ(m_log.groups()[0].status, "Terminated");
    EXPECT_FALSE(QFileInfo::exists(path("out.o")));
    EXPECT_TRUE(builder.hasFailed());
}

TEST_F(LogBuilderTest, OutputDirectoryThatCannotBeMadeFails)
{
    write("blocker", "a file where a directory should be");
    LogBuilder builder(&m_log, 0, false);
    EXPECT_NE(run(builder, {"true"}, path("blocker/sub/out.o")), 0);
    EXPECT_EQ(lines(), QStringList{"Error creating directory " + path("blocker/sub")});
    EXPECT_TRUE(builder.hasFailed());
}

TEST_F(LogBuilderTest, FailedCommandDeletesItsOutput)
{
    LogBuilder builder(&m_log, 0, false);
    EXPECT_EQ(run(builder, {"sh", "-c", "echo partial > out.o; exit 3"}, path("out.o")), 3);
    EXPECT_FALSE(QFileInfo::exists(path("out.o")));
    EXPECT_EQ(m_log.groups()[0].status, "Terminated");
    EXPECT_EQ(run(builder, {"sh", "-c", "echo whole > out.o"}, path("out.o")), 0);
    EXPECT_EQ(read("out.o"), "whole\n");
}

TEST_F(LogBuilderTest, ExitStatusIsSignedAndSignalsCount)
{
    LogBuilder builder(&m_log, 0, false);
    EXPECT_EQ(run(builder, {"sh", "-c", "exit 255"}), -1);
    EXPECT_EQ(run(builder, {"sh", "-c", "kill -9 $$"}), 9);
}

TEST_F(LogBuilderTest, RedirectionsWriteFilesInsteadOfTheLog)
{
    LogBuilder builder(&m_log, 0, false);
    write("log.txt", "first\n");
    run(builder, {"sh", "-c", "echo out; echo err >&2", ">out.txt", "2>>", "log.txt"});
    EXPECT_EQ(read("out.txt"), "out\n");
    EXPECT_EQ(read("log.txt"), "first\nerr\n");
    EXPECT_TRUE(lines().isEmpty());
    run(builder, {"sh", "-c", "echo both; echo again >&2", "&>", "all.txt"});
    EXPECT_EQ(read("all.txt"), "both\nagain\n");
}

TEST_F(LogBuilderTest, OutputSplitAcrossChunksIsParsedByLine)
{
    ChunkedLogBuilder builder(&m_log, 0, false);
    builder.beginGroup(&m_project, "Compiling", "Debug", 0);
    builder.output(1, "/no/such/a.c:3:1: err");
    EXPECT_TRUE(lines().isEmpty());
    builder.output(1, "or: bad\nIdle\nplain text\n/no/such/a.c:4:2: warn");
    builder.output(1, "ing: odd\n");
    builder.output(0, "no line end");
    builder.endGroup(&m_project, "Debug");
    EXPECT_EQ(lines(), QStringList({"/no/such/a.c:3:1: error: bad", "plain text",
                                    "/no/such/a.c:4:2: warning: odd", "no line end"}));
    const BuildLog::Group &group = m_log.groups()[0];
    EXPECT_EQ(group.errors, 1);
    EXPECT_EQ(group.warnings, 1);
    EXPECT_EQ(group.lines[0].diagnostic.line, 3);
    EXPECT_EQ(group.lines[1].stream, 1);
}

TEST_F(LogBuilderTest, SarifFromTheCompilerProperIsReadWhole)
{
    ChunkedLogBuilder builder(&m_log, 0, false);
    builder.beginGroup(&m_project, "Compiling", "Debug", 0);
    builder.runCommand(dir(), {"cc1", "x"}, QString());  // cannot start; sets the generator
    builder.output(1, "{\"runs\":[{\"results\":[{\"level\":\"error\",");
    builder.output(1, "\"message\":{\"text\":\"bad\"}}]}]}");
    builder.endGroup(&m_project, "Debug");
    EXPECT_EQ(lines(), QStringList({"Error starting process cc1", "bad"}));
    EXPECT_EQ(m_log.groups()[0].errors, 2);
}

TEST_F(LogBuilderTest, RemoveFileShowsRmAndFailsOnlyWhenAsked)
{
    write("My Files/x.o", "x");
    LogBuilder builder(&m_log, ProjectJob::ShowCommandLines, false);
    builder.beginGroup(&m_project, "Cleaning 'App'", "Debug", 0);
    builder.removeFile(path("My Files/x.o"), false);
    EXPECT_FALSE(QFileInfo::exists(path("My Files/x.o")));
    EXPECT_FALSE(builder.hasFailed());
    builder.removeFile(path("My Files"), true);  // a directory: not deleted, ignored
    EXPECT_FALSE(builder.hasFailed());
    builder.removeFile(path("My Files"), false);
    EXPECT_TRUE(builder.hasFailed());
    EXPECT_EQ(lines().value(0), "rm \"" + path("My Files/x.o") + "\"");
}

TEST_F(LogBuilderTest, InformationOnlyWhenShown)
{
    LogBuilder quiet(&m_log, 0, false);
    LogBuilder verbose(&m_log, 0, true);
    quiet.beginGroup(&m_project, "Checking", "Debug", 0);
    quiet.information("hidden");
    quiet.upToDate("'a.c' is up to date");
    verbose.beginGroup(&m_project, "Checking", "Debug", 0);
    verbose.information("a.o does not exist.");
    EXPECT_EQ(lines(0), QStringList{"'a.c' is up to date"});
    EXPECT_EQ(m_log.groups()[0].lines[0].kind, BuildLog::UpToDateLine);
    EXPECT_EQ(lines(1), QStringList{"a.o does not exist."});
}

TEST_F(LogBuilderTest, WriteFileMakesItsDirectoryOrSaysWhyNot)
{
    LogBuilder builder(&m_log, 0, false);
    builder.beginGroup(&m_project, "Writing", "Debug", 0);
    builder.writeFile(path("gen/deep/unity.c"), {"#include \"a.c\"", "#include \"b.c\""});
    EXPECT_EQ(read("gen/deep/unity.c"), "#include \"a.c\"\n#include \"b.c\"\n");
    write("plain", "");
    builder.writeFile(path("plain/x.c"), {});
    builder.writeFile(path("gen"), {});
    EXPECT_EQ(lines(),
              QStringList({"cannot mkdir " + path("plain"), "cannot open " + path("gen")}));
}

TEST(BuildLogTest, CountTexts)
{
    EXPECT_EQ(BuildLog::countText(0, "Error", "Errors"), "");
    EXPECT_EQ(BuildLog::countText(1, "Error", "Errors"), "1 Error");
    EXPECT_EQ(BuildLog::countText(12, "Note", "Notes"), "12 Notes");
}

TEST(ToolStudioBuilderTest, DeliversTheToolsLines)
{
    QStringList received;
    ToolStudioBuilder builder([&](int stream, const QString &line) {
        received.append(QString::number(stream) + ":" + line);
    });
    builder.runCommand(QString(), {"sh", "-c", "printf 'a\\nb'; echo c >&2"}, QString());
    int status = -1;
    while (!builder.waitCommand(nullptr, QString(), &status)) {
    }
    EXPECT_EQ(status, 0);
    received.sort();
    EXPECT_EQ(received, QStringList({"0:a", "0:b", "1:c"}));
    builder.runCommand(QString(), {"no-such-program-tessa"}, QString());
    EXPECT_EQ(builder.errors(), QStringList{"Error starting process no-such-program-tessa"});
}

} // namespace
