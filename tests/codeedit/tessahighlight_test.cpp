#include "testsupport.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

class TessaHighlightTest : public TempDirTest {};

TEST_F(TessaHighlightTest, MarkupOfAPythonFile)
{
    write("a.py", "if x:\n    s = \"{a}\"  # c\n");
    const ToolResult result = runTool("tessahighlight", {"-format", "markup", "a.py"}, dir());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "{3}if {0}x:\n    s = {1}\"{{a}\"  {2}# c\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(TessaHighlightTest, StateCarriesOverLinesAndFilesStartFresh)
{
    write("a.c", "/* open\nstill */ int\n");
    write("b.c", "still\n");
    const ToolResult result =
        runTool("tessahighlight", {"-format", "markup", "a.c", "b.c"}, dir());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "{2}/* open\n{2}still */ {3}int\nstill\n");
}

TEST_F(TessaHighlightTest, CarriageReturnsAndMissingLastLineFeed)
{
    write("a.py", "pass\r\nx");
    const ToolResult result = runTool("tessahighlight", {"-format", "markup", "a.py"}, dir());
    EXPECT_EQ(result.out, "{3}pass\nx\n");
}

TEST_F(TessaHighlightTest, EmptyFileWritesNothing)
{
    write("a.py", "");
    const ToolResult result = runTool("tessahighlight", {"-format", "markup", "a.py"}, dir());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
}

TEST_F(TessaHighlightTest, LanguageOptionOverridesTheExtension)
{
    write("notes.txt", "# title\n");
    const ToolResult result = runTool(
        "tessahighlight", {"-lang", "markdown", "-format", "markup", "notes.txt"}, dir());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "{3}# title\n");
}

TEST_F(TessaHighlightTest, StandardInput)
{
    const ToolResult result = runTool("tessahighlight", {"-lang", "cmake", "-format",
                                                         "markup", "-"},
                                      dir(), "set(${X})\n");
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "{3}set{0}({6}${{X}{0})\n");
}

TEST_F(TessaHighlightTest, HtmlIsAStandalonePage)
{
    write("a.c", "int x = 1 < 2; // \"&\"\n");
    const ToolResult result = runTool("tessahighlight", {"a.c"}, dir());  // not a terminal
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_TRUE(result.out.startsWith("<!DOCTYPE html>\n<html>\n")) << result.out.toStdString();
    EXPECT_TRUE(result.out.contains("<title>a.c</title>"));
    EXPECT_TRUE(result.out.contains("prefers-color-scheme: dark"));
    for (int c = 0; c <= 6; ++c)
        EXPECT_TRUE(result.out.contains(".c" + QByteArray::number(c) + " {")) << c;
    EXPECT_TRUE(result.out.contains(
        "<pre class=\"c0\"><span class=\"c3\">int </span>x = <span class=\"c1\">1 </span>&lt; "
        "<span class=\"c1\">2</span>; <span class=\"c2\">// &quot;&amp;&quot;</span>\n"
        "</pre>\n"))
        << result.out.toStdString();
    EXPECT_TRUE(result.out.endsWith("</body>\n</html>\n"));
}

TEST_F(TessaHighlightTest, HtmlHeadsEachFileWhenThereAreSeveral)
{
    write("a.py", "x\n");
    write("b<.py", "y\n");
    const ToolResult result = runTool("tessahighlight", {"-format", "html", "a.py", "b<.py"},
                                      dir());
    EXPECT_TRUE(result.out.contains(
        "<h2>a.py</h2>\n<pre class=\"c0\">x\n</pre>\n<h2>b&lt;.py</h2>\n"))
        << result.out.toStdString();
}

TEST_F(TessaHighlightTest, AnsiColoursAndResetsEachLine)
{
    write("a.py", "if 'a'\n\x1b[2J\n");
    const ToolResult result = runTool("tessahighlight", {"-format", "ansi", "a.py"}, dir());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "\x1b[0;1;34mif \x1b[0;32m'a'\x1b[0m\n"
                          "\xe2\x90\x9b[\x1b[0;32m2J\x1b[0m\n");
}

TEST_F(TessaHighlightTest, NonAsciiTextIsWrittenAsUtf8)
{
    // Two-, three- and four-byte sequences; an invalid byte reads as U+FFFD.
    write("a.py", "x = '\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80' \xff\n");
    const ToolResult markup = runTool("tessahighlight", {"-format", "markup", "a.py"}, dir());
    EXPECT_EQ(markup.out, "x = {1}'\xc3\xa9\xe2\x82\xac\xf0\x9f\x98\x80' {0}\xef\xbf\xbd\n");
    const ToolResult html = runTool("tessahighlight", {"-format", "html", "a.py"}, dir());
    EXPECT_TRUE(html.out.contains("<pre class=\"c0\">x = <span class=\"c1\">'\xc3\xa9\xe2\x82\xac"
                                  "\xf0\x9f\x98\x80' </span>\xef\xbf\xbd\n</pre>"))
        << html.out.toStdString();
}

TEST_F(TessaHighlightTest, NulAndSwitchCharacterPassThrough)
{
    write("a.py", QByteArray("a\0b \xef\xb7\x90{\n", 9));
    const ToolResult result = runTool("tessahighlight", {"-format", "markup", "a.py"}, dir());
    EXPECT_EQ(result.out, QByteArray("a\0b \xef\xb7\x90{{\n", 10));
}

TEST_F(TessaHighlightTest, TerminalGetsAnsiByDefault)
{
    // script(1) gives the tool a terminal as standard output.
    const QString script = QStandardPaths::findExecutable("script");
    if (script.isEmpty())
        GTEST_SKIP() << "script(1) is not installed";
    write("a.py", "if x\n");
    QProcess process;
    process.setWorkingDirectory(dir());
    process.start(script, {"-qec", toolPath("tessahighlight") + " a.py", "/dev/null"});
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(60000));
    EXPECT_EQ(process.readAllStandardOutput(), "\x1b[0;1;34mif \x1b[0mx\r\n");
}

TEST_F(TessaHighlightTest, DisassemblySeparatorKeepsItsRule)
{
    write("a.dis", "--- x ---\n");
    const ToolResult result = runTool("tessahighlight", {"-format", "markup", "a.dis"}, dir());
    EXPECT_EQ(result.out, "{5}\xe2\x80\x94\xe2\x80\x94\xe2\x80\x94 x "
                          "\xe2\x80\x94\xe2\x80\x94\xe2\x80\x94\n");
}

// The markup of every language, with its switches taken out and "{{" made "{" again,
// gives back the file (disassembly separators aside).
TEST_F(TessaHighlightTest, MarkupWithoutSwitchesIsTheFile)
{
    const QByteArray text = "int main() { return 0; } /* a\n"
                            "still */ \"s\\\"t\" 'c' # x ${a{b}} `q` <a href='x'>&amp;\n"
                            "    \"\"\"doc {{ }} \\\n"
                            "---\n"
                            "    8000 <f+4> ( x ) \\ y \xc3\xa9\xe2\x82\xac\n"
                            "\n"
                            "- k: v ! z -- w ; u %p% R\"d(raw\n"
                            ")d\" \"\"\"\n";
    write("input", text);
    const QStringList languages = {"python", "cmake", "disassembly", "c", "cpp", "java",
                                   "javascript", "xc", "batch", "stapl", "icf", "asm", "basic",
                                   "forth", "dts", "vhdl", "svf", "json", "yaml", "xml",
                                   "html", "markdown"};
    for (const QString &language : languages) {
        SCOPED_TRACE(language.toStdString());
        const ToolResult result =
            runTool("tessahighlight", {"-lang", language, "-format", "markup", "input"}, dir());
        ASSERT_EQ(result.exitCode, 0);
        QByteArray stripped;
        for (int i = 0; i < result.out.size(); ++i) {
            const char c = result.out.at(i);
            if (c == '{' && result.out.mid(i + 1, 1) == "{") {
                stripped += '{';
                ++i;
            } else if (c == '{') {
                ASSERT_EQ(result.out.mid(i + 2, 1), "}") << "bad switch at " << i;
                i += 2;
            } else {
                stripped += c;
            }
        }
        QByteArray expected = text;
        if (language == "disassembly")
            expected.replace("---", "\xe2\x80\x94\xe2\x80\x94\xe2\x80\x94");
        EXPECT_EQ(stripped, expected);
    }
}

struct ErrorRow
{
    const char *name;
    QStringList arguments;
    const char *message;
};

TEST_F(TessaHighlightTest, ErrorsNameTheCulprit)
{
    write("a.py", "x\n");
    write("a.txt", "x\n");
    const ErrorRow rows[] = {
        {"UnknownLanguage", {"-lang", "cobol", "a.py"}, "unknown language 'cobol'"},
        {"UnknownFormat", {"-format", "pdf", "a.py"},
         "unknown format 'pdf' (use markup, html or ansi)"},
        {"UnknownExtension", {"a.py", "a.txt"},
         "cannot tell the language of 'a.txt' (use -lang)"},
        {"StandardInputNeedsLanguage", {"-"},
         "cannot tell the language of standard input (use -lang)"},
        {"MissingFile", {"missing.py"},
         "cannot open 'missing.py': No such file or directory"},
        {"Directory", {"-lang", "c", "."}, "'.' is a directory"},
        {"UnknownOption", {"-x", "a.py"}, "unrecognised option -x"},
        {"MissingOptionValue", {"a.py", "-lang"}, "expected argument for option -lang"},
    };
    for (const ErrorRow &row : rows) {
        SCOPED_TRACE(row.name);
        const ToolResult result = runTool("tessahighlight", row.arguments, dir());
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, QByteArray("tessahighlight: error: ") + row.message + "\n");
        EXPECT_EQ(result.out, "");
    }
}

} // namespace
