#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

const char *const target = R"(# a small board
byteorder big
memory 0x20000000 0x200000ff
memory 0x08000000 0x0800000f readonly
struct config { unsigned short id; unsigned char enabled : 1; unsigned char level : 3; }
variable count 0x20000000 int
variable limits 0x20000004 short[3]
variable cfg 0x20000010 struct config
variable banner 0x20000020 string
variable ptr 0x20000030 int *
variable id 0x08000000 unsigned int
bytes 0x20000000 00 00 01 00
bytes 0x20000004 00 0a ff f6 00 64
bytes 0x20000010 12 34 d0
bytes 0x08000000 de ad be ef
text 0x20000020 "ready"
register pc 0x08000100
register psr 0x61000000 register 4 { n 31 1; z 30 1; c 29 1; v 28 1; }
set ptr = &count
)";

class TessaExprTest : public TempDirTest
{
protected:
    ToolResult run(const QStringList &arguments, const QByteArray &input = QByteArray())
    {
        return runTool(QStringLiteral("tessaexpr"), arguments, dir(), input);
    }
};

} // namespace

TEST_F(TessaExprTest, PrintsOneLinePerExpression)
{
    const ToolResult result = run({"1 + 2 * 3", "7 / 2.0", "1 == 1", "\"text\"", "(1 < 2) + 5",
                                   "0x10 >> 2"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "7 : long long\n3.5 : double\ntrue : boolean\ntext : string\n"
                          "true : boolean\n4 : long long\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(TessaExprTest, FailuresPrintTheMessageAndSetTheStatus)
{
    const ToolResult result = run({"7 / 0", "x", "1 + 1", "1 2", "a ? b : c", "(1"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "error: divide by zero\nerror: x symbol not found\n2 : long long\n"
                          "error: unexpected text '2'\nerror: operator not supported\n"
                          "error: ')' expected\n");
}

TEST_F(TessaExprTest, DashETakesTheNextArgumentAsAnExpression)
{
    const ToolResult result = run({"-e", "-1", "-e", "@pc", "-e", "-help", "-e", "", "3"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "-1 : long long\nerror: unknown register\nerror: help symbol not found\n"
                          "error: empty expression\n3 : long long\n");
}

TEST_F(TessaExprTest, DashReadsStandardInputInItsPlace)
{
    const ToolResult result = run({"1", "-", "2"}, "1 + 1\r\n\n2 * 3\n-4\n1 +\n  5  \n");
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out, "1 : long long\n2 : long long\n6 : long long\n-4 : long long\n"
                          "error: unexpected token TOKEN_EOL\n5 : long long\n2 : long long\n");
}

TEST_F(TessaExprTest, FloatingValuesUseTheShortestForm)
{
    const ToolResult result = run({"0.1 + 0.2", "1.0 / 3", "2.5 * 4", "100000000000.0 * 1e0"});
    EXPECT_EQ(result.out, "0.30000000000000004 : double\n0.3333333333333333 : double\n"
                          "10 : double\nerror: unexpected text 'e0'\n");
}

TEST_F(TessaExprTest, TargetValuesAndAssignmentsPersistWithinARun)
{
    write("board.txt", target);
    const ToolResult result = run({"-target", "board.txt", "count", "limits", "limits[1] * 2",
                                   "cfg", "cfg.level", "banner", "*ptr", "*ptr = 5", "count",
                                   "count += 1", "id", "id = 0", "sizeof cfg", "symbolat(ptr)",
                                   "-e", "@psr.z", "-e", "@psr.z = 0", "-e", "@psr",
                                   "cfg.level = 2", "cfg"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.out,
              "256 : int\n{10, -10, 100} : string\n-20 : short\n"
              "{id = 4660, enabled = 1, level = 5} : string\n5 : unsigned char\n"
              "ready : string\n256 : int\n5 : int\n5 : int\n6 : int\n3735928559 : unsigned int\n"
              "error: cannot write memory at 0x8000000\n4 : long long\ncount : string\n"
              "1 : unsigned int\n0 : unsigned int\n553648128 : unsigned int\n"
              "2 : unsigned char\n{id = 4660, enabled = 1, level = 2} : string\n");
    // Nothing is written back.
    EXPECT_EQ(read("board.txt"), QByteArray(target));
}

TEST_F(TessaExprTest, BadTargetDescriptionStopsBeforeEvaluating)
{
    write("bad.txt", "memory 0x0 0xff\nvariable x 0x0 struct nothere\n");
    const std::pair<const char *, QByteArray> rows[] = {
        {"bad.txt", "bad.txt:2: struct type not found"},
        {"missing.txt", "cannot open target description 'missing.txt': No such file or directory"},
    };
    for (const auto &[file, message] : rows) {
        const ToolResult result = run({"-target", file, "1"});
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "");
        EXPECT_EQ(result.err, "tessaexpr: error: " + message + "\n");
    }
}

TEST_F(TessaExprTest, HugeInputFailsCleanly)
{
    const QByteArray deep = QByteArray(100000, '(') + "1" + QByteArray(100000, ')') + "\n"
        + QByteArray(300000, 'v') + "\n" + QByteArray("\x01\xff\xfe", 3) + "\n";
    const ToolResult result = run({"-"}, deep);
    EXPECT_EQ(result.exitCode, 1);
    const QList<QByteArray> lines = result.out.split('\n');
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines.at(0), "error: Expression too complicated");
    EXPECT_TRUE(lines.at(1).endsWith("v symbol not found"));
    EXPECT_TRUE(lines.at(2).startsWith("error: unrecognised token: "));
}
