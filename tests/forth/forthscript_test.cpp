// The forthscript tool end to end: files and -e texts in one system, the console
// session, the reports of uncaught exceptions and SIGINT.

#include "testsupport.h"

#include <QFile>
#include <QProcess>

#include <csignal>

namespace {

struct ToolRun
{
    const char *name;
    QStringList arguments;
    QByteArray input;
    int status;
    QByteArray out;
    QByteArray err;
};

class ForthScriptTest : public TempDirTest, public testing::WithParamInterface<ToolRun>
{
protected:
    void SetUp() override
    {
        write("lib.fs", ": sq ( n -- n*n ) dup * ;\n");
        write("use.fs", "\\ uses lib.fs\n7 sq . cr\n");
        write("bad.fs", "1 2\n+ .\nnosuch\n3 .\n");
        write("deep.fs", "1 drop\n: g recurse ;\ng\n");
        write("inc.fs", "s\" bad.fs\" included\n");
        write("wide.fs", "( a comment\nover lines ) 1 .\n\\ rest\n");
    }
};

TEST_P(ForthScriptTest, PrintsAndFailsAsExpected)
{
    const ToolRun &row = GetParam();
    const ToolResult result = runTool("forthscript", row.arguments, dir(), row.input);
    EXPECT_EQ(result.exitCode, row.status);
    EXPECT_EQ(result.out, row.out);
    EXPECT_EQ(result.err, row.err);
}

const QByteArray banner = "Brenmoor ForthScript Interpreter v1.0.0\nOK\n";

INSTANTIATE_TEST_SUITE_P(Table, ForthScriptTest, testing::Values(
    ToolRun{"DefinitionsPersistFromFileToFile", {"lib.fs", "use.fs", "-e", "3 sq ."}, "", 0,
            "49 \n9 ", ""},
    ToolRun{"FileErrorWithItsLine", {"bad.fs", "use.fs"}, "", 1, "3 ",
            "bad.fs:3: undefined word: nosuch\n"},
    ToolRun{"ErrorInIncludedFileNamesThatFile", {"inc.fs"}, "", 1, "3 ",
            "bad.fs:3: undefined word: nosuch\n"},
    ToolRun{"TextErrorUnderTheNameDashE", {"-e", "1 .", "-e", "2 .\n1 0 /"}, "", 1, "1 2 ",
            "-e:2: divide by zero\n"},
    ToolRun{"DeepRecursion", {"deep.fs"}, "", 1, "", "deep.fs:3: return stack overflow\n"},
    ToolRun{"UnreadableFile", {"lib.fs", "none.fs"}, "", 1, "",
            "forthscript: error: cannot open 'none.fs': No such file or directory\n"},
    ToolRun{"ConsoleAnswersEachLine", {}, "2 3 + .\n: sq dup * ;\n4 sq .\n", 0,
            banner + "5 \nOK\nOK\n16 \nOK\n", ""},
    ToolRun{"ConsoleGoesOnAfterErrors", {},
            "1 0 /\n: x then ;\ns\" open\n1 .\ndrop\n-1 allot\n99999999999 allot\n2 .\n", 0,
            banner + "divide by zero\n"
                     "control structure mismatch: no <orig> on control stack; missing IF?\n"
                     "unexpected EOF: unterminated string\n1 \nOK\nstack underflow\n"
                     "invalid argument: ALLOT -1 outside the data space\n"
                     "invalid argument: ALLOT 99999999999 outside the data space\n2 \nOK\n",
            ""},
    ToolRun{"ConsoleOutputEndingInNewline", {}, "cr .( x) cr\n", 0,
            banner + "\nx\nOK\n", ""},
    ToolRun{"ConsoleKeepsUnfinishedDefinition", {}, ": f\n1 .\n;\nf\n", 0,
            banner + "OK\nOK\nOK\n1 \nOK\n", ""},
    ToolRun{"ConsoleErrorAfterOutput", {}, "1 . 2 0 / 3 .\n4 .\n", 0,
            banner + "1 \ndivide by zero\n4 \nOK\n", ""},
    ToolRun{"ConsoleIncludesFiles", {}, "include lib.fs\n5 sq .\ninclude wide.fs\n", 0,
            banner + "OK\n25 \nOK\n1 \nOK\n", ""},
    ToolRun{"ConsoleReportsErrorsInIncludedFiles", {}, "include bad.fs\n.s\n", 0,
            banner + "3 \nundefined word: nosuch\n<0> \nOK\n", ""},
    ToolRun{"DashIsStandardInput", {"lib.fs", "-", "-e", "2 sq ."}, "3 sq .\n: c 1 0 / ;\n",
            0, "9 4 ", ""},
    ToolRun{"ErrorOnStandardInput", {"-"}, "1 .\n\n1 0 /\n", 1, "1 ",
            "-:3: divide by zero\n"},
    ToolRun{"CommentOverLinesInFile", {"wide.fs"}, "", 0, "1 ", ""},
    ToolRun{"ConsoleEmptyInput", {}, "", 0, banner, ""}),
    [](const auto &info) { return std::string(info.param.name); });

// SIGINT stops endless code: the console says so and goes on; a file run fails.
class ForthScriptInterruptTest : public TempDirTest {};

TEST_F(ForthScriptInterruptTest, SigintStopsEndlessLoop)
{
    // The file makes a marker file when its loop is about to start.
    write("loop.fs", "1 .\n: x begin again ;\ns\" started\" w/o create-file drop close-file "
                     "drop\nx\n");
    for (const bool console : {true, false}) {
        SCOPED_TRACE(console ? "console" : "file");
        QProcess process;
        process.setWorkingDirectory(dir());
        process.start(toolPath("forthscript"), console ? QStringList() : QStringList{"loop.fs"});
        ASSERT_TRUE(process.waitForStarted());
        if (console)
            process.write(": x begin again ;\n.( go) x\n2 .\n");
        // Once the console prints "go" or the file makes its marker, the loop is near.
        for (int tries = 0; tries < 500; ++tries) {
            if (console ? process.peek(1024).contains("go") : QFile::exists(path("started")))
                break;
            process.waitForReadyRead(10);
        }
        ::kill(pid_t(process.processId()), SIGINT);
        if (console)
            process.closeWriteChannel();
        ASSERT_TRUE(process.waitForFinished(10000));
        const QByteArray out = process.readAllStandardOutput();
        const QByteArray err = process.readAllStandardError();
        if (console) {
            EXPECT_EQ(process.exitCode(), 0);
            EXPECT_TRUE(out.endsWith("go\nuser interrupt\n2 \nOK\n")) << out.constData();
        } else {
            EXPECT_EQ(process.exitCode(), 1);
            EXPECT_EQ(out, "1 ");
            EXPECT_EQ(err, "loop.fs:4: user interrupt\n");
        }
    }
}

} // namespace
