#include "packagetestsupport.h"

#include <QFileInfo>

#include <unistd.h>

namespace {

class TessapkgTest : public PackageTest
{
protected:
    // tree/a.txt (0644), tree/sub/b.bin (0755), tree/sub/link -> ../a.txt, all at fixedTime.
    void SetUp() override
    {
        put("tree/a.txt", "alpha\n");
        put("tree/sub/b.bin", QByteArray("\x01\x02\x00\x03", 4), 0755);
        putLink("tree/sub/link", "../a.txt");
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

struct CreateCase
{
    const char *name;
    QStringList arguments;  // after "create t.pkg"
    QByteArray start;       // the first bytes of the archive, up to the first NUL
    const char *listing;
};

class TessapkgCreate : public TessapkgTest, public testing::WithParamInterface<CreateCase>
{
};

TEST_P(TessapkgCreate, WritesTheFormAndListsTheEntries)
{
    EXPECT_EQ(succeed(QStringList{"create", "t.pkg"} + GetParam().arguments), QByteArray());
    EXPECT_TRUE(read("t.pkg").startsWith(GetParam().start));
    EXPECT_EQ(succeed({"list", "t.pkg"}), QByteArray(GetParam().listing));
}

INSTANTIATE_TEST_SUITE_P(
    Forms, TessapkgCreate,
    testing::Values(
        CreateCase{"KeepingLinks", {"./tree/", "-nofollow"}, "\xB1\xC6\xF5\x71\x02\x00",
                   "100644          6 2021-03-04 05:06:07 tree/a.txt\n"
                   "100755          4 2021-03-04 05:06:07 tree/sub/b.bin\n"
                   "120777          8 2021-03-04 05:06:07 tree/sub/link -> ../a.txt\n"},
        CreateCase{"FollowingLinksByDefault", {"tree/sub", "tree/a.txt"}, "\xB1\xC6\xF5\x71",
                   "100755          4 2021-03-04 05:06:07 tree/sub/b.bin\n"
                   "100644          6 2021-03-04 05:06:07 tree/sub/link\n"
                   "100644          6 2021-03-04 05:06:07 tree/a.txt\n"},
        CreateCase{"Version1IgnoresBzip2", {"tree", "-version", "1", "-bzip2"},
                   "\x7A\xF4\x31\xB2",
                   "000666          6 2021-03-04 05:06:07 tree/a.txt\n"
                   "000666          4 2021-03-04 05:06:07 tree/sub/b.bin\n"
                   "000666          6 2021-03-04 05:06:07 tree/sub/link\n"},
        CreateCase{"Bzip2AndLevel", {"tree/a.txt", "-bzip2", "-level", "3"},
                   QByteArray("\xB1\xC6\xF5\x71\x02\x10\x00\x00" "BZh3", 12),
                   "100644          6 2021-03-04 05:06:07 tree/a.txt\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(TessapkgTest, CreateWalksLinkedDirectoriesOnceAndLeavesOutTheArchiveItself)
{
    ASSERT_EQ(symlink("..", QFile::encodeName(path("tree/sub/up")).constData()), 0);
    succeed({"create", "tree/t.pkg", "tree/a.txt"});
    succeed({"create", "tree/t.pkg", "tree"});
    EXPECT_EQ(succeed({"list", "tree/t.pkg"}).count('\n'), 3);
    succeed({"create", "n.pkg", "tree", "-nofollow"});
    EXPECT_TRUE(succeed({"list", "n.pkg"}).contains("tree/sub/up -> ..\n"));
}

TEST_F(TessapkgTest, ExtractAllOrByPatternAndOverwrite)
{
    succeed({"create", "t.pkg", "tree", "-nofollow"});
    EXPECT_EQ(succeed({"extract", "t.pkg", "all/new"}), QByteArray());
    EXPECT_EQ(read("all/new/tree/a.txt"), QByteArray("alpha\n"));
    EXPECT_EQ(read("all/new/tree/sub/b.bin"), read("tree/sub/b.bin"));
    EXPECT_EQ(statusOf(path("all/new/tree/sub/b.bin")).st_mode, 0100755u);
    EXPECT_EQ(statusOf(path("all/new/tree/a.txt")).st_mtime, fixedTime);
    EXPECT_EQ(QFile::symLinkTarget(path("all/new/tree/sub/link")), path("all/new/tree/a.txt"));

    succeed({"extract", "t.pkg", "out", "*.bin", "tree/?.txt"});
    EXPECT_TRUE(QFile::exists(path("out/tree/a.txt")));
    EXPECT_TRUE(QFile::exists(path("out/tree/sub/b.bin")));
    EXPECT_FALSE(QFileInfo::exists(path("out/tree/sub/link")));
    write("out/tree/a.txt", "changed");
    const ToolResult refused = tessapkg({"extract", "t.pkg", "out", "tree/a.txt"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "tessapkg: error: cannot overwrite file out/tree/a.txt\n");
    EXPECT_EQ(read("out/tree/a.txt"), QByteArray("changed"));
    succeed({"extract", "t.pkg", "out", "-overwrite", "tree/a.txt"});
    EXPECT_EQ(read("out/tree/a.txt"), QByteArray("alpha\n"));
}

TEST_F(TessapkgTest, ListAndExtractAtAnOffset)
{
    succeed({"create", "t.pkg", "tree/a.txt"});
    write("wrapped.bin", "HEADER--" + read("t.pkg"));
    EXPECT_EQ(succeed({"list", "wrapped.bin", "-offset", "8"}),
              QByteArray("100644          6 2021-03-04 05:06:07 tree/a.txt\n"));
    succeed({"extract", "wrapped.bin", "o", "-offset", "0x8"});
    EXPECT_EQ(read("o/tree/a.txt"), QByteArray("alpha\n"));
    write("ten.bin", "0123456789" + read("t.pkg"));
    succeed({"list", "ten.bin", "-offset", "010"});  // not octal
}

TEST_F(TessapkgTest, CompareAndProbeAnswerThroughTheExitStatus)
{
    succeed({"create", "a.pkg", "tree/a.txt"});
    succeed({"create", "same.pkg", "tree/a.txt"});
    write("tree/a.txt", "alpha\nbeta\n");
    succeed({"create", "b.pkg", "tree/a.txt"});
    EXPECT_EQ(succeed({"compare", "a.pkg", "same.pkg", "-times", "-modes"}), QByteArray());
    EXPECT_EQ(succeed({"probe", "a.pkg"}), QByteArray("yes\n"));
    const ToolResult different = tessapkg({"compare", "a.pkg", "b.pkg", "-text"});
    EXPECT_EQ(different.exitCode, 1);
    EXPECT_EQ(different.out, QByteArray("tree/a.txt differs\n1a2\n> beta\n"));
    const ToolResult no = tessapkg({"probe", "tree/a.txt"});
    EXPECT_EQ(no.exitCode, 1);
    EXPECT_EQ(no.out, QByteArray("no\n"));
}

TEST_F(TessapkgTest, FailedCreateKeepsWhatWasThere)
{
    succeed({"create", "old.pkg", "tree/a.txt"});
    const QByteArray old = read("old.pkg");
    EXPECT_EQ(tessapkg({"create", "old.pkg", "tree/a.txt", "nowhere"}).exitCode, 1);
    EXPECT_EQ(read("old.pkg"), old);
    ASSERT_EQ(symlink("/dev/full", path("full.pkg").toLocal8Bit()), 0);
    const ToolResult full = tessapkg({"create", "full.pkg", "tree/a.txt"});
    EXPECT_EQ(full.err, "tessapkg: error: cannot write 'full.pkg': error writing to "
                        "compressed stream\n");
    EXPECT_TRUE(QFileInfo(path("full.pkg")).isSymLink());
}

struct ToolError
{
    const char *name;
    QStringList arguments;
    const char *message;
};

class TessapkgError : public TessapkgTest, public testing::WithParamInterface<ToolError>
{
};

TEST_P(TessapkgError, PrintsOneLineAndFails)
{
    write("garbage", "not an archive at all");
    write("wrapped.bin", "HEADER--" + version2Archive({}));
    const ToolResult result = tessapkg(GetParam().arguments);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tessapkg: error: " + QByteArray(GetParam().message) + "\n");
    EXPECT_EQ(result.out, QByteArray());
}

INSTANTIATE_TEST_SUITE_P(
    Messages, TessapkgError,
    testing::Values(
        ToolError{"UnknownCommand", {"pack", "x"},
                  "unknown command 'pack' (use list, create, extract, compare or probe)"},
        ToolError{"UnknownOption", {"list", "x", "-fast"}, "unrecognised option -fast"},
        ToolError{"MissingArchive", {"list", "none.pkg"},
                  "cannot open 'none.pkg': No such file or directory"},
        ToolError{"NotAnArchive", {"list", "garbage"},
                  "cannot read 'garbage': unsupported package file format"},
        ToolError{"WithoutItsOffset", {"list", "wrapped.bin"},
                  "cannot read 'wrapped.bin': unsupported package file format"},
        ToolError{"MissingArguments", {"create", "x.pkg"}, "missing arguments for create"},
        ToolError{"TooManyArguments", {"list", "a", "b"}, "too many arguments for list"},
        ToolError{"OptionOfAnotherCommand", {"list", "a", "-bzip2"},
                  "option -bzip2 does not apply to list"},
        ToolError{"BadVersion", {"create", "x.pkg", "tree", "-version", "3"}, "invalid version '3': not within 1 to 2"},
        ToolError{"BadLevel", {"create", "x.pkg", "tree", "-level", "high"}, "invalid level 'high': not a number"},
        ToolError{"Bzip2LevelZero", {"create", "x.pkg", "tree", "-bzip2", "-level", "0"},
                  "level 0 is not available with -bzip2"},
        ToolError{"BadOffset", {"list", "garbage", "-offset", "-4"}, "invalid offset '-4': not a number"},
        ToolError{"MissingInput", {"create", "x.pkg", "nowhere"}, "cannot read nowhere"},
        ToolError{"ParentPath", {"create", "x.pkg", "../x"}, "unsafe entry name ../x"},
        ToolError{"NoEntryMatches", {"extract", "wrapped.bin", "out", "-offset", "8", "x*"},
                  "no entry matches 'x*'"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
