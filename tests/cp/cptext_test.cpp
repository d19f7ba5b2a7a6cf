// End-to-end tests of cp's text copy: includes, conditionals, macro expansion and
// byte transparency.
#include "cptestsupport.h"

namespace {

struct TextCase
{
    const char *name;
    QStringList options;
    QByteArray input;
    QByteArray output;
};

class CpTextCopy : public CpTest, public testing::WithParamInterface<TextCase> {};

TEST_P(CpTextCopy, WritesExpectedText)
{
    // Files the rows include or read.
    write("inc.h", "included line\n");
    write("value", QByteArray("v1\r\nv2\0ignored", 14));
    write("a/first.h", "first\n#include \"b/second.h\"\n");
    write("a/b/second.h", "second $(A)\n");
    write("b/second.h", "wrong directory\n");
    write("open.h", "#else\n#endif\n#ifdef NOTHING\n");
    write("in.txt", GetParam().input);
    const ToolResult result = cp(GetParam().options + QStringList{"in.txt", "out.txt"});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(result.err, QByteArray());
    EXPECT_EQ(read("out.txt"), GetParam().output);
}

const QStringList includes{"-includes"};
const QStringList preprocess{"-preprocess"};
const QStringList defineX{"-preprocess", "-D", "X=1"};
const QStringList expand{"-expandmacros", "-D", "A=1", "-D", "B=x=y", "-D", "E"};

INSTANTIATE_TEST_SUITE_P(Table, CpTextCopy, testing::Values(
    TextCase{"FinalNewlineAdded", includes, "a\nb", "a\nb\n"},
    TextCase{"CrLfBecomesLf", includes, "a\r\nb\r\n", "a\nb\n"},
    TextCase{"LoneCrKept", includes, "a\rb\n", "a\rb\n"},
    TextCase{"CrAtEndIsALineEnd", includes, "a\n\r", "a\n\n"},
    TextCase{"BlankLinesKept", includes, "\n\r\n\n", "\n\n\n"},
    TextCase{"EmptyFile", includes, "", ""},
    TextCase{"IncludeWithBlanks", includes, "x\n  #include    \"inc.h\"   \ny\n",
             "x\nincluded line\ny\n"},
    TextCase{"IncludeTabsSimplified", includes, "\t#include\t\"inc.h\"\n", "included line\n"},
    TextCase{"AngleIncludeIsText", includes, "#include <inc.h>\n", "#include <inc.h>\n"},
    TextCase{"UnclosedIncludeIsText", includes, "#include \"inc.h\n", "#include \"inc.h\n"},
    TextCase{"SpacedHashIsText", includes, "# include \"inc.h\"\n", "# include \"inc.h\"\n"},
    TextCase{"ConditionalsNeedPreprocess", includes, "#ifdef X\na\n#endif\n",
             "#ifdef X\na\n#endif\n"},
    TextCase{"IfdefUndefined", preprocess, "#ifdef X\na\n#else\nb\n#endif\n", "b\n"},
    TextCase{"IfdefDefined", defineX, "#ifdef X\na\n#else\nb\n#endif\n", "a\n"},
    TextCase{"Ifndef", defineX, "#ifndef X\na\n#else\nb\n#endif\n", "b\n"},
    TextCase{"NestedInsideInactive", defineX,
             "#ifdef Y\n#ifdef X\na\n#else\nb\n#endif\nc\n#endif\nd\n", "d\n"},
    TextCase{"EndifWithCommentIsText", preprocess,
             "#ifndef X\na\n#endif // X\nb\n#endif\nc\n", "a\n#endif // X\nb\nc\n"},
    TextCase{"UnmatchedEndifIgnored", preprocess, "#endif\n#else\na\n", "a\n"},
    // A nested include resolves against the directory of the file that names it.
    TextCase{"NestedInclude", {"-includes", "-expandmacros", "-D", "A=2"},
             "top\n#include \"a/first.h\"\nend\n", "top\nfirst\nsecond 2\nend\n"},
    TextCase{"ConditionalsEndWithTheirFile", {"-preprocess", "-D", "X"},
             "#ifdef X\n#include \"open.h\"\nafter\n", "after\n"},
    TextCase{"IncludeSkippedWhenInactive", preprocess, "#ifdef X\n#include \"none.h\"\n#endif\n",
             ""},
    TextCase{"DirectiveNameIsRestOfLine", {"-preprocess", "-D", "X Y=1"},
             "#ifdef   X   Y \na\n#endif\n", "a\n"},
    TextCase{"Expand", expand, "x$(A)y $(B) [$(E)] $(U) $(U:d)\n", "x1y x=y [] $(U) d\n"},
    TextCase{"EscapeExpandsOnNextPass", expand, "$$(A) $$$$\n", "1 $\n"},
    TextCase{"StudioDirNotInCopiedText", expand, "$(StudioDir)\n", "$(StudioDir)\n"},
    TextCase{"ExpandWithoutDirectives", {"-expandmacros"}, "#include \"inc.h\"\n",
             "#include \"inc.h\"\n"},
    TextCase{"Latin1AndStrayBytes", expand, "caf\xe9 \xff\xfe $(A)\n", "caf\xe9 \xff\xfe 1\n"},
    TextCase{"Utf8Untouched", expand, "\xef\xbb\xbfna\xc3\xafve \xe2\x82\xac\n",
             "\xef\xbb\xbfna\xc3\xafve \xe2\x82\xac\n"},
    TextCase{"NulBytesKept", expand, QByteArray("a\0b$(A)\n", 8), QByteArray("a\0b1\n", 5)},
    TextCase{"Utf8Definitions",
             {"-expandmacros", "-D", "N=\xc3\xa9t\xc3\xa9 \xe2\x82\xac", "-D", "\xc3\xa9=e"},
             "[$(N)] $(\xc3\xa9)\n", "[\xc3\xa9t\xc3\xa9 \xe2\x82\xac] e\n"},
    // -M reads the file as text, up to its first NUL; empty parts around "=" are dropped.
    TextCase{"MacroFromFile", {"-expandmacros", "-M", "V==value"}, "[$(V)]\n", "[v1\nv2]\n"},
    // Each pass adds two "+" (the value's own and the nested one), until the pass bound.
    TextCase{"SelfGrowingDefinitionBounded", {"-expandmacros", "-D", "G=$(G)+"}, "$(G)\n",
             "$(G)" + QByteArray(200, '+') + "\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CpTest, IncludesNest65DeepAndNoFurther)
{
    for (int i = 0; i < 65; ++i)
        write(QString("f%1").arg(i), QString("#include \"f%1\"\n").arg(i + 1).toLatin1());
    write("f65", "deepest\n");
    ToolResult result = cp({"-includes", "f0", "o"});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(read("o"), QByteArray("deepest\n"));
    write("f65", "deepest\n#include \"f66\"\n");
    write("f66", "too deep\n");
    result = cp({"-nofail", "-includes", "f0", "o"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, QByteArray("cp failed: #include recursion depth exceeded\n"));
    EXPECT_EQ(read("o"), QByteArray("deepest\n"));  // partial output stays
}

TEST_F(CpTest, UnreadableIncludeEndsTheRun)
{
    write("t.txt", "a\n#include \"sub/missing.h\"\nb\n");
    write("u.txt", "u\n");
    const ToolResult result = cp({"-nofail", "-includes", "t.txt", "u.txt", "out/", "-makedir"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, QByteArray("cp failed: can't read from \"sub/missing.h\"\n"));
    EXPECT_EQ(read("out/t.txt"), QByteArray("a\n"));
    EXPECT_TRUE(read("out/u.txt").isNull());  // never started
}

TEST_F(CpTest, LargeInputsAsText)
{
    // The reader takes 1 MiB at a time: put a "\r\n" on either side of that boundary.
    const QByteArray chunk(1024 * 1024 - 1, 'a');
    QByteArray binary;
    for (int i = 0; i < 70000; ++i)
        binary.append(char(i % 256 == 13 ? 12 : i % 256));  // no CR: it would be dropped
    binary.append('\n');
    const QByteArray longLine(20 * 1024 * 1024, 'z');
    write("split", chunk + "\r\nb\r\n");
    write("bin", binary);
    write("long", longLine + "$(A)\n");
    const ToolResult result =
        cp({"-makedir", "-expandmacros", "-D", "A=1", "split", "bin", "long", "out/"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(read("out/split"), chunk + "\nb\n");
    EXPECT_EQ(read("out/bin"), binary);
    EXPECT_EQ(read("out/long"), longLine + "1\n");
}

} // namespace
