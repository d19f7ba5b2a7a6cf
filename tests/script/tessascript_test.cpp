// The tessascript runner end to end: files and -e texts in one context, -print,
// -listing, and the reports of script errors and engine faults.

#include "testsupport.h"

namespace {

struct ToolRun
{
    const char *name;
    QStringList arguments;
    int status;
    QByteArray out;
    QByteArray err;
};

class TessaScriptTest : public TempDirTest, public testing::WithParamInterface<ToolRun>
{
protected:
    void SetUp() override
    {
        write("fib.js", "function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }\n");
        write("set.js", "var x = 2;\nWScript.Echo('set ');\n");
        write("use.js", "x * 21\n");
        write("err.js", "var a;\nWScript.Echo('before ');\na.b = 1;\n");
        write("nul.js", QByteArray("x + 1\0garbage(", 14));
        write("lib/util.js", "function twice(x) { return 2 * x; }\n");
    }
};

TEST_P(TessaScriptTest, PrintsAndFailsAsExpected)
{
    const ToolRun &row = GetParam();
    const ToolResult result = runTool("tessascript", row.arguments, dir());
    EXPECT_EQ(result.exitCode, row.status);
    EXPECT_EQ(result.out, row.out);
    EXPECT_EQ(result.err, row.err);
}

INSTANTIATE_TEST_SUITE_P(Table, TessaScriptTest, testing::Values(
    ToolRun{"GlobalsPersistFromFileToFile", {"-print", "set.js", "use.js", "-e", "x + 1"}, 0,
            "set 42\n3\n", ""},
    ToolRun{"TextUpToTheFirstZeroByte", {"-print", "set.js", "nul.js"}, 0, "set 3\n", ""},
    ToolRun{"LoadSearchesTheDashIDirectories",
            {"-I", "none", "-I", "lib", "-print", "-e", "load('util.js') + ',' + twice(4)"}, 0,
            "true,8\n", ""},
    ToolRun{"EchoHasNoLineEnd", {"-e", "WScript.Echo(1 / 3); WScript.Echo('!')"}, 0,
            "0.333333!", ""},
    ToolRun{"UndefinedPrintsNothing", {"-print", "fib.js", "-e", "fib(20)"}, 0, "6765\n", ""},
    ToolRun{"RunTimeErrorWithItsLine", {"err.js", "use.js"}, 1, "before ",
            "err.js:3: TypeError: can't convert undefined to an object\n    a.b = 1;\n"},
    ToolRun{"CompileErrorUnderTheNameDashE", {"-e", "var a;", "-e", "1 === 2"}, 1, "",
            "-e:1: SyntaxError: expected ; found ===\n    1 === 2\n"},
    ToolRun{"LongSourceLineShownCut", {"-e", "var a;" + QString(200, ' ') + "a.b = 1"}, 1, "",
            "-e:1: TypeError: can't convert undefined to an object\n    var a;"
                + QByteArray(154, ' ') + "...\n"},
    ToolRun{"ErrorOutsideAnyLine", {"-print", "-e", "function f() { return {}; } var o = {valueOf: f, toString: f};",
                                     "-e", "o"}, 1,
            "", "-e: TypeError: type error: no default value\n"},
    ToolRun{"RunawayRecursion", {"-e", "function f() { return f(); } f();"}, 1, "",
            "tessascript: error: virtual machine stack too small\n"},
    ToolRun{"UnreadableFile", {"set.js", "none.js"}, 1, "set ",
            "tessascript: error: none.js: cannot open\n"},
    ToolRun{"MissingSolution", {"-solution", "a.hzp", "set.js"}, 1, "",
            "tessascript: error: a.hzp does not exist\n"},
    ToolRun{"ConfigurationWithoutSolution", {"-config", "Debug", "set.js"}, 1, "",
            "tessascript: error: -config needs -solution\n"},
    ToolRun{"ListingOfEveryBlock", {"-listing", "fib.js", "-e", "fib(2)"}, 0,
            "0000:  CLOSURE\t#0\n"
            "0003:  PUTG\tfib [idx=27]\n"
            "0006:  RET\n"
            "function fib\n"
            "0000:  GETA\tn [idx=0]\n"
            "0003:  NUM_2\n"
            "0004:  JLT\t001f\n"
            "0007:  GETA\tn [idx=0]\n"
            "000a:  NUM_1\n"
            "000b:  SUB\n"
            "000c:  CALLG\tfib [idx=27], #1\n"
            "0011:  GETA\tn [idx=0]\n"
            "0014:  NUM_2\n"
            "0015:  SUB\n"
            "0016:  CALLG\tfib [idx=27], #1\n"
            "001b:  ADD\n"
            "001c:  J\t0022\n"
            "001f:  GETA\tn [idx=0]\n"
            "0022:  RET\n"
            "0023:  RETU\n"
            "0000:  DROP\n"
            "0001:  NUM_2\n"
            "0002:  CALLG\tfib [idx=27], #1\n"
            "0007:  RET\n",
            ""}),
    [](const auto &info) { return std::string(info.param.name); });

// The host objects through the tool: the help listing, the time limit, the prompt on
// standard input and the post-build example script.
struct HostRun
{
    const char *name;
    QStringList arguments;
    QByteArray input;
    int status;
    QByteArray out;
    QByteArray err;
};

class TessaScriptHostTest : public TempDirTest, public testing::WithParamInterface<HostRun>
{
};

TEST_P(TessaScriptHostTest, PrintsAndFailsAsExpected)
{
    const HostRun &row = GetParam();
    const ToolResult result = runTool("tessascript", row.arguments, dir(), row.input);
    EXPECT_EQ(result.exitCode, row.status);
    EXPECT_EQ(result.out, row.out);
    EXPECT_EQ(result.err, row.err);
}

INSTANTIATE_TEST_SUITE_P(Table, TessaScriptHostTest, testing::Values(
    HostRun{"TimeLimitStopsARunawayLoop",
            {"-timeout", "0.2", "-e", "WScript.Echo('started'); for (;;) {}", "-e",
             "WScript.Echo('no')"},
            "", 2, "started",
            "tessascript: error: time limit of 0.2 seconds reached, script stopped\n"},
    HostRun{"TimeLimitEndsAWaitingChild", {"-timeout", "0.2", "-e", "TRSys.run('sleep 20', true)"},
            "", 2, "", "tessascript: error: time limit of 0.2 seconds reached, script stopped\n"},
    HostRun{"TimeLimitNotReached", {"-timeout", "20", "-print", "-e", "6 * 7"}, "", 0, "42\n", ""},
    HostRun{"BadTimeLimit", {"-timeout", "0", "-e", "1"}, "", 1, "",
            "tessascript: error: invalid timeout '0': expected seconds greater than 0, "
            "at most 1000000\n"},
    HostRun{"PopupReadsStandardInput",
            {"-e", "WScript.Echo(TRSys.popup('Flash? '))"}, "maybe\nYes\n", 0,
            "Flash? [yes/no] [yes/no] true", ""},
    HostRun{"PopupAtTheEndOfInput",
            {"-e", "WScript.Echo(TRSys.popup('Flash? '))"}, "", 0, "Flash? [yes/no] false", ""}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(TessaScriptHostTest, HelpObjectsListsEveryHostMethod)
{
    const ToolResult result = runTool("tessascript", {"-help-objects"}, dir());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_TRUE(result.out.startsWith(
        "WScript\n    WScript.Echo (1 argument)\n\nBinaryFile\n"
        "    BinaryFile.load(path) loads binary file from path.\n"
        "    BinaryFile.loadAppend(path) loads binary file from path and appends it to\n"
        "        the binary image.\n"));
    EXPECT_TRUE(result.out.contains(
        "    TRSys.appendStringToFile(path, string) appends string to file path.\n\nBuild\n"));
    EXPECT_TRUE(result.out.endsWith(
        "    Build.buildActiveProjectAllTargets() builds the active project for each of\n"
        "        its target processors in turn.\n"));
    EXPECT_EQ(result.out.count("\n    BinaryFile."), 11);
    EXPECT_EQ(result.out.count("\n    TRSys."), 19);
    EXPECT_EQ(result.out.count("\n    Build."), 20);
}

// The post-build example on an image of its own: 64 bytes 0, 7, 14, ... with an empty
// header. The CRC was computed by Python's bz2 module (the block CRC of its stream).
TEST_F(TessaScriptHostTest, PostBuildExampleStampsAndVerifiesTheHeader)
{
    QByteArray image;
    for (int i = 0; i < 64; ++i)
        image += char(i * 7);
    image.replace(0x1C, 8, QByteArray(8, '\0'));
    write("fw.bin", image);
    const QString script = sourcePath("examples/postbuild/postbuild.js");
    const QStringList arguments = {"-e", "var image = 'fw.bin'", script};
    ToolResult result = runTool("tessascript", arguments, dir());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "fw.bin: 64 bytes, CRC 0x77d7bfd3, header verified\n");
    EXPECT_EQ(result.err, "");
    image.replace(0x1C, 8, QByteArray::fromHex("40000000d3bfd777"));
    EXPECT_EQ(read("fw.bin"), image);
    // Stamping again finds its own header and gives the same file.
    result = runTool("tessascript", arguments, dir());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(read("fw.bin"), image);

    write("short.bin", QByteArray(8, '\0'));
    result = runTool("tessascript", {"-e", "var image = 'short.bin'", script}, dir());
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "short.bin: too short for an image header (8 bytes)\n");
}

} // namespace
