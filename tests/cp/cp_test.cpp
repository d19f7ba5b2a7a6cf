// End-to-end tests of the cp tool's command line, byte copies, links and wildcards.
#include "cptestsupport.h"

#include "cp/cpargparse.h"

#include <QDateTime>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace {

const QByteArray usage = CpArgParse::usageText();

TEST_F(CpTest, UsageForShortCommandLinesAndHelp)
{
    EXPECT_TRUE(usage.startsWith("Tessarune for ARM cp - Release 5.4.0.2026012200.60945\n"));
    EXPECT_TRUE(usage.endsWith(
        "\nUsage: cp [option] source... destination\n\n"
        "  -D macro=value         Define macro\n"
        "  -M macro=file          Define 'macro' as contents of 'file'\n"
        "  -help                  Print options help\n"
        "  -expandmacros          Copy file as text file and expand macros\n"
        "  -includes              Copy file as text file and process #include directives\n"
        "  -makedir               Create destination directory if it doesn't exist\n"
        "  -nofail                Don't exit with failure if an error occurs\n"
        "  -verbose               Produce verbose output\n\n"));
    write("a", "x");
    for (const QStringList &arguments : {QStringList(), QStringList{"a"},
                                         QStringList{"-verbose", "-nofail"},
                                         QStringList{"a", "b", "-help", "-bogus"}}) {
        SCOPED_TRACE(arguments.join(' ').toStdString());
        const ToolResult result = cp(arguments);
        EXPECT_EQ(result.exitCode, 0);
        EXPECT_EQ(result.err, usage);
        EXPECT_EQ(result.out, QByteArray());
    }
    EXPECT_FALSE(exists("b"));
}

TEST_F(CpTest, CommandLineErrorsExitOneWithoutCopying)
{
    write("a", "x");
    const std::pair<QStringList, QByteArray> rows[] = {
        {{"-x", "a", "b"}, "unrecognised option -x\n"},
        {{"-DA=1", "a", "b"}, "unrecognised option -DA=1\n"},  // -D takes the next argument
        {{"-nofail", "-verbosex", "a", "b"}, "unrecognised option -verbosex\n"},
        {{"a", "b", "-D"}, "expected argument for option -D\n"},
    };
    for (const auto &[arguments, message] : rows) {
        const ToolResult result = cp(arguments);
        EXPECT_EQ(result.exitCode, 1);
        EXPECT_EQ(result.err, errorPrefix() + message);
    }
    EXPECT_FALSE(exists("b"));
}

struct MacroFileCase
{
    const char *name;
    const char *argument;
    const char *error;
};

class CpMacroFileError : public CpTest, public testing::WithParamInterface<MacroFileCase> {};

TEST_P(CpMacroFileError, ExitsOneEvenWithNofail)
{
    write("a", "x");
    const ToolResult result = cp({"-nofail", "-M", GetParam().argument, "a", "b"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, QByteArray(GetParam().error));
    EXPECT_FALSE(exists("b"));
}

INSTANTIATE_TEST_SUITE_P(Table, CpMacroFileError, testing::Values(
    MacroFileCase{"NoEquals", "NAME", "cp failed: syntax error in argument to \"-M\"\n"},
    MacroFileCase{"ThreeParts", "A=b=c", "cp failed: syntax error in argument to \"-M\"\n"},
    MacroFileCase{"OnlyName", "A=", "cp failed: syntax error in argument to \"-M\"\n"},
    MacroFileCase{"MissingFile", "A=nothere", "cp failed: can't open \"nothere\"\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CpTest, MacroFromFileStopsAtNulAndDropsEmptyParts)
{
    write("value", QByteArray("v1\r\nv2\0ignored", 14));
    write("t", "[$(V)]\n");
    const ToolResult result = cp({"-M", "V==value", "-expandmacros", "t", "out"});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(read("out"), QByteArray("[v1\nv2]\n"));
}

TEST_F(CpTest, ByteCopyKeepsBytesTimesAndMaskedMode)
{
    // Straddles the 128 KiB chunk boundary and holds every byte value.
    QByteArray data;
    for (int i = 0; i < 131072 + 1000; ++i)
        data.append(char(i * 7));
    write("src.bin", data);
    ASSERT_EQ(chmod(path("src.bin").toLocal8Bit(), 0777), 0);
    const QDateTime old = QDateTime::fromSecsSinceEpoch(1000000000);
    QFile file(path("src.bin"));
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.setFileTime(old, QFileDevice::FileModificationTime));
    file.close();

    const ToolResult result = cp({"-verbose", "src.bin", "dst.bin"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, QByteArray("Copying src.bin to dst.bin\n"));
    EXPECT_EQ(read("dst.bin"), data);
    EXPECT_EQ(QFileInfo(path("dst.bin")).lastModified(), old);
    struct stat status;
    ASSERT_EQ(stat(path("dst.bin").toLocal8Bit(), &status), 0);
    const mode_t mask = umask(0);
    umask(mask);
    EXPECT_EQ(status.st_mode & 07777, 0777 & ~mask);
}

TEST_F(CpTest, SeveralSourcesIntoDirectoryWithMakedir)
{
    write("a", "A");
    write("b", "B");
    ToolResult result = cp({"a", "b", "dir/"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, QByteArray("cp failed: can't copy \"a\" to \"dir/a\"\n"));
    result = cp({"-makedir", "a", "b", "dir/sub/"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(read("dir/sub/a"), QByteArray("A"));
    EXPECT_EQ(read("dir/sub/b"), QByteArray("B"));
    result = cp({"-makedir", "a", "deep/er/file"});  // a file destination: parents made
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(read("deep/er/file"), QByteArray("A"));
}

TEST_F(CpTest, SeveralSourcesOntoOneFileLastWins)
{
    write("a", "A");
    write("b", "B");
    write("c", "old");
    EXPECT_EQ(cp({"a", "b", "c"}).exitCode, 0);
    EXPECT_EQ(read("c"), QByteArray("B"));
}

TEST_F(CpTest, FirstFailureEndsTheRunNofailOnlyChangesStatus)
{
    write("b", "B");
    ToolResult result = cp({"missing", "b", "out/"});
    EXPECT_EQ(result.exitCode, 1);
    result = cp({"-nofail", "missing", "b", "c"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, QByteArray("cp failed: can't copy \"missing\" to \"c\"\n"));
    EXPECT_FALSE(exists("c"));  // b was never reached
}

TEST_F(CpTest, PercentSignsInPathsArePrinted)
{
    const ToolResult result = cp({"-verbose", "a%2b%1", "c%1"});
    EXPECT_EQ(result.out, QByteArray("Copying a%2b%1 to c%1\n"));
    EXPECT_EQ(result.err, QByteArray("cp failed: can't copy \"a%2b%1\" to \"c%1\"\n"));
}

TEST_F(CpTest, SourcePathIsCleaned)
{
    write("d/a", "A");
    const ToolResult result = cp({"-verbose", "./d//x/../a", "out"});
    EXPECT_EQ(result.out, QByteArray("Copying d/a to out\n"));
    EXPECT_EQ(read("out"), QByteArray("A"));
}

TEST_F(CpTest, WildcardsMatchVisibleEntriesOnly)
{
    write("src/a.c", "a");
    write("src/b.c", "b");
    write("src/.hidden.c", "h");
    write("src/c.h", "c");
    write("lib1/x/one.o", "1");
    write("lib2/x/two.o", "2");
    write("lib3/y/three.o", "3");
    ToolResult result = cp({"src/*.c", "lib*/x/*.o", "nomatch*.q", "out/", "-makedir"});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(QDir(path("out")).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({"a.c", "b.c", "one.o", "two.o"}));
    result = cp({"src/?.h", "out2"});
    EXPECT_EQ(read("out2"), QByteArray("c"));
}

TEST_F(CpTest, MakeLinksAreRelative)
{
    write("lib/x.so", "so");
    QDir().mkpath(path("bin"));
    const ToolResult result = cp({"-s", "lib/x.so", "bin/"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(QFile::symLinkTarget(path("bin/x.so")), path("lib/x.so"));
    char text[256] = {};
    ASSERT_GT(readlink(path("bin/x.so").toLocal8Bit(), text, sizeof text - 1), 0);
    EXPECT_STREQ(text, "../lib/x.so");
    EXPECT_EQ(read("bin/x.so"), QByteArray("so"));
}

TEST_F(CpTest, LinksCopiedAsLinksOnlyWithP)
{
    write("real", "data");
    ASSERT_EQ(symlink("real", path("link").toLocal8Bit()), 0);
    EXPECT_EQ(cp({"-P", "link", "copy1"}).exitCode, 0);
    EXPECT_TRUE(QFileInfo(path("copy1")).isSymLink());
    EXPECT_EQ(QFileInfo(path("copy1")).symLinkTarget(), path("real"));
    EXPECT_EQ(cp({"link", "copy2"}).exitCode, 0);
    EXPECT_FALSE(QFileInfo(path("copy2")).isSymLink());
    EXPECT_EQ(read("copy2"), QByteArray("data"));
}

TEST_F(CpTest, ExistingTargetLinkIsReplacedNotFollowed)
{
    write("a", "new");
    write("victim", "keep");
    ASSERT_EQ(symlink("victim", path("t").toLocal8Bit()), 0);
    EXPECT_EQ(cp({"a", "t"}).exitCode, 0);
    EXPECT_FALSE(QFileInfo(path("t")).isSymLink());
    EXPECT_EQ(read("t"), QByteArray("new"));
    EXPECT_EQ(read("victim"), QByteArray("keep"));
}

struct SelfCopyCase
{
    const char *name;
    QStringList arguments;
    const char *error;
};

class CpSelfCopy : public CpTest, public testing::WithParamInterface<SelfCopyCase> {};

TEST_P(CpSelfCopy, FailsAndLeavesTheFileIntact)
{
    write("sub/a.txt", "precious\n");
    ASSERT_EQ(symlink("sub/a.txt", path("ln").toLocal8Bit()), 0);
    const ToolResult result = cp(GetParam().arguments);
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, QByteArray(GetParam().error));
    EXPECT_EQ(read("sub/a.txt"), QByteArray("precious\n"));
    EXPECT_TRUE(QFileInfo(path("ln")).isSymLink());
}

INSTANTIATE_TEST_SUITE_P(Table, CpSelfCopy, testing::Values(
    SelfCopyCase{"IntoOwnDirectory", {"sub/a.txt", "sub"},
                 "cp failed: can't copy \"sub/a.txt\" to \"sub/a.txt\"\n"},
    SelfCopyCase{"SameNameSpelledDifferently", {"sub/a.txt", "./sub/../sub/a.txt"},
                 "cp failed: can't copy \"sub/a.txt\" to \"./sub/../sub/a.txt\"\n"},
    SelfCopyCase{"ThroughLinkOntoTarget", {"ln", "sub/a.txt"},
                 "cp failed: can't copy \"ln\" to \"sub/a.txt\"\n"},
    SelfCopyCase{"TextOntoItself", {"-expandmacros", "sub/a.txt", "sub/"},
                 "cp failed: can't write to \"sub/a.txt\" \n"},
    SelfCopyCase{"LinkOntoItself", {"-P", "ln", "."},
                 "cp failed: can't copy symbolic link \"ln\" to \"./ln\"\n"},
    SelfCopyCase{"MakeLinkOntoItself", {"-s", "sub/a.txt", "sub/"},
                 "cp failed: can't create symbolic link from \"sub/a.txt\" to \"sub/a.txt\" \n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CpTest, LinkFailuresNameBothPaths)
{
    write("real", "data");
    ASSERT_EQ(symlink("real", path("ln").toLocal8Bit()), 0);
    ToolResult result = cp({"-s", "real", "missing/x"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err,
              QByteArray("cp failed: can't create symbolic link from \"real\" to \"missing/x\" \n"));
    result = cp({"-nofail", "-P", "ln", "missing/y"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.err, QByteArray("cp failed: can't copy symbolic link \"ln\" to \"missing/y\"\n"));
}

TEST_F(CpTest, HardLinkTargetIsReplacedWithoutLoss)
{
    write("a", "A");
    ASSERT_EQ(link(path("a").toLocal8Bit(), path("b").toLocal8Bit()), 0);
    EXPECT_EQ(cp({"a", "b"}).exitCode, 0);
    EXPECT_EQ(read("a"), QByteArray("A"));
    EXPECT_EQ(read("b"), QByteArray("A"));
}

TEST_F(CpTest, IndirectFileSuppliesArguments)
{
    write("a b.txt", "spaced");
    write("args", "# options and files\n-verbose \"a b.txt\"\n");
    const ToolResult result = cp({"@args", "out.txt"});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(result.out, QByteArray("Copying a b.txt to out.txt\n"));
    EXPECT_EQ(read("out.txt"), QByteArray("spaced"));
}

TEST_F(CpTest, SelfNamingIndirectFileFailsCleanly)
{
    write("self", "@self\n");
    const ToolResult result = cp({"@self", "x"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, errorPrefix() + "too many indirect files\n");
}

} // namespace
