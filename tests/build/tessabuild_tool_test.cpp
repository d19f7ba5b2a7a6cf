#include "buildtestsupport.h"
#include "testsupport.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QThread>

namespace {

class TessaBuildTest : public TempDirTest
{
protected:
    void copyExample(const QString &folder) { copyTree(sourcePath("examples/" + folder), dir()); }
    ToolResult build(const QStringList &arguments)
    {
        return runTool("tessabuild", arguments, dir());
    }
    // Output lines of a program the build made, run in the temporary directory.
    static QByteArray runProgram(const QString &program, const QStringList &arguments)
    {
        QProcess process;
        process.start(program, arguments);
        process.waitForFinished();
        return process.readAllStandardOutput();
    }
    void makeOlder(const QString &relative, int seconds)
    {
        QFile file(path(relative));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        file.setFileTime(QDateTime::currentDateTime().addSecs(-seconds),
                         QFileDevice::FileModificationTime);
    }
};

TEST_F(TessaBuildTest, BuildsTheHostExampleThenFindsItUpToDate)
{
    copyExample("host");
    ToolResult result = build({"calc.hzp", "-config", "Release", "-j", "1"});
    EXPECT_EQ(result.out, "Compiling 'main.c'\nCompiling 'stack.c'\nLinking 'calc'\n"
                          "Build complete\n") << result.err.constData();
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(runProgram(path("Output/Release/Exe/calc"), {"7", "5", "-"}), "2\n");

    result = build({"calc.hzp", "-config", "Release"});
    EXPECT_EQ(result.out, "Build up to date\n");
    EXPECT_EQ(result.exitCode, 0);
    result = build({"calc.hzp", "-config", "Release", "-check"});
    EXPECT_EQ(result.out, "Project up to date\n");
    EXPECT_EQ(result.exitCode, 0);

    // An object older than its source is out of date; -check runs nothing, a file
    // node builds only that file.
    makeOlder("Output/Release/Obj/Calc/main.o", 100);
    result = build({"calc.hzp", "-config", "Release", "-check"});
    EXPECT_EQ(result.out, "out of date\n");
    EXPECT_EQ(result.exitCode, 1);
    result = build({"calc.hzp", "Calc/Source Files/src/main.c", "-config", "Release"});
    EXPECT_EQ(result.out, "Compiling 'main.c'\nBuild complete\n") << result.err.constData();
}

TEST_F(TessaBuildTest, ParallelStepsPrintEachGroupWhole)
{
    copyExample("host");
    const ToolResult result = build({"calc.hzp", "-config", "Debug", "-j", "4", "-echo"});
    ASSERT_EQ(result.exitCode, 0) << result.out.constData();
    const QStringList lines = QString::fromUtf8(result.out).split('\n');
    ASSERT_EQ(lines.size(), 8) << result.out.constData();
    // Each title is followed by its own command line, never by another step's.
    for (int i = 0; i < 6; i += 2) {
        const QString name = lines[i].section('\'', 1, 1).replace(".c", ".o");
        EXPECT_TRUE(lines[i + 1].startsWith("    gcc ")) << lines[i + 1].toStdString();
        EXPECT_TRUE(lines[i + 1].contains("-o " + path("Output/Debug/")))
            << lines[i + 1].toStdString();
        EXPECT_TRUE(lines[i + 1].section("-o ", 1).section(' ', 0, 0).endsWith("/" + name))
            << lines[i].toStdString() << " / " << lines[i + 1].toStdString();
    }
    EXPECT_EQ(lines[6], "Build complete");
}

TEST_F(TessaBuildTest, CompileErrorFailsTheBuildAndKeepGoingStillExitsOne)
{
    copyExample("host");
    QByteArray source = read("src/stack.c");
    write("src/stack.c", source + "int broken( {\n");
    ToolResult result = build({"calc.hzp", "-config", "Debug", "-j", "1"});
    EXPECT_EQ(result.exitCode, 1);
    const QString out = QString::fromUtf8(result.out);
    const QRegularExpression diagnostic("\n    " + QRegularExpression::escape(path("src/stack.c"))
                                        + ":\\d+:\\d+: error: [^\n]+\n");
    EXPECT_TRUE(diagnostic.match(out).hasMatch()) << result.out.constData();
    EXPECT_TRUE(out.contains("\n    Build failed, exit status 0x1\n    Terminated\n"))
        << result.out.constData();
    EXPECT_TRUE(out.endsWith("\nBuild failed (2 errors)\n")) << result.out.constData();
    EXPECT_FALSE(QFileInfo::exists(path("Output/Debug/Obj/Calc/stack.o")));
    EXPECT_FALSE(QFileInfo::exists(path("Output/Debug/Exe/calc")));

    result = build({"calc.hzp", "-config", "Debug", "-keepgoing"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_TRUE(result.out.contains(" 'stack.c' in configuration 'Debug' continuing because"))
        << result.out.constData();
    EXPECT_TRUE(result.out.startsWith("Compiling 'main.c'\nCompiling 'stack.c'\n")
                || result.out.startsWith("Compiling 'stack.c'"));
    const QRegularExpression summary("\nBuild complete \\(\\d errors\\)\n$");
    EXPECT_TRUE(QString::fromUtf8(result.out).contains(summary)) << result.out.constData();
}

TEST_F(TessaBuildTest, BadRequestsGiveOneLineAndStatusOne)
{
    copyExample("host");
    write("bad.hzp", "<solution Name=\"S\">\n  <project>\n");
    struct Row { QStringList arguments; QByteArray err; };
    const Row rows[] = {
        {{"calc.hzp"}, "tessabuild: error: the solution has several configurations "
                       "(Debug, Release): choose one with -config\n"},
        {{"calc.hzp", "-config", "Profile"},
         "tessabuild: error: no configuration 'Profile' in the solution (it has Debug, "
         "Release)\n"},
        {{"calc.hzp", "Calc/nope.c", "-config", "Debug"},
         "tessabuild: error: no node 'Calc/nope.c' in the solution\n"},
        {{"none.hzp"}, "tessabuild: error: none.hzp does not exist\n"},
        {{"calc.hzp", "-config", "Debug", "-clean", "-rebuild"},
         "tessabuild: error: -clean, -rebuild, -check and -export exclude each other\n"},
    };
    for (const Row &row : rows) {
        const ToolResult result = build(row.arguments);
        EXPECT_EQ(result.err, row.err) << row.arguments.join(' ').toStdString();
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.exitCode, 1);
    }
    const ToolResult result = build({"bad.hzp"});
    EXPECT_TRUE(result.err.startsWith("tessabuild: error: ")) << result.err.constData();
    EXPECT_EQ(result.exitCode, 1);
}

TEST_F(TessaBuildTest, ConfigurationOfOneProjectBuildsOnlyThatProject)
{
    QByteArray text = "<!DOCTYPE TessaStudio_Project_File>\n<solution Name=\"S\">\n"
                      "  <configuration Name=\"Debug\" />\n";
    for (const char *name : {"A", "B"}) {
        text += QByteArray("  <project Name=\"") + name + "\">\n"
                "    <configuration Name=\"Common\" project_type=\"Library\" />\n"
                + (name[0] == 'A' ? "    <configuration Name=\"Special\" />\n" : "")
                + "    <file file_name=\"" + name + ".txt\"><configuration Name=\"Common\" "
                  "custom_build_output_file_name=\"" + name + ".out\" "
                  "custom_build_command=\"echo $(Configuration) &gt; " + name + ".out\" />"
                  "</file>\n  </project>\n";
        write(QString(name) + ".txt", "");
    }
    write("s.hzp", text + "</solution>\n");
    const ToolResult result = build({"s.hzp", "-config", "Special"});
    EXPECT_EQ(result.out, "Running Custom Build Step 'A.txt'\nBuild complete\n")
        << result.err.constData();
    EXPECT_EQ(read("A.out"), "Special\n");
    EXPECT_FALSE(QFileInfo::exists(path("B.out")));
    EXPECT_EQ(build({"s.hzp", "-config", "Special", "-check"}).out, "Project up to date\n");
    EXPECT_EQ(build({"s.hzp", "-config", "Debug", "-check"}).out, "out of date\n");
}

TEST_F(TessaBuildTest, ExportedMakefileBuildsTheProgramWithMake)
{
    copyExample("host");
    const ToolResult result = build({"calc.hzp", "-config", "Release", "-export", "calc.mak"});
    ASSERT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(result.out, "");
    EXPECT_FALSE(QFileInfo::exists(path("Output")));
    // Each output has one rule: the files' jobs and not also the project's.
    const QByteArray makefile = read("calc.mak");
    EXPECT_EQ(makefile.count("\n" + path("Output/Release/Obj/Calc/main.o").toUtf8() + ":"), 1)
        << makefile.constData();
    EXPECT_EQ(makefile.count("\n" + path("Output/Release/Exe/calc").toUtf8() + ":"), 1);
    QProcess make;
    make.setWorkingDirectory(dir());
    make.start("make", {"-s", "-f", "calc.mak"});
    ASSERT_TRUE(make.waitForFinished());
    ASSERT_EQ(make.exitCode(), 0);
    EXPECT_EQ(make.readAllStandardError(), "");
    EXPECT_EQ(runProgram(path("Output/Release/Exe/calc"), {"6", "7", "*"}), "42\n");
    EXPECT_EQ(build({"calc.hzp", "-config", "Release"}).out, "Build up to date\n");
}

// The step writes half its output, then waits while the file "slow" exists.
TEST_F(TessaBuildTest, TerminatedBuildLeavesNoHalfWrittenOutput)
{
    write("s.hzp",
          "<!DOCTYPE TessaStudio_Project_File>\n<solution Name=\"S\">\n"
          "  <project Name=\"P\">\n"
          "    <configuration Name=\"Common\" project_type=\"Library\" />\n"
          "    <file file_name=\"words.txt\">\n"
          "      <configuration Name=\"Common\" custom_build_output_file_name=\"w.out\"\n"
          "        custom_build_command=\"echo partial &gt; w.out; while [ -e slow ]; do "
          "sleep 0.05; done; echo whole &gt;&gt; w.out\" />\n"
          "    </file>\n  </project>\n</solution>\n");
    write("words.txt", "abc\n");
    write("slow", "");
    QProcess tool;
    tool.setWorkingDirectory(dir());
    tool.start(toolPath("tessabuild"), {"s.hzp"});
    QElapsedTimer timer;
    timer.start();
    while (!QFileInfo::exists(path("w.out")) && timer.elapsed() < 5000)
        QThread::msleep(10);
    ASSERT_TRUE(QFileInfo::exists(path("w.out")));
    tool.terminate();
    ASSERT_TRUE(tool.waitForFinished(5000));
    EXPECT_EQ(tool.exitCode(), 130);
    EXPECT_EQ(tool.readAllStandardOutput(),
              "Running Custom Build Step 'words.txt'\n    Terminated\nBuild terminated\n");
    EXPECT_FALSE(QFileInfo::exists(path("w.out")));

    QFile::remove(path("slow"));
    const ToolResult result = build({"s.hzp"});
    EXPECT_EQ(result.exitCode, 0) << result.out.constData();
    EXPECT_EQ(read("w.out"), "partial\nwhole\n");
}

TEST_F(TessaBuildTest, FirmwareExampleLinksAnArmElf)
{
    const QString size = QStandardPaths::findExecutable("arm-none-eabi-size");
    if (size.isEmpty() || QStandardPaths::findExecutable("arm-none-eabi-gcc").isEmpty())
        GTEST_SKIP() << "no arm-none-eabi tool chain";
    copyExample("firmware");
    const ToolResult result = build({"firmware.hzp", "-config", "Release", "-j", "2"});
    ASSERT_EQ(result.exitCode, 0) << result.out.constData();
    EXPECT_TRUE(result.out.endsWith("Linking 'Blink.elf' from project 'Blink' in configuration "
                                    "'Release'\nBuild complete\n"))
        << result.out.constData();
    QProcess sizeTool;
    sizeTool.start(size, {path("Output/Release/Exe/Blink.elf")});
    ASSERT_TRUE(sizeTool.waitForFinished());
    EXPECT_EQ(sizeTool.exitCode(), 0);
    const QList<QByteArray> rows = sizeTool.readAllStandardOutput().split('\n');
    ASSERT_GE(rows.size(), 2);
    EXPECT_GT(rows[1].simplified().split(' ').value(0).toInt(), 0);  // text bytes

    ASSERT_TRUE(QFileInfo::exists(path("Output/Release/Exe/Blink.map")));
    EXPECT_EQ(build({"firmware.hzp", "-config", "Release", "-clean"}).exitCode, 0);
    EXPECT_EQ(QDir(path("Output/Release/Exe")).entryList(QDir::Files), QStringList());
}

} // namespace
