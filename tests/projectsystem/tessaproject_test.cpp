#include "testsupport.h"

#include <QFileInfo>

namespace {

const QByteArray solution =
    "<!DOCTYPE TessaStudio_Project_File>\n"
    "<solution Name=\"S\" target=\"8\">\n"
    "  <configuration Name=\"Common\" c_preprocessor_definitions=\"A\" />\n"
    "  <configuration Name=\"Debug\" inherited_configurations=\"Base\" />\n"
    "  <project Name=\"App\">\n"
    "    <configuration Name=\"Base\" c_preprocessor_definitions=\"B\" />\n"
    "    <folder Name=\"Source Files\">\n"
    "      <file file_name=\"src/main.c\" />\n"
    "    </folder>\n"
    "  </project>\n"
    "</solution>\n";

class TessaProjectTest : public TempDirTest
{
protected:
    void SetUp() override { write("s.hzp", solution); }

    ToolResult run(const QStringList &args) { return runTool("tessaproject", args, dir()); }
};

} // namespace

// "EXAMPLE" stands for the example solution of the source tree.
TEST_F(TessaProjectTest, PrintsTheTreeAndResolvedValues)
{
    struct Row { const char *name; QStringList arguments; QByteArray out; };
    const Row rows[] = {
        {"TreeListsKindNameAndFileName", {"tree", "s.hzp"},
         "solution S (s.hzp)\n"
         "  configuration Common\n"
         "  configuration Debug\n"
         "  project App\n"
         "    configuration Base\n"
         "    folder Source Files\n"
         "      file main.c (src/main.c)\n"},
        {"TraceOfInheritedAndCommon",
         {"get", "s.hzp", "App/Source Files/main.c", "c_preprocessor_definitions", "-config",
          "Debug", "-trace"},
         "A;B;\n"
         "  configuration 'Base' of project 'App': B\n"
         "  configuration 'Common' of solution 'S': A\n"},
        {"CommonAndTheDefault", {"get", "s.hzp", "App", "gcc_optimization_level", "-trace"},
         "None\n  default: None\n"},
        {"FileByItsPathExpanded",
         {"get", "s.hzp", "App/Source Files/src/main.c", "build_object_file_name", "-config",
          "Release", "-expand"},
         "Release/Obj/App/main.o\n"},
        {"ExamplePerFileDefinition",
         {"get", "EXAMPLE", "Blinky/Source Files/main.c", "c_preprocessor_definitions",
          "-config", "Debug"},
         "BOARD_TR_M4;DEBUG;TRACE_MAIN;\n"},
        {"ExampleExcludedFile",
         {"get", "EXAMPLE", "Led/Source Files/led_trace.c", "build_exclude_from_build",
          "-config", "Release"},
         "Yes\n"},
        {"ExampleLibraryOutput",
         {"get", "EXAMPLE", "Led", "build_output_file_name", "-config", "Release", "-expand"},
         "Output/Release/Exe/Led.a\n"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        QStringList arguments = row.arguments;
        arguments.replaceInStrings("EXAMPLE", sourcePath("examples/blinky/blinky.hzp"));
        const ToolResult result = run(arguments);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.out, row.out);
        EXPECT_EQ(result.err, QByteArray());
    }
}

TEST_F(TessaProjectTest, SetWritesTheFileBack)
{
    const ToolResult result = run({"set", "s.hzp", "App/Source Files/main.c",
                                   "gcc_optimization_level", "Level 2", "-config", "Debug"});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    QByteArray expected = solution;
    expected.replace("      <file file_name=\"src/main.c\" />\n",
                     "      <file file_name=\"src/main.c\">\n"
                     "        <configuration Name=\"Debug\" "
                     "gcc_optimization_level=\"Level 2\" />\n"
                     "      </file>\n");
    EXPECT_EQ(read("s.hzp"), expected);
}

TEST_F(TessaProjectTest, FormatCanonicalisesIntoAnotherFile)
{
    write("loose.hzp", "<!DOCTYPE TessaStudio_Project_File><solution Name='L'   target='8'>"
                       "<project Name=\"P\"></project></solution>");
    const ToolResult result = run({"format", "loose.hzp", "out.hzp"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(read("out.hzp"), QByteArray("<!DOCTYPE TessaStudio_Project_File>\n"
                                          "<solution Name=\"L\" target=\"8\">\n"
                                          "  <project Name=\"P\" />\n"
                                          "</solution>\n"));
    EXPECT_EQ(run({"format", "s.hzp"}).exitCode, 0);
    EXPECT_EQ(read("s.hzp"), solution);
}

TEST_F(TessaProjectTest, UnknownAttributesWarnOnStandardError)
{
    write("w.hzp", "<!DOCTYPE TessaStudio_Project_File>\n<solution Name=\"W\" odd=\"1\" />\n");
    const ToolResult result = run({"tree", "w.hzp"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, QByteArray("tessaproject: warning: Can't find property for attribute "
                                     "'odd' of solution 'W' (line 2)\n"));
}

TEST_F(TessaProjectTest, ErrorsAreOneLineAndExitOne)
{
    write("bad.hzp", "<!DOCTYPE TessaStudio_Project_File>\n<solution>\n<x></y>\n</solution>\n");
    write("other.hzp", "<!DOCTYPE Other>\n<solution/>\n");
    struct Row { QStringList arguments; QByteArray error; };
    const Row rows[] = {
        {{"tree", "missing.hzp"}, "missing.hzp does not exist"},
        {{"tree", "bad.hzp"},
         "bad.hzp is a malformed solution file (bad XML): line 3, column 4: tagName mismatch"},
        {{"tree", "other.hzp"}, "other.hzp not a solution file"},
        {{"get", "s.hzp", "App/Nope", "project_type"}, "can't find node 'App/Nope'"},
        {{"get", "s.hzp", "App", "no_such_property"}, "unknown property 'no_such_property'"},
        {{"get", "s.hzp", "App"}, "missing arguments (try -help)"},
        {{"tree", "s.hzp", "extra"}, "unexpected argument 'extra'"},
        {{"frobnicate"}, "unknown command 'frobnicate' (use tree, get, set or format)"},
        {{"format", "s.hzp", "no/dir/out.hzp"},
         "Can't open " + (dir() + "/no/dir/out.hzp").toUtf8() + " for writing"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.arguments.join(' ').toStdString());
        const ToolResult result = run(row.arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, "tessaproject: error: " + row.error + "\n");
        EXPECT_EQ(result.out, QByteArray());
    }
}

TEST_F(TessaProjectTest, LoadCommandsRunUnlessTurnedOff)
{
    write("cmd.hzp", "<!DOCTYPE TessaStudio_Project_File>\n"
                     "<solution Name=\"C\" load_command=\"touch ran\" />\n");
    EXPECT_EQ(run({"tree", "cmd.hzp", "-noloadcommands"}).out, "solution C (cmd.hzp)\n");
    EXPECT_FALSE(QFileInfo::exists(path("ran")));
    EXPECT_EQ(run({"tree", "cmd.hzp"}).exitCode, 0);
    EXPECT_TRUE(QFileInfo::exists(path("ran")));
}
