#include "expression/parserexception.h"
#include "expression/simulateddebugger.h"

#include "qtx/hexception.h"

#include <gtest/gtest.h>

#include "testsupport.h"

namespace {

// A little-endian target with data in space 0, a read-only range and a range in space 1.
const char *const littleTarget = R"(
# variables of every kind
memory 0x1000 0x10ff
memory 0x8000 0x800f readonly
memory 1:0x0 0xff
struct point { int x; short y; unsigned char flags : 3; unsigned char mode : 2; char s : 4; }
typedef point_t struct point
variable counter 0x1000 int
variable ratio 0x1004 float
variable arr 0x1010 short[4]
variable p 0x1020 int *
variable pt 0x1030 point_t
variable name 0x1040 string
variable cbuf 0x1050 char[8]
variable pp 0x1060 struct point *
variable wide 0x1068 unsigned long long
variable d 0x1070 double
variable b 0x1078 byte
variable ro 0x8000 unsigned int
variable other 1:0x10 unsigned short
variable ns::inner 0x1080 int
bytes 0x1000 2a 00 00 00
bytes 0x1010 01 00 02 00 03 00 ff ff
bytes 0x1020 00 10 00 00
bytes 0x1030 03 00 00 00 fc ff 1d 00
bytes 0x1060 30 10 00 00
bytes 0x1068 ff ff ff ff ff ff ff ff
bytes 0x1078 80
bytes 0x8000 11 22 33 44
bytes 1:0x10 34 12
bytes 0x1080 07 00 00 00
text 0x1040 "hello"
text 0x1050 "abc"
register pc 0x100
register ctrl 0x21 register 4 { en 0 1; mode 1 3; }
register sp 0x2000 int *
line main.c 12 0x200
set ratio = 1.5
set d = 0.1
)";

class SimulatedDebuggerTest : public testing::Test
{
protected:
    void load(const char *description)
    {
        m_debugger.loadDescriptionText(QString::fromUtf8(description), "target.txt", QString());
    }

    QString evaluate(const QString &text)
    {
        try {
            int end = 0;
            ExpressionPtr expression = m_debugger.parseExpression(text, &end);
            if (end < text.size())
                return QStringLiteral("unexpected text ") + text.mid(end);
            const ExpressionValue value = expression->evaluate().resolved();
            return value.toText() + QStringLiteral(" : ") + value.typeName();
        } catch (const ParserException &e) {
            return QStringLiteral("error: ") + e.message();
        }
    }

    void expectAll(const std::initializer_list<std::pair<const char *, const char *>> &cases)
    {
        for (const auto &c : cases) {
            SCOPED_TRACE(c.first);
            EXPECT_EQ(evaluate(QString::fromUtf8(c.first)), QString::fromUtf8(c.second));
        }
    }

    QByteArray bytesAt(quint32 space, quint64 address, int count)
    {
        QByteArray bytes(count, '\0');
        EXPECT_TRUE(m_debugger.memory().readMemory(space, address, quint32(count), bytes.data()));
        return bytes.toHex(' ');
    }

    SimulatedDebugExpressionParser m_debugger;
};

class LittleTargetTest : public SimulatedDebuggerTest
{
protected:
    void SetUp() override { load(littleTarget); }
};

} // namespace

TEST_F(LittleTargetTest, ReadsVariablesOfEveryType)
{
    expectAll({
        {"counter", "42 : int"}, {"ratio", "1.5 : float"},
        {"d", "0.1 : double"},
        {"arr", "{1, 2, 3, -1} : string"},
        {"arr[3]", "-1 : short"}, {"name", "hello : string"},
        {"cbuf", "abc : string"}, {"wide", "18446744073709551615 : unsigned long long"},
        {"b", "-128 : byte"}, {"ro", "1144201745 : unsigned int"},
        {"other", "4660 : unsigned short"}, {"ns::inner", "7 : int"},
        {"::counter", "42 : int"},
        {"pt", "{x = 3, y = -4, flags = 5, mode = 3, s = 0} : string"},
        {"counter * 2 + arr[1]", "86 : int"}, {"counter == 42", "true : boolean"},
        {"wide > 1", "true : boolean"},   // unsigned values compare as unsigned
    });
}

TEST_F(LittleTargetTest, PointersArraysAndMembers)
{
    expectAll({
        {"p", "4096 : unsigned int"}, {"*p", "42 : int"},
        {"*(arr + 2)", "3 : short"}, {"arr + 1", "4114 : unsigned int"},
        {"p + 1", "4100 : unsigned int"}, {"&counter", "4096 : unsigned int"},
        {"*&counter", "42 : int"}, {"&arr[2]", "4116 : unsigned int"},
        {"arr[1:3]", "{2, 3} : string"},
        {"p[1:3]", "{1069547520, 0} : string"},
        {"pt.y", "-4 : short"}, {"pp->y", "-4 : short"},
        {"pp.x", "3 : int"}, {"(*pp).mode", "3 : unsigned char"},
        {"*(short *)0x1012", "2 : short"}, {"(int *)0x1010", "4112 : unsigned int"},
        {"((struct point *)&pt)->x", "3 : int"},
        {"(struct point)counter", "{x = 42, y = 0, flags = 0, mode = 0, s = -1} : string"},
        {"*(unsigned short *)&other", "4660 : unsigned short"},
        {"*(unsigned short *)0x10", "error: cannot read memory at 0x10"},
        {"(unsigned char[2][3])arr", "{{1, 0, 2}, {0, 3, 0}} : string"},
        {"*(unsigned short *)(char *)&other", "4660 : unsigned short"},
        {"*(@sp)", "error: cannot read memory at 0x2000"},
    });
}

TEST_F(LittleTargetTest, LargeValuesShowABoundedText)
{
    const QString text = evaluate(QStringLiteral("(int[100])counter"));
    EXPECT_EQ(text, "error: cannot read memory at 0x118f");  // the range ends at 0x10ff
    const QString shorts = evaluate(QStringLiteral("(short[100])counter"));
    EXPECT_TRUE(shorts.startsWith(QStringLiteral("{42, 0, 0, 16320, 0, 0, 0, 0, 1, 2, 3, -1")))
        << qPrintable(shorts);
    EXPECT_TRUE(shorts.endsWith(QStringLiteral(", ...} : string")));
    EXPECT_EQ(shorts.count(QLatin1Char(',')), 64);
    // 64 to the fifth power elements would be shown without the shared budget.
}

TEST_F(SimulatedDebuggerTest, NestedArraysShareOneBudget)
{
    load("memory 0x0 0xffff\nvariable big 0x0 short[16][16][16][8]\n");
    // 32768 numbers without a shared budget; 1024 elements (numbers and the arrays
    // holding them) with it.
    const QString nested = evaluate(QStringLiteral("big"));
    EXPECT_EQ(nested.count(QLatin1Char('0')) + nested.count(QLatin1Char('{')) - 1, 1024);
    EXPECT_TRUE(nested.endsWith(QStringLiteral("0, ...}, ...}, ...}, ...} : string")));
}

TEST_F(LittleTargetTest, SizesSymbolsAndLines)
{
    expectAll({
        {"sizeof counter", "4 : long long"}, {"sizeof arr", "8 : long long"},
        {"sizeof(arr[0])", "2 : long long"}, {"sizeof(struct point)", "8 : long long"},
        {"sizeof(point_t *)", "4 : long long"}, {"sizeof(long long[3])", "24 : long long"},
        {"sizeof(1 + 2)", "8 : long long"}, {"1 << sizeof(int)", "16 : long long"},
        {"symbolat(0x1000)", "counter : string"}, {"symbolat(0x1012)", "arr+2 : string"},
        {"symbolat(&pt.y)", "pt+4 : string"}, {"symbolat(0x10)", "other : string"},
        {"symbolat(0x9000)", "error: no symbol at 0x9000"},
        {"addressof(\"main.c\", 12)", "512 : unsigned int"},
        {"addressof(\"main.c\", 13)", "error: no code at main.c:13"},
    });
}

TEST_F(LittleTargetTest, RegistersAndTheirFields)
{
    expectAll({
        {"@pc", "256 : unsigned int"}, {"@ctrl", "33 : unsigned int"},
        {"@ctrl.en", "1 : unsigned int"}, {"@ctrl.mode", "0 : unsigned int"},
        {"@ctrl.mode = 7", "7 : unsigned int"}, {"@ctrl", "47 : unsigned int"},
        {"@pc += 4", "260 : unsigned int"}, {"@pc", "260 : unsigned int"},
        {"@ctrl.nope", "error: nope is not a field of register 4 { en 0 1; mode 1 3; }"},
        {"@r0", "error: unknown register"}, {"&@pc", "error: cannot take address of a register"},
        {"((register 1 { lo 0 4; hi 4 4; })0x5A).hi", "5 : unsigned char"},
    });
}

TEST_F(LittleTargetTest, AssignmentsWriteTargetMemoryLittleEndian)
{
    expectAll({
        {"counter + (counter = 5)", "47 : int"},   // left operand first, as everywhere
        {"counter = 0x12345678", "305419896 : int"}, {"arr[1] = -2", "-2 : short"},
        {"*p += 1", "305419897 : int"}, {"ratio = 2", "2 : float"},
        {"counter = 3.9", "3 : int"}, {"counter++", "4 : int"},
        {"--counter", "3 : int"}, {"other = 0xBEEF", "48879 : unsigned short"},
        {"(a = 1)", "error: a symbol not found"},
    });
    EXPECT_EQ(bytesAt(0, 0x1000, 4), "03 00 00 00");
    EXPECT_EQ(bytesAt(0, 0x1012, 2), "fe ff");
    EXPECT_EQ(bytesAt(0, 0x1004, 4), "00 00 00 40");
    EXPECT_EQ(bytesAt(1, 0x10, 2), "ef be");
}

TEST_F(LittleTargetTest, BitFieldWritesKeepTheOtherBits)
{
    // flags are bits 0-2, mode bits 3-4 of the byte at 0x1036 (0x1d); s is the low
    // nibble of the next byte.
    expectAll({
        {"pt.flags = 2", "2 : unsigned char"}, {"pt.mode", "3 : unsigned char"},
        {"pt.flags = 15", "7 : unsigned char"}, {"pt.mode = 0", "0 : unsigned char"},
        {"pt.s = -3", "-3 : char"},
        {"pt", "{x = 3, y = -4, flags = 7, mode = 0, s = -3} : string"},
    });
    EXPECT_EQ(bytesAt(0, 0x1036, 2), "07 0d");
}

TEST_F(SimulatedDebuggerTest, BigEndianTargetsReadAndWriteMostSignificantFirst)
{
    load(R"(
byteorder big
memory 0x0 0xff
struct bits { unsigned char a : 3; unsigned char b : 5; }
variable w 0x0 unsigned int
variable h 0x4 short
variable f 0x8 struct bits
bytes 0x0 12 34 56 78 ff fe
bytes 0x8 a5
register r 0x11223344
)");
    expectAll({
        {"w", "305419896 : unsigned int"}, {"h", "-2 : short"},
        {"f.a", "5 : unsigned char"}, {"f.b", "5 : unsigned char"},
        {"w = 0xA1B2C3D4", "2712847316 : unsigned int"}, {"f.a = 2", "2 : unsigned char"},
        {"@r", "287454020 : unsigned int"},
    });
    EXPECT_EQ(bytesAt(0, 0, 4), "a1 b2 c3 d4");
    EXPECT_EQ(bytesAt(0, 8, 1), "45");
}

TEST_F(LittleTargetTest, FailuresNameTheCulprit)
{
    expectAll({
        {"ro = 1", "error: cannot write memory at 0x8000"},
        {"*(int *)0x5000", "error: cannot read memory at 0x5000"},
        {"*(int *)0x5000 = 1", "error: cannot write memory at 0x5000"},
        {"pt.z", "error: z is not a member of struct point"},
        {"counter.x", "error: bad expression type"}, {"*counter", "error: cannot dereference"},
        {"counter = \"a\"", "error: cannot convert string to int"},
        {"arr = 1", "error: cannot assign to short [4]"},
        {"&pt.flags", "error: cannot take address of a bit-field"},
        {"&(int)1", "error: cannot take address of a constant"},
        {"(int *)1.5", "error: cannot cast"}, {"(struct point)1", "error: cannot cast"},
        {"arr[3:1]", "error: bad slice bounds"},
        {"name + 1", "error: unsupported binary numeric operation"},
        {"(int)name", "error: cannot cast"}, {"this", "error: this symbol not found"},
        {"f(1)", "error: function calling not implemented"},
        {"(int)counter = 1", "error: can't update a constant"},
    });
}

// - negates integers within their kind and size and ~ complements them; ! takes the
// booleans that comparisons give. Nothing else has a unary operator.
TEST_F(LittleTargetTest, UnaryOperatorsKeepKindAndSize)
{
    expectAll({
        {"-(unsigned char)1", "255 : unsigned char"}, {"-(short)-32768", "-32768 : short"},
        {"-wide", "1 : unsigned long long"}, {"-arr[3]", "1 : short"},
        {"~(unsigned short)1", "65534 : unsigned short"}, {"~b", "127 : byte"},
        {"!(counter == 42)", "false : boolean"},
        {"-ratio", "error: unsupported unary num operation"},
        {"!counter", "error: unsupported unary num operation"},
        {"~name", "error: unsupported unary num operation"},
    });
}

TEST_F(LittleTargetTest, CastsConvertNumerically)
{
    expectAll({
        {"(char)300", "44 : char"}, {"(unsigned char)-1", "255 : unsigned char"},
        {"(short)counter", "42 : short"}, {"(unsigned)-1", "4294967295 : unsigned int"},
        {"(long long)-1", "-1 : long long"}, {"(float)0.1", "0.10000000149011612 : float"},
        {"(double)counter / 4", "10.5 : double"}, {"(int)2.9", "2 : int"},
        {"(int)(0 - 2.9)", "-2 : int"}, {"(byte)255", "-1 : byte"},
        {"(short)0x18000", "-32768 : short"},
        {"(unsigned long long)1e300", "unexpected text e300"},
    });
}

TEST(SimulatedDebuggerDescriptionTest, ErrorsNameFileAndLine)
{
    const struct { const char *text; const char *message; } cases[] = {
        {"frobnicate 1", "t.txt:1: unknown directive 'frobnicate'"},
        {"\n\nmemory 0x0 zz", "t.txt:3: bad number 'zz'"},
        {"memory 0x0 0xffffffff", "t.txt:1: memory range too large"},
        {"memory 9:0x0 0xff", "t.txt:1: bad memory space '9'"},
        {"memory 0x0 0xff sometimes", "t.txt:1: unknown access 'sometimes'"},
        {"memory 0x0 0xf\nbytes 0xe 1 2 3", "t.txt:2: bytes at 0xe lie outside the memory ranges"},
        {"memory 0x0 0xf\nbytes 0x0 100", "t.txt:2: bad byte '100'"},
        {"memory 0x0 0xf\ntext 0x0 abc", "t.txt:2: quoted text expected"},
        {"byteorder middle", "t.txt:1: byte order must be little or big"},
        {"variable x 0x0", "t.txt:1: type expected"},
        {"variable x 0x0 struct nothere", "t.txt:1: struct type not found"},
        {"variable x 0x0 int junk", "t.txt:1: unexpected token TOKEN_IDENT"},
        {"struct { int a; }", "t.txt:1: struct declaration expected"},
        {"struct s { int a }", "t.txt:1: ';' expected"},
        {"register r 1 int[2]", "t.txt:1: a register holds an integer, a floating value or a "
                                "pointer"},
        {"set 1 +", "t.txt:1: unexpected token TOKEN_EOL"},
        {"set x = 1", "t.txt:1: x symbol not found"}, {"set 1 2", "t.txt:1: unexpected text '2'"},
        {"load nothing.xyz", "t.txt:1: unknown load-file format of nothing.xyz"},
        {"byteorder big\nbyteorder big\n\tfoo", "t.txt:3: unknown directive 'foo'"},
        {"memory 0x0 0xf\ntext 0xf \"a\"", "t.txt:2: text at 0xf lies outside the memory ranges"},
        {"line main.c x 0x0", "t.txt:1: bad number 'x'"}, {"typedef t", "t.txt:1: type expected"},
        {"set", "t.txt:1: expression expected"}, {"load", "t.txt:1: load file expected"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.text);
        SimulatedDebugExpressionParser debugger;
        try {
            debugger.loadDescriptionText(QString::fromUtf8(c.text), "t.txt", QString());
            ADD_FAILURE() << "no error";
        } catch (const HException &e) {
            EXPECT_EQ(e.message(), QString::fromUtf8(c.message));
        }
    }
}

class SimulatedDebuggerLoadTest : public TempDirTest
{
};

TEST_F(SimulatedDebuggerLoadTest, LoadFilesFillTheMemory)
{
    write("image.bin", QByteArray::fromHex("78563412"));
    write("code.hex", ":0400100001020304E2\n:00000001FF\n");
    write("t.txt", "memory 0x0 0xff\nmemory 2:0x100 0x1ff\n"
                   "load image.bin 2:0x104\nload code.hex\n"
                   "variable a 2:0x104 unsigned int\nvariable c 0x10 unsigned char[4]\n");
    SimulatedDebugExpressionParser debugger;
    debugger.loadDescription(path("t.txt"));
    ExpressionPtr a = debugger.parseExpression("a");
    EXPECT_EQ(a->evaluate().resolved().toText(), "305419896");
    ExpressionPtr c = debugger.parseExpression("c");
    EXPECT_EQ(c->evaluate().resolved().toText(), "{1, 2, 3, 4}");
}

TEST_F(SimulatedDebuggerLoadTest, LoadFileOutsideTheRangesFails)
{
    write("image.bin", QByteArray(32, 'x'));
    write("t.txt", "memory 0x0 0xf\nload image.bin\n");
    SimulatedDebugExpressionParser debugger;
    try {
        debugger.loadDescription(path("t.txt"));
        ADD_FAILURE() << "no error";
    } catch (const HException &e) {
        EXPECT_EQ(e.message(), path("t.txt") + ":2: image.bin: data at 0x0 lie outside the "
                                               "memory ranges");
    }
}

TEST(SimulatedDebuggerDescriptionTest, MissingFileIsReported)
{
    SimulatedDebugExpressionParser debugger;
    EXPECT_THROW(debugger.loadDescription("/nonexistent/target.txt"), HException);
}
