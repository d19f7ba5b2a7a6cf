#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivebzfile.h"
#include "package/packagearchivefile.h"
#include "package/packagearchivegzfile.h"

#include <QFile>

#include <unistd.h>

namespace {

// One saved layout: table version, algorithm, level.
struct Form
{
    const char *name;
    int version;
    int algorithm;
    int level;
};

// Counts how often a backward seek restarts the decoder.
int restarts = 0;

template <class Input>
class CountingInput : public Input
{
public:
    using Input::Input;
    void startCodec() override
    {
        ++restarts;
        Input::startCodec();
    }
};

class CountingArchive : public PackageArchive
{
public:
    int inputsOpened = 0;
    const char *preamble = "";  // a hook may write one of its own

protected:
    void inputFileOpened(FILE *) override { ++inputsOpened; }
    void outputFileOpened(FILE *file) override { fputs(preamble, file); }
    std::unique_ptr<PackageArchiveCompressedInputFile> createInputStream(qint32 algorithm,
                                                                         FILE *file) override
    {
        if (algorithm == bzip2Algorithm)
            return std::make_unique<CountingInput<PackageArchiveCompressedBzInputFile>>(file);
        return std::make_unique<CountingInput<PackageArchiveCompressedGzInputFile>>(file);
    }
};

const QStringList inputs = {"in/text.txt", "in/data.bin", "in/empty", "in/readonly.txt"};

class PackageArchiveRoundTrip : public PackageTest, public testing::WithParamInterface<Form>
{
protected:
    // A text file, a binary file larger than the codecs' buffers (and than bzip2's
    // smallest block), an empty file and a read-only file.
    QString saveInputs()
    {
        QByteArray binary;
        for (int i = 0; i < 100000; ++i)
            binary += char((i * 7919) >> 3);
        put(inputs[0], "first line\nsecond line\n", 0755);
        put(inputs[1], binary, 0640);
        put(inputs[2], "");
        put(inputs[3], "keep me\n", 0555);
        return save("out.pkg", inputs, GetParam().version, GetParam().algorithm,
                    GetParam().level);
    }
};

TEST_P(PackageArchiveRoundTrip, ReadsBackInBothDirectionsAndRewritesItself)
{
    CountingArchive archive;
    archive.setFileName(saveInputs());
    archive.open();
    EXPECT_EQ(archive.version(), GetParam().version);
    EXPECT_EQ(archive.compressionAlgorithm(), GetParam().version == 1 ? 0 : GetParam().algorithm);
    ASSERT_EQ(archive.entryCount(), inputs.size());
    // Version 1 keeps only the read-only distinction.
    const quint32 modes[2][4] = {{0666, 0666, 0666, 0444}, {0100755, 0100640, 0100644, 0100555}};
    // Reading in table order never restarts the codec; each step back does.
    restarts = 0;
    const int order[] = {0, 1, 2, 3, 3, 1, 0};
    for (int step = 0; step < 7; ++step) {
        PackageArchiveFile *entry = archive.entry(order[step]);
        const int i = order[step];
        SCOPED_TRACE(step);
        EXPECT_EQ(entry->name(), inputs[i]);
        EXPECT_EQ(entry->source(), PackageArchiveSource::Archive);
        EXPECT_EQ(entry->modificationTime().toSecsSinceEpoch(), fixedTime);
        EXPECT_EQ(entry->mode(), modes[GetParam().version - 1][i]);
        EXPECT_EQ(entry->size(), quint32(read(inputs[i]).size()));
        EXPECT_EQ(archive.content(entry), read(inputs[i]));
        EXPECT_EQ(restarts, std::max(0, step - 3));
    }

    // Written from its own entries over the file they are read from.
    put("in/added.txt", "added\n");
    archive.addFile(path("in/added.txt"), "in/added.txt");
    archive.setVersion(GetParam().version == 1 ? 2 : 1);
    archive.save();
    EXPECT_FALSE(QFile::exists(path("out.pkg.new")));
    PackageArchive again(path("out.pkg"));
    EXPECT_EQ(again.version(), archive.version());
    ASSERT_EQ(again.entryCount(), 5);
    for (PackageArchiveFile *entry : again.entries())
        EXPECT_EQ(again.content(entry), read(entry->name())) << entry->name().toStdString();
}

INSTANTIATE_TEST_SUITE_P(
    AllForms, PackageArchiveRoundTrip,
    testing::Values(Form{"Version1Zlib", 1, 0, -1}, Form{"Version1AskedForBzip2", 1, 1, 9},
                    Form{"Version2Zlib", 2, 0, -1}, Form{"Version2ZlibStored", 2, 0, 0},
                    Form{"Version2Bzip2", 2, 1, 1}, Form{"Version2Bzip2Best", 2, 1, 9}),
    [](const auto &info) { return std::string(info.param.name); });

class PackageArchiveTest : public PackageTest
{
};

TEST_F(PackageArchiveTest, FindsByNameWithAndWithoutIndex)
{
    const QStringList names = {"b/x", "a", "c", "b/a"};
    for (const QString &name : names)
        put(name, name.toUtf8());
    save("a.pkg", names);
    for (bool indexed : {false, true}) {
        SCOPED_TRACE(indexed);
        PackageArchive archive;
        archive.setFileName(path("a.pkg"));
        archive.open(0, indexed);
        for (const QString &name : names) {
            ASSERT_NE(archive.find(name), nullptr) << name.toStdString();
            EXPECT_EQ(archive.content(archive.find(name)), name.toUtf8());
        }
        for (const char *absent : {"b", "d", ""})
            EXPECT_EQ(archive.find(absent), nullptr) << absent;
    }
}

TEST_F(PackageArchiveTest, MatchesWholeNamesAndUpdatesAnAddedNameInPlace)
{
    PackageArchive archive;
    write("f", "x");
    write("two", "22");
    for (const char *name : {"lib/a.o", "lib/b.a", "inc/a.h", "lib/sub/c.a"})
        archive.addFile(path("f"), name);
    ASSERT_NE(archive.findFirstMatching("*.a"), nullptr);
    EXPECT_EQ(archive.findFirstMatching("*.a")->name(), "lib/b.a");
    EXPECT_EQ(archive.findFirstMatching("lib/*/?.a")->name(), "lib/sub/c.a");
    EXPECT_EQ(archive.findFirstMatching("inc/[ab].h")->name(), "inc/a.h");
    EXPECT_EQ(archive.findFirstMatching("a.o"), nullptr);   // whole name only
    EXPECT_EQ(archive.findFirstMatching("LIB/*"), nullptr); // case-sensitive
    archive.addFile(path("two"), "lib/a.o");
    ASSERT_EQ(archive.entryCount(), 4);
    EXPECT_EQ(archive.entry(0)->name(), "lib/a.o");
    EXPECT_EQ(archive.entry(0)->size(), 2u);
    EXPECT_EQ(archive.content(archive.entry(0)), QByteArray("22"));
}

TEST_F(PackageArchiveTest, LinksAreStoredAsLinksOnlyWithoutFollowing)
{
    write("target.txt", "the target\n");
    ASSERT_EQ(symlink("target.txt", QFile::encodeName(path("link")).constData()), 0);
    for (bool follow : {true, false}) {
        SCOPED_TRACE(follow);
        PackageArchive writer;
        writer.setVersion(2);
        writer.setFollowSymbolicLinks(follow);
        writer.addFile(path("link"), "link");
        writer.saveAs(path("a.pkg"));
        PackageArchive archive(path("a.pkg"));
        PackageArchiveFile *entry = archive.entry(0);
        EXPECT_EQ(entry->isSymbolicLink(), !follow);
        EXPECT_EQ(archive.content(entry), follow ? QByteArray("the target\n")
                                                 : QByteArray("target.txt"));
        EXPECT_EQ(entry->mode() & 0xF000, follow ? 0x8000u : 0xA000u);
        archive.extractIntoDirectory(entry, path(follow ? "followed" : "kept"), false);
    }
    EXPECT_EQ(read("followed/link"), QByteArray("the target\n"));
    EXPECT_EQ(fileMode(path("followed/link")) & 0xF000, 0x8000u);
    EXPECT_EQ(fileMode(path("kept/link")) & 0xF000, 0xA000u);
    EXPECT_EQ(QFile::symLinkTarget(path("kept/link")), path("kept/target.txt"));
}

TEST_F(PackageArchiveTest, ReadsHandBuiltVersion1TablesInEveryFormAndAtAnOffset)
{
    // Two 1040-byte records after the 8-byte inner header: contents from 8 + 2 * 1040.
    const quint32 start = 8 + 2 * 1040;
    const QByteArray inner = formC(2, version1Record("ro.txt", start, 3, 1, 100)
                                          + version1Record("rw/x", start + 3, 4, 0, 200)
                                          + "abc" + "wxyz");
    const QByteArray forms[] = {inner, formA(0, 1, deflateAll(inner)), formB(inner)};
    for (const QByteArray &form : forms) {
        SCOPED_TRACE(form.left(4).toHex().constData());
        write("plain.pkg", form);
        PackageArchive archive(path("plain.pkg"));
        ASSERT_EQ(archive.entryCount(), 2);
        EXPECT_EQ(archive.entry(0)->name(), "ro.txt");
        EXPECT_EQ(archive.entry(0)->mode(), 0444u);
        EXPECT_EQ(archive.entry(1)->mode(), 0666u);
        EXPECT_EQ(archive.entry(1)->modificationTime().toSecsSinceEpoch(), 200);
        EXPECT_EQ(archive.content(archive.entry(1)), QByteArray("wxyz"));
        EXPECT_EQ(archive.content(archive.entry(0)), QByteArray("abc"));

        write("inside.bin", "12345" + form + "trailer");
        PackageArchive inside;
        inside.setFileName(path("inside.bin"));
        inside.open(5, true);
        ASSERT_NE(inside.find("rw/x"), nullptr);
        EXPECT_EQ(inside.content(inside.find("rw/x")), QByteArray("wxyz"));
        EXPECT_EQ(inside.content(inside.entry(0)), QByteArray("abc"));  // back from there
        EXPECT_TRUE(inside.probe(path("inside.bin"), 5));
        EXPECT_FALSE(inside.probe(path("inside.bin"), 4));
    }
}

TEST_F(PackageArchiveTest, ProbeRefusesEverythingElse)
{
    write("v3.pkg", formA(0, 3, deflateAll(QByteArray(20, 0))));
    write("short", QByteArray("\xC8\xC3\x52\x41\x00\x00\x00", 7));
    write("text", "hello world\n");
    for (const char *name : {"v3.pkg", "short", "text", "missing"})
        EXPECT_FALSE(PackageArchive().probe(path(name))) << name;
}

TEST_F(PackageArchiveTest, HooksSeeTheOpenedFiles)
{
    CountingArchive archive;
    archive.preamble = "PREFIX";
    archive.saveAs(path("a.pkg"));
    EXPECT_TRUE(read("a.pkg").startsWith("PREFIX\x7A\xF4\x31\xB2"));
    archive.setFileName(path("a.pkg"));
    archive.open(6, false);
    EXPECT_EQ(archive.inputsOpened, 1);
}

} // namespace
