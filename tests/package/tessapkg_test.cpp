#include "packagetestsupport.h"

#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

class TessapkgTest : public TempDirTest
{
protected:
    // tree/a.txt (0644), tree/sub/b.bin (0755), tree/sub/link -> ../a.txt, all at fixedTime.
    void SetUp() override
    {
        write("tree/a.txt", "alpha\n");
        write("tree/sub/b.bin", QByteArray("\x01\x02\x00\x03", 4));
        chmod(QFile::encodeName(path("tree/a.txt")).constData(), 0644);
        chmod(QFile::encodeName(path("tree/sub/b.bin")).constData(), 0755);
        ASSERT_EQ(symlink("../a.txt", QFile::encodeName(path("tree/sub/link")).constData()), 0);
        for (const char *name : {"tree/a.txt", "tree/sub/b.bin", "tree/sub/link"})
            setFileTime(path(name), fixedTime);
    }

    ToolResult tessapkg(const QStringList &arguments)
    {
        return runTool("tessapkg", arguments, dir());
    }
};

TEST_F(TessapkgTest, CreateAndListKeepingLinks)
{
    ToolResult created = tessapkg({"create", "t.pkg", "./tree/", "-nofollow"});
    ASSERT_EQ(created.exitCode, 0) << created.err.constData();
    EXPECT_EQ(created.out, QByteArray());
    const ToolResult listed = tessapkg({"list", "t.pkg"});
    EXPECT_EQ(listed.exitCode, 0);
    EXPECT_EQ(listed.out, QByteArray("100644          6 2021-03-04 05:06:07 tree/a.txt\n"
                                     "100755          4 2021-03-04 05:06:07 tree/sub/b.bin\n"
                                     "120777          8 2021-03-04 05:06:07 tree/sub/link"
                                     " -> ../a.txt\n"));
}

TEST_F(TessapkgTest, CreateFollowsLinksByDefault)
{
    ASSERT_EQ(tessapkg({"create", "t.pkg", "tree/sub", "tree/a.txt"}).exitCode, 0);
    EXPECT_EQ(tessapkg({"list", "t.pkg"}).out,
              QByteArray("100755          4 2021-03-04 05:06:07 tree/sub/b.bin\n"
                         "100644          6 2021-03-04 05:06:07 tree/sub/link\n"
                         "100644          6 2021-03-04 05:06:07 tree/a.txt\n"));
}

TEST_F(TessapkgTest, CreateVersion1WithBzip2StillWritesZlib)
{
    ASSERT_EQ(tessapkg({"create", "t.pkg", "tree", "-version", "1", "-bzip2"}).exitCode, 0);
    EXPECT_EQ(read("t.pkg").left(4), QByteArray("\x7A\xF4\x31\xB2"));
    EXPECT_EQ(tessapkg({"list", "t.pkg"}).out,
              QByteArray("000666          6 2021-03-04 05:06:07 tree/a.txt\n"
                         "000666          4 2021-03-04 05:06:07 tree/sub/b.bin\n"
                         "000666          6 2021-03-04 05:06:07 tree/sub/link\n"));
}

TEST_F(TessapkgTest, CreateWithBzip2AndLevel)
{
    ASSERT_EQ(tessapkg({"create", "t.pkg", "tree", "-bzip2", "-level", "3"}).exitCode, 0);
    EXPECT_EQ(read("t.pkg").mid(4, 8), QByteArray("\x02\x10\x00\x00" "BZh3", 8));
}

TEST_F(TessapkgTest, ExtractAllRestoresFilesLinksTimesAndModes)
{
    ASSERT_EQ(tessapkg({"create", "t.pkg", "tree", "-nofollow"}).exitCode, 0);
    const ToolResult extracted = tessapkg({"extract", "t.pkg", "out/new"});
    ASSERT_EQ(extracted.exitCode, 0) << extracted.err.constData();
    EXPECT_EQ(read("out/new/tree/a.txt"), QByteArray("alpha\n"));
    EXPECT_EQ(read("out/new/tree/sub/b.bin"), read("tree/sub/b.bin"));
    EXPECT_EQ(fileMode(path("out/new/tree/sub/b.bin")), 0100755u);
    EXPECT_EQ(fileTime(path("out/new/tree/a.txt")), fixedTime);
    EXPECT_EQ(QFile::symLinkTarget(path("out/new/tree/sub/link")), path("out/new/tree/a.txt"));
}

TEST_F(TessapkgTest, ExtractByPatternAndOverwrite)
{
    ASSERT_EQ(tessapkg({"create", "t.pkg", "tree"}).exitCode, 0);
    ASSERT_EQ(tessapkg({"extract", "t.pkg", "out", "*.bin", "tree/?.txt"}).exitCode, 0);
    EXPECT_TRUE(QFile::exists(path("out/tree/a.txt")));
    EXPECT_TRUE(QFile::exists(path("out/tree/sub/b.bin")));
    EXPECT_FALSE(QFile::exists(path("out/tree/sub/link")));

    write("out/tree/a.txt", "changed");
    const ToolResult refused = tessapkg({"extract", "t.pkg", "out", "tree/a.txt"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_EQ(refused.err, "tessapkg: error: cannot overwrite file out/tree/a.txt\n");
    EXPECT_EQ(read("out/tree/a.txt"), QByteArray("changed"));
    EXPECT_EQ(tessapkg({"extract", "t.pkg", "out", "-overwrite", "tree/a.txt"}).exitCode, 0);
    EXPECT_EQ(read("out/tree/a.txt"), QByteArray("alpha\n"));

    const ToolResult unmatched = tessapkg({"extract", "t.pkg", "out", "nothing*"});
    EXPECT_EQ(unmatched.exitCode, 1);
    EXPECT_EQ(unmatched.err, "tessapkg: error: no entry matches nothing*\n");
}

TEST_F(TessapkgTest, ListAndExtractAtAnOffset)
{
    ASSERT_EQ(tessapkg({"create", "t.pkg", "tree/a.txt"}).exitCode, 0);
    write("wrapped.bin", "HEADER--" + read("t.pkg"));
    EXPECT_EQ(tessapkg({"list", "wrapped.bin", "-offset", "8"}).out,
              QByteArray("100644          6 2021-03-04 05:06:07 tree/a.txt\n"));
    ASSERT_EQ(tessapkg({"extract", "wrapped.bin", "o", "-offset", "0x8"}).exitCode, 0);
    EXPECT_EQ(read("o/tree/a.txt"), QByteArray("alpha\n"));
    write("ten.bin", "0123456789" + read("t.pkg"));
    EXPECT_EQ(tessapkg({"list", "ten.bin", "-offset", "010"}).exitCode, 0);  // not octal
    EXPECT_EQ(tessapkg({"list", "wrapped.bin"}).err,
              "tessapkg: error: unsupported package file format\n");
}

TEST_F(TessapkgTest, CompareExitStatusAndText)
{
    ASSERT_EQ(tessapkg({"create", "a.pkg", "tree/a.txt"}).exitCode, 0);
    ASSERT_EQ(tessapkg({"create", "same.pkg", "tree/a.txt"}).exitCode, 0);
    write("tree/a.txt", "alpha\nbeta\n");
    ASSERT_EQ(tessapkg({"create", "b.pkg", "tree/a.txt"}).exitCode, 0);
    const ToolResult same = tessapkg({"compare", "a.pkg", "same.pkg", "-times", "-modes"});
    EXPECT_EQ(same.exitCode, 0);
    EXPECT_EQ(same.out, QByteArray());
    const ToolResult different = tessapkg({"compare", "a.pkg", "b.pkg", "-text"});
    EXPECT_EQ(different.exitCode, 1);
    EXPECT_EQ(different.out, QByteArray("tree/a.txt differs\n1a2\n> beta\n"));
}

TEST_F(TessapkgTest, ProbeAnswersYesOrNo)
{
    ASSERT_EQ(tessapkg({"create", "a.pkg", "tree"}).exitCode, 0);
    const ToolResult yes = tessapkg({"probe", "a.pkg"});
    EXPECT_EQ(yes.exitCode, 0);
    EXPECT_EQ(yes.out, QByteArray("yes\n"));
    const ToolResult no = tessapkg({"probe", "tree/a.txt"});
    EXPECT_EQ(no.exitCode, 1);
    EXPECT_EQ(no.out, QByteArray("no\n"));
}

TEST_F(TessapkgTest, HelpShowsTheBannerAndUsage)
{
    const ToolResult help = tessapkg({"-help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.err.startsWith(
        "Tessarune for ARM tessapkg - Release 5.4.0.2026012200.60945\n"));
    EXPECT_TRUE(help.err.contains("tessapkg COMMAND"));
    EXPECT_EQ(help.out, QByteArray());
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
    const ToolResult result = tessapkg(GetParam().arguments);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, "tessapkg: error: " + QByteArray(GetParam().message) + "\n");
    EXPECT_EQ(result.out, QByteArray());
}

INSTANTIATE_TEST_SUITE_P(
    Messages, TessapkgError,
    testing::Values(
        ToolError{"NoCommand", {}, "no command given (tessapkg -help shows the usage)"},
        ToolError{"UnknownCommand", {"pack", "x"}, "unknown command pack"},
        ToolError{"UnknownOption", {"list", "x", "-fast"}, "unrecognised option -fast"},
        ToolError{"MissingArchive", {"list", "none.pkg"}, "none.pkg does not exist"},
        ToolError{"NotAnArchive", {"list", "garbage"}, "unsupported package file format"},
        ToolError{"MissingArguments", {"create", "x.pkg"}, "missing arguments for create"},
        ToolError{"TooManyArguments", {"list", "a", "b"}, "too many arguments for list"},
        ToolError{"OptionOfAnotherCommand", {"list", "a", "-bzip2"},
                  "option -bzip2 does not apply to list"},
        ToolError{"BadVersion", {"create", "x.pkg", "tree", "-version", "3"}, "invalid version 3"},
        ToolError{"BadLevel", {"create", "x.pkg", "tree", "-level", "high"}, "invalid level high"},
        ToolError{"Bzip2LevelZero", {"create", "x.pkg", "tree", "-bzip2", "-level", "0"},
                  "level 0 is not available with -bzip2"},
        ToolError{"BadOffset", {"list", "garbage", "-offset", "-4"}, "invalid offset -4"},
        ToolError{"MissingInput", {"create", "x.pkg", "nowhere"}, "cannot read nowhere"},
        ToolError{"ParentPath", {"create", "x.pkg", "../x"}, "unsafe entry name ../x"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace

namespace {

TEST_F(TessapkgTest, CreateLeavesOutTheArchiveItself)
{
    ASSERT_EQ(tessapkg({"create", "tree/t.pkg", "tree/a.txt"}).exitCode, 0);
    const ToolResult again = tessapkg({"create", "tree/t.pkg", "tree"});
    ASSERT_EQ(again.exitCode, 0) << again.err.constData();
    EXPECT_FALSE(tessapkg({"list", "tree/t.pkg"}).out.contains("t.pkg"));
}

TEST_F(TessapkgTest, CreateWalksLinkedDirectoriesOnceWhenFollowing)
{
    ASSERT_EQ(symlink("..", QFile::encodeName(path("tree/sub/up")).constData()), 0);
    const ToolResult created = tessapkg({"create", "t.pkg", "tree"});
    ASSERT_EQ(created.exitCode, 0) << created.err.constData();
    EXPECT_EQ(tessapkg({"list", "t.pkg"}).out.count('\n'), 3);
    ASSERT_EQ(tessapkg({"create", "n.pkg", "tree", "-nofollow"}).exitCode, 0);
    EXPECT_TRUE(tessapkg({"list", "n.pkg"}).out.contains("tree/sub/up -> ..\n"));
}

} // namespace
