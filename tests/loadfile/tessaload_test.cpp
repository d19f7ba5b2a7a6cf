#include "testsupport.h"

#include <gmock/gmock.h>

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace {

class TessaLoadTest : public TempDirTest
{
protected:
    // Runs a command that must fail and returns its one line of error output.
    QByteArray failure(const QStringList &arguments)
    {
        const ToolResult result = runTool("tessaload", arguments, dir());
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.out, "");
        return result.err;
    }
};

/// A command run on one input file, the first argument after the command, that succeeds
/// silently on stderr; `expected` is the standard output of info, the output file of
/// convert.
struct CommandCase
{
    const char *name;
    QByteArray contents;
    QStringList arguments;
    QByteArray expected;
};

class TessaLoadCommandTest : public TessaLoadTest, public testing::WithParamInterface<CommandCase>
{
};

TEST_P(TessaLoadCommandTest, GivesTheExpectedOutput)
{
    const QStringList &arguments = GetParam().arguments;
    write(arguments[1], GetParam().contents);
    const ToolResult result = runTool("tessaload", arguments, dir());
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, "");
    EXPECT_EQ(arguments[0] == "convert" ? read(arguments[2]) : result.out, GetParam().expected);
}

const QByteArray sortedS19 = "S1041010AA31\nS1041000BB30\nS9031234B6\n";
const QByteArray gapListing = "00000100 01 02\n00000104 05\n";
const QByteArray tiTxt = "@F000\n31 40 00 03\nq\n";

const CommandCase commandCases[] = {
    {"InfoListsSectionsAndStart", ":0100000055AA\n:0100200022BD\n:020000040800F2\n"
     ":02000000AABB99\n:0400000508000101ED\n:00000001FF\n", {"info", "a.hex"},
     "section 0x00000000 1\nsection 0x00000020 1\nsection 0x08000000 2\nstart 0x08000101\n"},
    {"InfoFormatOptionOverridesTheExtension", tiTxt, {"info", "a.dat", "-format", "tihex"},
     "section 0x0000F000 4\n"},
    {"InfoBinaryLoadAddress", QByteArray(10, 'x'), {"info", "a.bin", "-loadaddress", "0x2000"},
     "section 0x00002000 10\n"},
    {"ConvertSortsAndKeepsTheStartAddress", sortedS19, {"convert", "in.s19", "out.tek"},
     "%0C62D41000BB\n%0C62C41010AA\n%0A82041234\n"},
    {"ConvertWithStartAddress", sortedS19, {"convert", "in.s19", "out.tek", "-start", "0x10"},
     "%0C62D41000BB\n%0C62C41010AA\n%08813210\n"},
    {"ConvertByOutputFormatName", tiTxt, {"convert", "in.txt", "out.dat", "-outformat", "lst"},
     "0000F000 31 40 00 03\n"},
    {"ConvertToBinary", tiTxt, {"convert", "in.txt", "out.rom"}, QByteArray::fromHex("31400003")},
    {"ContiguousFillsGaps", gapListing, {"convert", "in.lst", "out.lst", "-contiguous"},
     "00000100 01 02 FF FF 05\n"},
    {"FillImpliesContiguous", gapListing, {"convert", "in.lst", "out.lst", "-fill", "a5"},
     "00000100 01 02 A5 A5 05\n"},
    // Without -contiguous a sparse image keeps its gaps, however far apart.
    {"SparseImageToRecords", "00000000 01\nF0000000 02\n", {"convert", "in.lst", "out.hex"},
     ":0100000001FE\n:02000004F0000A\n:0100000002FD\n:00000001FF\n"},
};

INSTANTIATE_TEST_SUITE_P(All, TessaLoadCommandTest, testing::ValuesIn(commandCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(TessaLoadTest, Errors)
{
    write("a.dat", "x");
    write("bad.hex", ":0100000055AB\n:00000001FF\n");
    write("a.hex", ":0100000055AA\n:00000001FF\n");
    write("far.lst", "00000000 01\nF0000000 02\n");
    write("top.bin", "abcd");
    const std::pair<QStringList, QByteArray> rows[] = {
        {{"info", "a.dat"}, "cannot tell the format of 'a.dat' from its name "
                             "(use -format bin, ihex, hex, tihex or srec)"},
        {{"info", "a.hex", "-format", "intel"},
         "unknown load file format 'intel' (use bin, ihex, hex, tihex or srec)"},
        {{"info", "bad.hex"}, "cannot read 'bad.hex': invalid checksum : line 1"},
        {{"info", "none.hex"}, "cannot open 'none.hex': No such file or directory"},
        {{"info", "-format", "bin", "."}, "'.' is a directory"},
        {{"convert", "a.hex", "out.xyz"},
         "cannot tell the output format of 'out.xyz' from its name "
         "(use -outformat hex, lst, srec, bin, txt or tek)"},
        {{"convert", "a.hex", "out.hex", "-outformat", "ihex"},
         "unknown output format 'ihex' (use hex, lst, srec, bin, txt or tek)"},
        {{"convert", "a.hex", "out.hex", "-start", "0x100000000"},
         "invalid address '0x100000000': not within 0 to 0xFFFFFFFF"},
        {{"convert", "a.hex", "out.hex", "-fill", "1FF"},
         "invalid fill byte '1FF': not within 0 to 0xFF"},
        {{"convert", "a.hex", "no/such/dir/out.hex"},
         "cannot create 'no/such/dir/out.hex': No such file or directory"},
        {{"convert", "a.hex"}, "convert needs an input and an output file"},
        {{"info"}, "info needs a file name"},
        {{"dump", "a.hex"}, "unknown command 'dump' (use info or convert)"},
        {{"convert", "far.lst", "out.bin"},
         "binary image 0x00000000..0xF0000000 would hold 4026531839 bytes of gaps, more than "
         "the limit of 268435456 bytes"},
        {{"convert", "top.bin", "out.hex", "-loadaddress", "0xFFFFFFFE"},
         "section at 0xFFFFFFFE of 4 bytes wraps around the 4 GiB address limit"},
    };
    for (const auto &[arguments, message] : rows) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        EXPECT_EQ(failure(arguments), "tessaload: error: " + message + "\n");
    }
    EXPECT_FALSE(QFile::exists(path("out.hex")));
    EXPECT_FALSE(QFile::exists(path("out.bin")));
}

TEST_F(TessaLoadTest, FailedWriteLeavesTheOldOutput)
{
    write("a.hex", ":0100000055AA\n:00000001FF\n");
    write("out.hex", "old\n");
    fullDeviceLink(dir(), "full.hex");
    EXPECT_EQ(failure({"convert", "a.hex", "full.hex"}),
              "tessaload: error: cannot write 'full.hex': No space left on device\n");
    EXPECT_TRUE(QFileInfo(path("full.hex")).isSymLink());
    EXPECT_EQ(failure({"convert", "none.hex", "out.hex"}),
              "tessaload: error: cannot open 'none.hex': No such file or directory\n");
    EXPECT_EQ(read("out.hex"), "old\n");
    // a.hex, out.hex and the link (and the device node made for it): nothing left over
    EXPECT_EQ(QDir(dir()).entryList(QDir::Files | QDir::Hidden | QDir::System).size(),
              geteuid() == 0 ? 4 : 3);
}

} // namespace
