#include "testsupport.h"

#include <gmock/gmock.h>

namespace {

class TessaLoadTest : public TempDirTest
{
protected:
    ToolResult tessaload(const QStringList &arguments)
    {
        return runTool("tessaload", arguments, dir());
    }
    // Runs a command that must fail and returns its one line of error output.
    QByteArray failure(const QStringList &arguments)
    {
        const ToolResult result = tessaload(arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "");
        return result.err;
    }
};

TEST_F(TessaLoadTest, InfoListsSectionsAndStart)
{
    write("a.hex", ":0100000055AA\n:0100200022BD\n:020000040800F2\n:02000000AABB99\n"
                   ":0400000508000101ED\n:00000001FF\n");
    const ToolResult result = tessaload({"info", "a.hex"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "section 0x00000000 1\n"
                          "section 0x00000020 1\n"
                          "section 0x08000000 2\n"
                          "start 0x08000101\n");
    EXPECT_EQ(result.err, "");
}

TEST_F(TessaLoadTest, InfoFormatOptionOverridesTheExtension)
{
    write("a.dat", "@F000\n31 40 00 03\nq\n");
    EXPECT_EQ(tessaload({"info", "-format", "tihex", "a.dat"}).out, "section 0x0000F000 4\n");
    write("image.bin", QByteArray(10, 'x'));
    EXPECT_EQ(tessaload({"info", "image.bin"}).out, "section 0x00000000 10\n");
    EXPECT_EQ(tessaload({"info", "image.bin", "-loadaddress", "0x2000"}).out,
              "section 0x00002000 10\n");
    EXPECT_EQ(tessaload({"info", "image.bin", "-loadaddress", "4096"}).out,
              "section 0x00001000 10\n");
}

TEST_F(TessaLoadTest, Errors)
{
    write("a.dat", "x");
    write("bad.hex", ":0100000055AB\n:00000001FF\n");
    write("a.hex", ":0100000055AA\n:00000001FF\n");
    EXPECT_EQ(failure({"info", "a.dat"}), "tessaload: error: unknown load file format\n");
    EXPECT_EQ(failure({"info", "a.hex", "-format", "intel"}),
              "tessaload: error: unknown load file format\n");
    EXPECT_EQ(failure({"info", "bad.hex"}), "tessaload: error: invalid checksum : line 1\n");
    EXPECT_EQ(failure({"info", "none.hex"}), "tessaload: error: cannot open none.hex\n");
    EXPECT_EQ(failure({"convert", "a.hex", "out.xyz"}),
              "tessaload: error: unknown output format\n");
    EXPECT_EQ(failure({"convert", "a.hex", "out.hex", "-outformat", "ihex"}),
              "tessaload: error: unknown output format\n");
    EXPECT_EQ(failure({"convert", "a.hex", "out.hex", "-start", "12x"}),
              "tessaload: error: invalid address '12x'\n");
    EXPECT_EQ(failure({"convert", "a.hex", "out.hex", "-start", "0x100000000"}),
              "tessaload: error: invalid address '0x100000000'\n");
    EXPECT_EQ(failure({"convert", "a.hex", "out.hex", "-fill", "XYZ"}),
              "tessaload: error: invalid fill byte 'XYZ'\n");
    EXPECT_EQ(failure({"convert", "a.hex", "no/such/dir/out.hex"}),
              "tessaload: error: cannot create no/such/dir/out.hex\n");
    EXPECT_EQ(failure({"convert", "a.hex"}),
              "tessaload: error: convert needs an input and an output file\n");
    EXPECT_EQ(failure({"info"}), "tessaload: error: missing file name\n");
    EXPECT_EQ(failure({"dump", "a.hex"}), "tessaload: error: unknown command 'dump'\n");
    EXPECT_EQ(failure({"info", "a.hex", "-frobnicate"}),
              "tessaload: error: unrecognised option -frobnicate\n");
    EXPECT_EQ(failure({"info", "a.hex", "-format"}),
              "tessaload: error: expected argument for option -format\n");
    EXPECT_FALSE(QFile::exists(path("out.hex")));
}

TEST_F(TessaLoadTest, HelpPrintsBannerAndUsage)
{
    const ToolResult result = tessaload({"-help"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, "");
    EXPECT_TRUE(result.err.startsWith("Tessarune for ARM tessaload - Release 5.4.0."));
    EXPECT_THAT(result.err.toStdString(), testing::HasSubstr("Usage: tessaload info FILE"));
    EXPECT_THAT(result.err.toStdString(), testing::HasSubstr("-outformat NAME"));
}

TEST_F(TessaLoadTest, ConvertSortsSectionsAndKeepsTheStartAddress)
{
    write("in.s19", "S1041010AA31\nS1041000BB30\nS9031234B6\n");
    ASSERT_EQ(tessaload({"convert", "in.s19", "out.hex"}).exitCode, 0);
    EXPECT_EQ(read("out.hex"), ":01100000BB34\n:01101000AA35\n:00000001FF\n");
    ASSERT_EQ(tessaload({"convert", "in.s19", "out.tek"}).exitCode, 0);
    EXPECT_EQ(read("out.tek"), "%0C62D41000BB\n%0C62C41010AA\n%0A82041234\n");
    ASSERT_EQ(tessaload({"convert", "in.s19", "out.tek", "-start", "0x10"}).exitCode, 0);
    EXPECT_EQ(read("out.tek").right(10), "%08813210\n");
}

TEST_F(TessaLoadTest, ConvertByOutputFormatName)
{
    write("in.txt", "@F000\n31 40 00 03\nq\n");
    ASSERT_EQ(tessaload({"convert", "in.txt", "out.dat", "-outformat", "lst"}).exitCode, 0);
    EXPECT_EQ(read("out.dat"), "0000F000 31 40 00 03\n");
    ASSERT_EQ(tessaload({"convert", "in.txt", "out.rom"}).exitCode, 0);
    EXPECT_EQ(read("out.rom"), QByteArray("\x31\x40\x00\x03", 4));
}

TEST_F(TessaLoadTest, ContiguousFillsGaps)
{
    write("in.lst", "00000100 01 02\n00000104 05\n");
    ASSERT_EQ(tessaload({"convert", "in.lst", "out.lst", "-contiguous"}).exitCode, 0);
    EXPECT_EQ(read("out.lst"), "00000100 01 02 FF FF 05\n");
    ASSERT_EQ(tessaload({"convert", "in.lst", "out.lst", "-fill", "a5"}).exitCode, 0);
    EXPECT_EQ(read("out.lst"), "00000100 01 02 A5 A5 05\n");
    // Without it, the gap is written as a gap.
    ASSERT_EQ(tessaload({"convert", "in.lst", "out.lst"}).exitCode, 0);
    EXPECT_EQ(read("out.lst"), "00000100 01 02\n00000104 05\n");
}

TEST_F(TessaLoadTest, HugeImagesFailClearly)
{
    write("far.lst", "00000000 01\nF0000000 02\n");
    EXPECT_EQ(failure({"convert", "far.lst", "out.hex", "-fill", "00"}),
              "tessaload: error: contiguous image 0x00000000..0xF0000000 of 4026531841 bytes "
              "exceeds the limit of 268435456 bytes\n");
    EXPECT_EQ(failure({"convert", "far.lst", "out.bin"}),
              "tessaload: error: binary image 0x00000000..0xF0000000 would hold 4026531839 "
              "bytes of gaps, more than the limit of 268435456 bytes\n");
    EXPECT_FALSE(QFile::exists(path("out.bin")));
    // The sparse image itself converts fine to a record format.
    ASSERT_EQ(tessaload({"convert", "far.lst", "out.hex"}).exitCode, 0);
    EXPECT_EQ(read("out.hex"), ":0100000001FE\n:02000004F0000A\n:0100000002FD\n:00000001FF\n");
    write("top.bin", "abcd");
    EXPECT_EQ(failure({"convert", "top.bin", "out.hex", "-loadaddress", "0xFFFFFFFE"}),
              "tessaload: error: section at 0xFFFFFFFE of 4 bytes wraps around the 4 GiB "
              "address limit\n");
}

} // namespace
