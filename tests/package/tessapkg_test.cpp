#include "packagetestsupport.h"

#include <QFileInfo>

namespace {

// One command line and what it must print and return, after other commands that must
// succeed.
struct Run
{
    const char *name;
    QList<QStringList> before;
    QStringList command;
    int status;
    QByteArray out;
    QByteArray error = QByteArray();  // the message after "tessapkg: error: ", if any
};

// tree/a.txt (0644), tree/sub/b.bin (0755), tree/sub/link -> ../a.txt and
// tree/sub/up -> .., all at fixedTime; other.pkg holds tree/a.txt with a second line,
// which wrapped.bin holds 10 bytes into the file; garbage is no archive.
class TessapkgTest : public PackageTableTest<Run>
{
protected:
    void SetUp() override
    {
        put("tree/a.txt", "alpha\n");
        put("tree/sub/b.bin", QByteArray("\x01\x02\x00\x03", 4), 0755);
        putLink("tree/sub/link", "../a.txt");
        putLink("tree/sub/up", "..");
        const QByteArray other = version2Archive({{"tree/a.txt", 0100644, "alpha\nbeta\n"}});
        write("other.pkg", other);
        write("wrapped.bin", "0123456789" + other);
        write("garbage", "not an archive at all");
    }

    ToolResult tessapkg(const QStringList &arguments)
    {
        return runTool("tessapkg", arguments, dir());
    }
    // Runs a command that must succeed and returns its standard output.
    QByteArray succeed(const QStringList &arguments)
    {
        const ToolResult result = tessapkg(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err.constData();
        EXPECT_EQ(result.err, QByteArray());
        return result.out;
    }
};

TEST_P(TessapkgTest, PrintsAndExitsAsExpected)
{
    for (const QStringList &command : GetParam().before)
        succeed(command);
    const ToolResult result = tessapkg(GetParam().command);
    EXPECT_EQ(result.exitCode, GetParam().status);
    EXPECT_EQ(result.out, GetParam().out);
    const QByteArray error = GetParam().error;
    EXPECT_EQ(result.err, error.isEmpty() ? error : "tessapkg: error: " + error + "\n");
}

const QStringList listT = {"list", "t.pkg"};

const Run runs[] = {
    // Directories are walked in name order, never into one already being walked.
    {"CreateKeepingLinks", {{"create", "t.pkg", "./tree/", "-nofollow"}}, listT, 0,
     "100644          6 2021-03-04 05:06:07 tree/a.txt\n"
     "100755          4 2021-03-04 05:06:07 tree/sub/b.bin\n"
     "120777          8 2021-03-04 05:06:07 tree/sub/link -> ../a.txt\n"
     "120777          2 2021-03-04 05:06:07 tree/sub/up -> ..\n"},
    {"CreateFollowingLinksByDefault", {{"create", "t.pkg", "tree/sub", "tree/a.txt"}}, listT, 0,
     "100755          4 2021-03-04 05:06:07 tree/sub/b.bin\n"
     "100644          6 2021-03-04 05:06:07 tree/sub/link\n"
     "100644          6 2021-03-04 05:06:07 tree/sub/up/a.txt\n"
     "100644          6 2021-03-04 05:06:07 tree/a.txt\n"},
    // The second create finds the archive of the first inside the tree and leaves it out.
    // Version 1 is always zlib, so bzip2's lack of a level 0 does not matter.
    {"CreateVersion1InsideTheTree",
     {{"create", "tree/t.pkg", "tree/a.txt"},
      {"create", "tree/t.pkg", "tree", "-version", "1", "-bzip2", "-level", "0"}},
     {"list", "tree/t.pkg"}, 0,
     "000666          6 2021-03-04 05:06:07 tree/a.txt\n"
     "000666          4 2021-03-04 05:06:07 tree/sub/b.bin\n"
     "000666          6 2021-03-04 05:06:07 tree/sub/link\n"},
    // Offsets are decimal or hexadecimal, never octal.
    {"ListAtAnOffset", {}, {"list", "wrapped.bin", "-offset", "010"}, 0,
     "100644         11 2021-03-04 05:06:07 tree/a.txt\n"},
    {"ExtractAtAnOffset", {{"extract", "wrapped.bin", "o", "-offset", "0xa"}},
     {"extract", "wrapped.bin", "o", "-offset", "0xa"}, 1, "",
     "cannot overwrite file o/tree/a.txt"},
    {"CompareEqual", {{"create", "a.pkg", "tree/a.txt"}, {"create", "b.pkg", "tree/a.txt"}},
     {"compare", "a.pkg", "b.pkg", "-times", "-modes"}, 0, ""},
    {"CompareText", {{"create", "a.pkg", "tree/a.txt"}},
     {"compare", "a.pkg", "other.pkg", "-text"}, 1, "tree/a.txt differs\n1a2\n> beta\n"},
    {"ProbeYes", {}, {"probe", "other.pkg"}, 0, "yes\n"},
    {"ProbeNo", {}, {"probe", "garbage"}, 1, "no\n"},
    {"UnknownCommand", {}, {"pack", "x"}, 1, "",
     "unknown command 'pack' (use list, create, extract, compare or probe)"},
    {"MissingArchive", {}, {"list", "none.pkg"}, 1, "",
     "cannot open 'none.pkg': No such file or directory"},
    {"NotAnArchive", {}, {"list", "garbage"}, 1, "",
     "cannot read 'garbage': unsupported package file format"},
    {"MissingArguments", {}, {"create", "x.pkg"}, 1, "", "missing arguments for create"},
    {"TooManyArguments", {}, {"list", "a", "b"}, 1, "", "too many arguments for list"},
    {"OptionOfAnotherCommand", {}, {"list", "a", "-bzip2"}, 1, "",
     "option -bzip2 does not apply to list"},
    {"BadVersion", {}, {"create", "x.pkg", "tree", "-version", "3"}, 1, "",
     "invalid version '3': not within 1 to 2"},
    {"BadLevel", {}, {"create", "x.pkg", "tree", "-level", "high"}, 1, "",
     "invalid level 'high': not a number"},
    {"Bzip2LevelZero", {}, {"create", "x.pkg", "tree", "-bzip2", "-level", "0"}, 1, "",
     "level 0 is not available with -bzip2"},
    {"BadOffset", {}, {"list", "garbage", "-offset", "-4"}, 1, "",
     "invalid offset '-4': not a number"},
    {"MissingInput", {}, {"create", "x.pkg", "nowhere"}, 1, "", "cannot read nowhere"},
    {"ParentPath", {}, {"create", "x.pkg", "../x"}, 1, "", "unsafe entry name ../x"},
    {"NoEntryMatches", {}, {"extract", "wrapped.bin", "out", "-offset", "10", "x*"}, 1, "",
     "no entry matches 'x*'"},
};
INSTANTIATE_TEST_SUITE_P(All, TessapkgTest, testing::ValuesIn(runs), rowName<Run>);

TEST_F(TessapkgTest, ExtractAllOrByPatternAndOverwrite)
{
    succeed({"create", "t.pkg", "tree", "-nofollow"});
    EXPECT_EQ(succeed({"extract", "t.pkg", "all/new"}), QByteArray());
    EXPECT_EQ(read("all/new/tree/sub/b.bin"), read("tree/sub/b.bin"));
    EXPECT_EQ(QFile::symLinkTarget(path("all/new/tree/sub/link")), path("all/new/tree/a.txt"));

    succeed({"extract", "t.pkg", "out", "*.bin", "tree/?.txt"});
    EXPECT_TRUE(QFile::exists(path("out/tree/a.txt")));
    EXPECT_TRUE(QFile::exists(path("out/tree/sub/b.bin")));
    EXPECT_FALSE(QFileInfo::exists(path("out/tree/sub/link")));
    write("out/tree/a.txt", "changed");
    EXPECT_EQ(tessapkg({"extract", "t.pkg", "out", "tree/a.txt"}).exitCode, 1);
    EXPECT_EQ(read("out/tree/a.txt"), QByteArray("changed"));
    succeed({"extract", "t.pkg", "out", "-overwrite", "tree/a.txt"});
    EXPECT_EQ(read("out/tree/a.txt"), QByteArray("alpha\n"));
}

TEST_F(TessapkgTest, CreateWritesTheContainerAskedForAndKeepsWhatWasThereOnFailure)
{
    succeed({"create", "old.pkg", "tree/a.txt"});
    succeed({"create", "bz.pkg", "tree/a.txt", "-bzip2", "-level", "3"});
    // Version 2 and level 7 by default; zlib's second header byte 0xda gives levels 7 to 9.
    EXPECT_TRUE(read("old.pkg").startsWith(formA(0, 2, "\x78\xda")));
    EXPECT_TRUE(read("bz.pkg").startsWith(formA(1, 2, "BZh3")));
    // Leading slashes are dropped from names.
    succeed({"create", "abs.pkg", path("tree/a.txt")});
    const QByteArray name = dir().mid(1).toUtf8() + "/tree/a.txt\n";
    EXPECT_TRUE(succeed({"list", "abs.pkg"}).endsWith(" " + name));

    const QByteArray old = read("old.pkg");
    EXPECT_EQ(tessapkg({"create", "old.pkg", "tree/a.txt", "nowhere"}).exitCode, 1);
    EXPECT_EQ(read("old.pkg"), old);
    fullDeviceLink(dir(), "full.pkg");
    const ToolResult full = tessapkg({"create", "full.pkg", "tree/a.txt"});
    EXPECT_EQ(full.err, "tessapkg: error: cannot write 'full.pkg': error writing to "
                        "compressed stream\n");
    EXPECT_TRUE(QFileInfo(path("full.pkg")).isSymLink());
}

} // namespace
