// End-to-end tests of the cp tool's command line, byte copies, links and wildcards.
#include "cptestsupport.h"

#include "qtx/version.h"

#include <QDirIterator>
#include <QMap>

#include <sys/stat.h>
#include <utime.h>

namespace {

const QByteArray usage = Version::banner("cp") +
    "\nUsage: cp [option] source... destination\n\n"
    "  -D macro=value         Define macro\n"
    "  -M macro=file          Define 'macro' as contents of 'file'\n"
    "  -help                  Print options help\n"
    "  -expandmacros          Copy file as text file and expand macros\n"
    "  -includes              Copy file as text file and process #include directives\n"
    "  -makedir               Create destination directory if it doesn't exist\n"
    "  -nofail                Don't exit with failure if an error occurs\n"
    "  -verbose               Produce verbose output\n\n";

// Command-line errors start with the program name as typed: the full path here.
const QByteArray program = toolPath("cp").toLocal8Bit() + ": error: ";

struct NoCopyRow
{
    const char *name;
    QStringList arguments;
    int status;
    QByteArray err;
};

// Runs that only report: usage, command-line errors and failed copies. Whatever they
// print, they create, change and remove nothing, not even the source of a self-copy.
class CpNoCopy : public CpTest, public testing::WithParamInterface<NoCopyRow>
{
protected:
    // Every entry below the directory with its contents, or its text for a link.
    QMap<QString, QByteArray> tree() const
    {
        QMap<QString, QByteArray> entries;
        QDirIterator it(dir(), QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString name = it.next().mid(dir().size() + 1);
            entries.insert(name, linkText(name).isEmpty() ? read(name) : linkText(name));
        }
        return entries;
    }
};

TEST_P(CpNoCopy, ReportsAndLeavesTheTreeAlone)
{
    write("a", "A");
    write("b", "B");
    write("sub/a.txt", "precious\n");
    makeLink("sub/a.txt", "ln");
    write("self", "@self\n");
    const QMap<QString, QByteArray> before = tree();
    const ToolResult result = cp(GetParam().arguments);
    EXPECT_EQ(result.exitCode, GetParam().status);
    EXPECT_EQ(result.err, GetParam().err);
    EXPECT_EQ(result.out, QByteArray());
    EXPECT_EQ(tree(), before);
}

const QByteArray badMacroFile = "cp failed: syntax error in argument to \"-M\"\n";

INSTANTIATE_TEST_SUITE_P(Table, CpNoCopy, testing::Values(
    NoCopyRow{"NoArguments", {}, 0, usage},
    NoCopyRow{"OneArgument", {"a"}, 0, usage},
    NoCopyRow{"OptionsOnly", {"-verbose", "-nofail"}, 0, usage},
    NoCopyRow{"HelpWinsAnywhere", {"a", "b", "-help", "-bogus"}, 0, usage},
    NoCopyRow{"UnknownOption", {"-x", "a", "b"}, 1, program + "unrecognised option -x\n"},
    NoCopyRow{"DefineTakesTheNextArgument", {"-DA=1", "a", "b"}, 1,
              program + "unrecognised option -DA=1\n"},
    NoCopyRow{"FlagWithTrailingText", {"-nofail", "-verbosex", "a", "b"}, 1,
              program + "unrecognised option -verbosex\n"},
    NoCopyRow{"OptionArgumentMissing", {"a", "b", "-D"}, 1,
              program + "expected argument for option -D\n"},
    NoCopyRow{"SelfNamingIndirectFile", {"@self", "x"}, 1, program + "too many indirect files\n"},
    // -M errors end the run with status 1 even with -nofail.
    NoCopyRow{"MacroFileNoEquals", {"-nofail", "-M", "NAME", "a", "b"}, 1, badMacroFile},
    NoCopyRow{"MacroFileThreeParts", {"-nofail", "-M", "A=b=c", "a", "b"}, 1, badMacroFile},
    NoCopyRow{"MacroFileOnlyName", {"-nofail", "-M", "A=", "a", "b"}, 1, badMacroFile},
    NoCopyRow{"MacroFileMissing", {"-nofail", "-M", "A=nothere", "a", "b"}, 1,
              "cp failed: can't open \"nothere\"\n"},
    NoCopyRow{"DirectoryMissing", {"a", "b", "dir/"}, 1,
              "cp failed: can't copy \"a\" to \"dir/a\"\n"},
    // -nofail changes the status only: the run still ends at the first failure.
    NoCopyRow{"FirstFailureEndsTheRun", {"-nofail", "missing", "b", "c"}, 0,
              "cp failed: can't copy \"missing\" to \"c\"\n"},
    NoCopyRow{"PercentSignsInPaths", {"a%2b%1", "c%1"}, 1,
              "cp failed: can't copy \"a%2b%1\" to \"c%1\"\n"},
    NoCopyRow{"TextSourceMissing", {"-expandmacros", "nothere", "o"}, 1,
              "cp failed: can't read from \"nothere\" \n"},
    NoCopyRow{"TextTargetUnwritable", {"-nofail", "-expandmacros", "a", "no/dir/o"}, 0,
              "cp failed: can't write to \"no/dir/o\" \n"},
    NoCopyRow{"MakeLinkFails", {"-s", "a", "missing/x"}, 1,
              "cp failed: can't create symbolic link from \"a\" to \"missing/x\" \n"},
    NoCopyRow{"CopyLinkFails", {"-nofail", "-P", "ln", "missing/y"}, 0,
              "cp failed: can't copy symbolic link \"ln\" to \"missing/y\"\n"},
    NoCopyRow{"SelfCopyIntoOwnDirectory", {"sub/a.txt", "sub"}, 1,
              "cp failed: can't copy \"sub/a.txt\" to \"sub/a.txt\"\n"},
    NoCopyRow{"SelfCopySpelledDifferently", {"sub/a.txt", "./sub/../sub/a.txt"}, 1,
              "cp failed: can't copy \"sub/a.txt\" to \"./sub/../sub/a.txt\"\n"},
    NoCopyRow{"SelfCopyThroughLink", {"ln", "sub/a.txt"}, 1,
              "cp failed: can't copy \"ln\" to \"sub/a.txt\"\n"},
    NoCopyRow{"SelfCopyAsText", {"-expandmacros", "sub/a.txt", "sub/"}, 1,
              "cp failed: can't write to \"sub/a.txt\" \n"},
    NoCopyRow{"SelfCopyOfLink", {"-P", "ln", "."}, 1,
              "cp failed: can't copy symbolic link \"ln\" to \"./ln\"\n"},
    NoCopyRow{"SelfLink", {"-s", "sub/a.txt", "sub/"}, 1,
              "cp failed: can't create symbolic link from \"sub/a.txt\" to \"sub/a.txt\" \n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(CpTest, ByteAndTextCopiesKeepTimesAndMaskedMode)
{
    // Straddles the 128 KiB chunk boundary and holds every byte value.
    QByteArray data;
    for (int i = 0; i < 131072 + 1000; ++i)
        data.append(char(i * 7));
    write("src%2.bin", data);
    ASSERT_EQ(chmod(path("src%2.bin").toLocal8Bit(), 0777), 0);
    const utimbuf old{1000000000, 1000000000};
    ASSERT_EQ(utime(path("src%2.bin").toLocal8Bit(), &old), 0);

    const ToolResult result = cp({"-verbose", "src%2.bin", "dst%1.bin"});
    EXPECT_EQ(result.exitCode, 0);
    EXPECT_EQ(result.out, QByteArray("Copying src%2.bin to dst%1.bin\n"));  // "%" as it is
    EXPECT_EQ(read("dst%1.bin"), data);
    EXPECT_EQ(cp({"-includes", "src%2.bin", "text.bin"}).exitCode, 0);
    const mode_t mask = umask(0);
    umask(mask);
    for (const char *target : {"dst%1.bin", "text.bin"}) {
        SCOPED_TRACE(target);
        struct stat status;
        ASSERT_EQ(stat(path(target).toLocal8Bit(), &status), 0);
        EXPECT_EQ(status.st_mtime, old.modtime);
        EXPECT_EQ(status.st_mode & 07777, 0777 & ~mask);
    }
}

TEST_F(CpTest, ExistingTargetsAreReplaced)
{
    write("a", "A");
    write("b", "B");
    write("c", "old");
    write("victim", "keep");
    makeLink("victim", "link");
    ASSERT_EQ(::link(path("a").toLocal8Bit(), path("hard").toLocal8Bit()), 0);
    EXPECT_EQ(cp({"a", "b", "c"}).exitCode, 0);  // several sources onto one file
    EXPECT_EQ(read("c"), QByteArray("B"));
    EXPECT_EQ(cp({"b", "link"}).exitCode, 0);  // the link is replaced, not followed
    EXPECT_EQ(linkText("link"), QByteArray());
    EXPECT_EQ(read("link"), QByteArray("B"));
    EXPECT_EQ(read("victim"), QByteArray("keep"));
    EXPECT_EQ(cp({"a", "hard"}).exitCode, 0);  // truncating "hard" would empty "a"
    EXPECT_EQ(read("a"), QByteArray("A"));
}

TEST_F(CpTest, IndirectFileSuppliesArgumentsAndSourcePathIsCleaned)
{
    write("d/a b.txt", "spaced");
    write("args", "# options and files\n-verbose \"./d//x/../a b.txt\"\n");
    const ToolResult result = cp({"@args", "out.txt"});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(result.out, QByteArray("Copying d/a b.txt to out.txt\n"));
    EXPECT_EQ(read("out.txt"), QByteArray("spaced"));
}

TEST_F(CpTest, WildcardsMatchVisibleEntriesAndMakedirCreatesParents)
{
    write("src/a.c", "a");
    write("src/b.c", "b");
    write("src/.hidden.c", "h");
    write("src/c.h", "c");
    write("lib1/x/one.o", "1");
    write("lib2/x/two.o", "2");
    write("lib3/y/three.o", "3");
    const ToolResult result =
        cp({"src/*.c", "lib*/x/*.o", "nomatch*.q", "out/sub/", "-makedir"});
    EXPECT_EQ(result.exitCode, 0) << result.err.constData();
    EXPECT_EQ(QDir(path("out/sub")).entryList(QDir::Files | QDir::Hidden, QDir::Name),
              QStringList({"a.c", "b.c", "one.o", "two.o"}));
    EXPECT_EQ(cp({"-makedir", "src/?.h", "deep/er/file"}).exitCode, 0);  // the file's parents
    EXPECT_EQ(read("deep/er/file"), QByteArray("c"));
}

TEST_F(CpTest, LinksMadeRelativeWithSAndCopiedWithP)
{
    write("lib/x.so", "so");
    QDir().mkpath(path("bin"));
    makeLink("lib/x.so", "ln");
    EXPECT_EQ(cp({"-s", "lib/x.so", "bin/"}).exitCode, 0);
    EXPECT_EQ(linkText("bin/x.so"), QByteArray("../lib/x.so"));
    EXPECT_EQ(cp({"-P", "ln", "copy1"}).exitCode, 0);
    EXPECT_EQ(linkText("copy1"), QByteArray("lib/x.so"));
    EXPECT_EQ(cp({"ln", "copy2"}).exitCode, 0);  // without -P: the file the link names
    EXPECT_EQ(linkText("copy2"), QByteArray());
    EXPECT_EQ(read("copy2"), QByteArray("so"));
}

} // namespace
