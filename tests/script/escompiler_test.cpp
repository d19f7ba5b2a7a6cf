// The compiler through the context: what compiles to what (seen by running it), every
// compile error with its line, and the instruction listing.

#include "scriptharness.h"

#include "script/esatom.h"
#include "script/escodeblock.h"
#include "script/esexception.h"
#include "script/esobject.h"

#include <QStringList>

#include <gtest/gtest.h>

#include <cstdlib>

namespace {

struct CompileError
{
    const char *name;
    const char *source;
    const char *message;
    int line;
};

class ESCompileErrorTest : public testing::TestWithParam<CompileError> {};

TEST_P(ESCompileErrorTest, RaisesSyntaxErrorAtLine)
{
    const CompileError &row = GetParam();
    ScriptHarness harness;
    const int blocks = harness.context()->blockCount();
    const ScriptRun run = harness.run(QString::fromUtf8(row.source));
    EXPECT_EQ(run.kind, ESCompletion::Throw);
    EXPECT_EQ(run.errorClass, "SyntaxError");
    EXPECT_EQ(run.message, QString::fromUtf8(row.message));
    EXPECT_EQ(run.lineNumber, row.line);
    EXPECT_EQ(run.sourceLine, QString::fromUtf8(row.source).split('\n').value(row.line - 1));
    EXPECT_EQ(harness.context()->blockCount(), blocks);  // nothing registered
}

INSTANTIATE_TEST_SUITE_P(All, ESCompileErrorTest, testing::Values(
    CompileError{"MissingToken", "x = (1 +\n2", "expected ) found end of input", 2},
    CompileError{"MissingSemicolon", "a = 1 b = 2", "expected ; found an identifier", 1},
    CompileError{"KeywordAsName", "var class = 1;", "expected an identifier found class", 1},
    CompileError{"StrictEquality", "a === b", "expected ; found ===", 1},
    CompileError{"NoExpression", "x = ;", "expected an expression, found ;", 1},
    CompileError{"ReservedWord", "\ntry { }", "expected an expression, found try", 2},
    CompileError{"InOutsideForIn", "a in b", "expected ; found in", 1},
    CompileError{"ArrayElement", "x = [1 2]", "']' or ',' expected, found a number", 1},
    CompileError{"ObjectKey", "x = {a: 1, +}",
                 "number, string, or identifier expected in object initialiser", 1},
    CompileError{"AssignToSum", "a + b = 1", "only left-hand-side expressions allowed", 1},
    CompileError{"IncrementLiteralSum", "(1 + 2)++", "only left-hand-side expressions allowed", 1},
    CompileError{"ForInOverSum", "for (a + b in c) ;", "only left-hand-side expressions allowed", 1},
    CompileError{"TwoForInVariables", "for (var a, b in o) ;",
                 "too many variables in for-in expression", 1},
    CompileError{"NoCaseKeyword", "switch (x) {\n y: }",
                 "expected 'case' or 'default' but found 'an identifier'", 2},
    CompileError{"TwoDefaults", "switch (x) { default: default: }", "default case already defined", 1},
    CompileError{"ReturnAtTopLevel", "x = 1;\nreturn x;", "return not in a function", 2},
    CompileError{"UnknownLabel", "while (1) { break nowhere; }", "can't find label nowhere", 1},
    CompileError{"LabelOfOuterFunction", "l: while (1) { f = function() { break l; }; }",
                 "can't find label l", 1},
    CompileError{"ContinueToBlock", "l: { continue l; }", "labeled 'continue' doesn't mark a loop", 1},
    CompileError{"BreakOutsideLoop", "if (1) break;", "'break' not in a 'for' or 'while' loop", 1},
    CompileError{"ContinueInSwitch", "switch (1) { case 1: continue; }",
                 "'continue' not in a 'for' or 'while' loop", 1},
    CompileError{"OctalNine", "x = 09", "digit '9' is not radix 8", 1},
    CompileError{"HexLetter", "x = 0x1G", "digit 'G' is not radix 16", 1},
    CompileError{"ExponentWithoutDigits", "x = 1e+", "bad parse of numerical constant '1e+'", 1},
    CompileError{"ShortHexEscape", "x = '\\x4g'", "malformed hex escape sequence", 1},
    CompileError{"ShortUnicodeEscape", "x = '\\u12'", "malformed hex escape sequence", 1},
    CompileError{"LineFeedInString", "x = 'a\nb'", "newline in string constant", 1},
    CompileError{"UnterminatedString", "\nx = \"abc", "end of file in string constant", 2},
    CompileError{"UnknownCharacter", "x = 1 @ 2", "unknown character '@'", 1},
    CompileError{"CommentCountsLines", "/*\n\n*/ x = @", "unknown character '@'", 3},
    CompileError{"NonAsciiLetter", "var \u00e9 = 1", "unknown character '\u00e9'", 1}),
    [](const auto &info) { return std::string(info.param.name); });

// Text that nests deeper than the compiler allows fails cleanly, at any kind of nesting.
struct DeepText
{
    const char *name;
    const char *open;
    const char *middle;
    const char *close;
};

class ESDeepNestingTest : public testing::TestWithParam<DeepText> {};

TEST_P(ESDeepNestingTest, IsASyntaxError)
{
    const DeepText &row = GetParam();
    const QString source = "x = " + QString(row.open).repeated(100000) + row.middle
                           + QString(row.close).repeated(100000);
    const ScriptRun run = runScript(source);
    EXPECT_EQ(run.errorClass, "SyntaxError");
    EXPECT_EQ(run.message, "expression nested too deeply");
}

INSTANTIATE_TEST_SUITE_P(All, ESDeepNestingTest, testing::Values(
    DeepText{"Parentheses", "(", "1", ")"},
    DeepText{"Brackets", "[", "1", "]"},
    DeepText{"Objects", "{a:", "1", "}"},
    DeepText{"Blocks", "1; {", "", "}"},
    DeepText{"UnaryOperators", "-", "1", ""},
    DeepText{"Assignments", "a =", "1", ""},
    DeepText{"Conditionals", "a ? b :", "1", ""},
    DeepText{"Functions", "function() { return ", "1", "}"},
    DeepText{"News", "new ", "F", ""},
    DeepText{"MemberChain", "", "a", ".b"},
    DeepText{"CallChain", "", "f", "()"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ESCompilerTest, LongLeftDeepChainsCompile)
{
    EXPECT_EQ(runScript("1" + QString("+1").repeated(20000)).value, "20001");
    EXPECT_EQ(runScript("0" + QString(", 1").repeated(20000)).value, "1");
    EXPECT_EQ(runScript("1" + QString(" && 2").repeated(10000)).value, "2");
}

// What does not fit the 16-bit operands is refused, never truncated.
TEST(ESCompilerTest, SixteenBitLimitsAreErrors)
{
    const struct
    {
        QString source;
        const char *message;
    } rows[] = {
        {"function f() {" + QString("x = 1;").repeated(20000) + "}", "code block too large"},
        {"x = [" + QString("function() {},").repeated(0x10001) + "];", "too many functions"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.message);
        ScriptHarness harness;
        const ScriptRun run = harness.run(row.source);
        EXPECT_EQ(run.errorClass, "SyntaxError");
        EXPECT_EQ(run.message, row.message);
        EXPECT_EQ(harness.context()->blockCount(), 0);
    }
}

// Atoms are process-wide, so these run in a child process of their own.
TEST(ESCompilerTest, RunningOutOfNamesIsAnError)
{
    EXPECT_EXIT(
        {
            QStringList names;
            for (int i = 0; i <= 0xFFFF; ++i)
                names += QStringLiteral("v%1").arg(i);
            const bool locals = runScript("function f() { var " + names.join(',') + "; }").message
                                == "too many variables";
            for (int i = int(ESAtom::count()); i <= 0x10000; ++i)
                ESAtom::intern(QStringLiteral("filler %1").arg(i));
            const bool atoms = runScript("x = 'a text never interned before'").message
                               == "too many names and strings";
            const bool oldAtomsWork = runScript("length").kind == ESCompletion::Normal;
            std::exit(locals && atoms && oldAtomsWork ? 0 : 1);
        },
        testing::ExitedWithCode(0), "");
}

struct Compiles
{
    const char *name;
    const char *source;
    const char *value;
};

class ESLexerTest : public testing::TestWithParam<Compiles> {};

TEST_P(ESLexerTest, ReadsTheText)
{
    const ScriptRun run = runScript(QString::fromUtf8(GetParam().source));
    EXPECT_EQ(run.kind, ESCompletion::Normal) << qPrintable(run.message);
    EXPECT_EQ(run.value, QString::fromUtf8(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(All, ESLexerTest, testing::Values(
    Compiles{"CommentAtEndWithoutLineFeed", "a = 1 // comment", "1"},
    Compiles{"UnterminatedCommentEndsInput", "a = 2; /* a = 3;", "2"},
    Compiles{"Hexadecimal", "0xff + 0XA", "265"},
    Compiles{"Octal", "010 + 0", "8"},
    Compiles{"LeadingDot", ".5 + 5.", "5.5"},
    Compiles{"Exponent", "1.5e3 + 2E-1", "1500.2"},
    Compiles{"CharacterEscapes", "'\\x41\\u0042\\103\\q\\'\\\"\\\\'", "ABCq'\"\\"},
    Compiles{"OctalEscapeStopsAt255", "'\\400'", " 0"},
    Compiles{"EscapedControls", "'[\\t]' == '[\t]' && '\\n' != 'n'", "true"},
    Compiles{"LineBreakEndsStatement", "a = 1\nb = a + 1\nb", "2"},
    Compiles{"CarriageReturnEndsStatement", "a = 1\rb = 2\rb", "2"},
    Compiles{"BlanksAndControlZ", "\t\v\f\x1a 7", "7"},
    Compiles{"DollarAndUnderscoreNames", "var $_a1 = 3; $_a1", "3"},
    Compiles{"KeywordsAsPropertyNames", "var o = {}; o.x = 1; o['if'] = 2; o.x + o['if']", "3"},
    Compiles{"NumberKeysInObjectLiteral", "var o = {1: 'a', 'b': 2, c: 3}; o[1] + o.b + o.c", "a23"},
    Compiles{"ArrayHoles", "var a = [1, , 3, ]; a.length + ':' + a[1] + ':' + a[2]", "3:undefined:3"},
    Compiles{"BareReturnBeforeLineBreak", "function f() { return\n5; } typeof f()", "undefined"},
    Compiles{"PostfixNotAfterLineBreak", "var a = 1, b = 1\na\n++b\nb", "2"},
    Compiles{"AssignmentToLiteralIsDiscarded", "5 = 6", "6"}),
    [](const auto &info) { return std::string(info.param.name); });

// Two blocks pinned to the byte: a function with parameters and a local, and a
// program using the other operand kinds.
TEST(ESListingTest, ShowsEveryOperandKind)
{
    ScriptHarness harness;
    ESContext *cx = harness.context();
    const int program = cx->compile("list.js",
                                    "function add(a, b) { var c = a + b; return c; }\n"
                                    "var o = {x: [add(1, 2.5), 'two']};\n"
                                    "if (o.x.length > 1) WScript.Echo(o.x);\n");
    EXPECT_EQ(cx->block(program - 1)->listing(*cx),
              "0000:  GETA\ta [idx=0]\n"
              "0003:  GETA\tb [idx=1]\n"
              "0006:  ADD\n"
              "0007:  PUTL\tc [idx=0]\n"
              "000a:  GETL\tc [idx=0]\n"
              "000d:  RET\n"
              "000e:  RETU\n");
    // Globals are addressed by their slot in the global object.
    const auto slot = [cx](const char *name) {
        return QByteArray::number(cx->global()->indexOf(ESAtom::intern(name)));
    };
    EXPECT_EQ(cx->block(program)->listing(*cx),
              "0000:  CLOSURE\t#" + QByteArray::number(program - 1) + "\n"
              "0003:  PUTG\tadd [idx=" + slot("add") + "]\n"
              "0006:  NEWOBJ\n"
              "0007:  NUM_1\n"
              "0008:  NUM\t2.5\n"
              "000b:  CALLG\tadd [idx=" + slot("add") + "], #2\n"
              "0010:  STR\ttwo\n"
              "0013:  MKARRAY\t#2\n"
              "0016:  INITF\tx\n"
              "0019:  PUTG\to [idx=" + slot("o") + "]\n"
              "001c:  NUM_1\n"
              "001d:  GETG\to [idx=" + slot("o") + "]\n"
              "0020:  GETF\tx\n"
              "0023:  GETF\tlength\n"
              "0026:  LT\n"
              "0027:  JF\t0039\n"
              "002a:  DROP\n"
              "002b:  GETG\tWScript [idx=" + slot("WScript") + "]\n"
              "002e:  GETG\to [idx=" + slot("o") + "]\n"
              "0031:  GETF\tx\n"
              "0034:  CALLF\tEcho, #1\n"
              "0039:  RET\n");
}

} // namespace
