#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivefile.h"
#include "package/packagearchivegzfile.h"
#include "package/packagearchivebzfile.h"

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

class PackageArchiveRoundTrip : public TempDirTest, public testing::WithParamInterface<Form>
{
protected:
    // A text file, a binary file larger than the codecs' buffers, an empty file and a
    // read-only file, all with fixed times and modes.
    void SetUp() override
    {
        QByteArray binary;
        for (int i = 0; i < 100000; ++i)
            binary += char((i * 7919) >> 3);
        write("in/text.txt", "first line\nsecond line\n");
        write("in/data.bin", binary);
        write("in/empty", "");
        write("in/readonly.txt", "keep me\n");
        chmod(QFile::encodeName(path("in/text.txt")).constData(), 0755);
        chmod(QFile::encodeName(path("in/data.bin")).constData(), 0640);
        chmod(QFile::encodeName(path("in/readonly.txt")).constData(), 0555);
        for (const char *name : {"in/text.txt", "in/data.bin", "in/empty", "in/readonly.txt"})
            setFileTime(path(name), fixedTime);
    }

    QString save()
    {
        PackageArchive archive;
        archive.setVersion(GetParam().version);
        archive.setCompressionAlgorithm(GetParam().algorithm);
        for (const char *name : {"text.txt", "data.bin", "empty", "readonly.txt"})
            archive.addFile(path(QString("in/") + name), QString("dir/") + name);
        archive.saveAs(path("out.pkg"), GetParam().level);
        return path("out.pkg");
    }
};

TEST_P(PackageArchiveRoundTrip, EntriesComeBackInOrderWithTheirBytes)
{
    PackageArchive archive(save());
    const QStringList names = {"dir/text.txt", "dir/data.bin", "dir/empty", "dir/readonly.txt"};
    ASSERT_EQ(archive.entryCount(), names.size());
    for (int i = 0; i < names.size(); ++i) {
        PackageArchiveFile *entry = archive.entry(i);
        SCOPED_TRACE(names[i].toStdString());
        EXPECT_EQ(entry->name(), names[i]);
        EXPECT_EQ(entry->source(), PackageArchiveSource::Archive);
        EXPECT_EQ(entry->modificationTime().toSecsSinceEpoch(), fixedTime);
        EXPECT_EQ(archive.content(entry), read("in/" + names[i].mid(4)));
        EXPECT_EQ(entry->size(), quint32(read("in/" + names[i].mid(4)).size()));
    }
    EXPECT_EQ(archive.version(), GetParam().version);
}

TEST_P(PackageArchiveRoundTrip, ModesFollowTheTableVersion)
{
    PackageArchive archive(save());
    const quint32 version2[] = {0100755, 0100640, 0100644, 0100555};
    const quint32 version1[] = {0666, 0666, 0666, 0444};
    const quint32 umaskedEmpty = fileMode(path("in/empty")) & 0xF1FF;
    for (int i = 0; i < 4; ++i) {
        const quint32 expected = GetParam().version == 1 ? version1[i]
                                 : i == 2                ? umaskedEmpty
                                                         : version2[i];
        EXPECT_EQ(archive.entry(i)->mode(), expected) << i;
    }
}

TEST_P(PackageArchiveRoundTrip, ReverseReadsGiveTheSameBytes)
{
    PackageArchive archive(save());
    QList<QByteArray> forward;
    for (PackageArchiveFile *entry : archive.entries())
        forward.append(archive.content(entry));
    for (int i = archive.entryCount() - 1; i >= 0; --i)
        EXPECT_EQ(archive.content(archive.entry(i)), forward[i]) << i;
}

TEST_P(PackageArchiveRoundTrip, RewritesItselfIntoAnotherForm)
{
    PackageArchive archive(save());
    archive.setVersion(GetParam().version == 1 ? 2 : 1);
    archive.saveAs(path("copy.pkg"));
    PackageArchive copy(path("copy.pkg"));
    ASSERT_EQ(copy.entryCount(), 4);
    EXPECT_EQ(copy.content(copy.entry(1)), read("in/data.bin"));
    EXPECT_EQ(copy.content(copy.entry(0)), read("in/text.txt"));
}

TEST_P(PackageArchiveRoundTrip, SavesOverTheFileItIsReadFrom)
{
    PackageArchive archive(save());
    write("in/added.txt", "added\n");
    archive.addFile(path("in/added.txt"), "added.txt");
    archive.save();
    PackageArchive again(path("out.pkg"));
    ASSERT_EQ(again.entryCount(), 5);
    EXPECT_EQ(again.content(again.entry(1)), read("in/data.bin"));
    EXPECT_EQ(again.content(again.entry(4)), QByteArray("added\n"));
    EXPECT_FALSE(QFile::exists(path("out.pkg.new")));
}

INSTANTIATE_TEST_SUITE_P(
    AllForms, PackageArchiveRoundTrip,
    testing::Values(Form{"Version1Zlib", 1, 0, -1}, Form{"Version1AskedForBzip2", 1, 1, 9},
                    Form{"Version2Zlib", 2, 0, -1}, Form{"Version2ZlibStored", 2, 0, 0},
                    Form{"Version2Bzip2", 2, 1, 1}, Form{"Version2Bzip2Best", 2, 1, 9}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PackageArchiveFormTest, Version1IsAlwaysZlib)
{
    QTemporaryDir dir;
    writeFile(dir.path() + "/f", "x");
    PackageArchive archive;
    archive.setVersion(1);
    archive.setCompressionAlgorithm(PackageArchive::bzip2Algorithm);
    archive.addFile(dir.path() + "/f", "f");
    archive.saveAs(dir.path() + "/a.pkg");
    EXPECT_EQ(readFile(dir.path() + "/a.pkg").left(4), QByteArray("\x7A\xF4\x31\xB2"));
    PackageArchive back(dir.path() + "/a.pkg");
    EXPECT_EQ(back.compressionAlgorithm(), PackageArchive::zlibAlgorithm);
}

// Counts how often a backward seek restarts the decoder.
int restarts = 0;

class CountingGzInput : public PackageArchiveCompressedGzInputFile
{
public:
    using PackageArchiveCompressedGzInputFile::PackageArchiveCompressedGzInputFile;
    void startCodec() override
    {
        ++restarts;
        PackageArchiveCompressedGzInputFile::startCodec();
    }
};

class CountingBzInput : public PackageArchiveCompressedBzInputFile
{
public:
    using PackageArchiveCompressedBzInputFile::PackageArchiveCompressedBzInputFile;
    void startCodec() override
    {
        ++restarts;
        PackageArchiveCompressedBzInputFile::startCodec();
    }
};

class CountingArchive : public PackageArchive
{
public:
    int opened = 0;

protected:
    std::unique_ptr<PackageArchiveCompressedInputFile> createInputStream(qint32 algorithm,
                                                                         FILE *file) override
    {
        if (algorithm == bzip2Algorithm)
            return std::make_unique<CountingBzInput>(file);
        return std::make_unique<CountingGzInput>(file);
    }
    void inputFileOpened(FILE *) override { ++opened; }
};

class PackageArchiveSeekTest : public TempDirTest, public testing::WithParamInterface<int>
{
};

TEST_P(PackageArchiveSeekTest, OnlyBackwardSeeksRestartTheCodec)
{
    PackageArchive writer;
    writer.setCompressionAlgorithm(GetParam());
    for (int i = 0; i < 5; ++i) {
        write(QString("f%1").arg(i), QByteArray(30000 + i, char('a' + i)));
        writer.addFile(path(QString("f%1").arg(i)), QString("f%1").arg(i));
    }
    writer.saveAs(path("a.pkg"));

    CountingArchive archive;
    archive.setFileName(path("a.pkg"));
    archive.open(0, false);
    EXPECT_EQ(archive.opened, 1);
    restarts = 0;
    for (PackageArchiveFile *entry : archive.entries())
        EXPECT_EQ(archive.content(entry), QByteArray(int(entry->size()), entry->name()[1]
                                                     .unicode() - '0' + 'a'));
    EXPECT_EQ(restarts, 0);
    EXPECT_EQ(archive.content(archive.entry(4)).size(), 30004);  // a repeat goes back
    EXPECT_EQ(archive.content(archive.entry(1)), QByteArray(30001, 'b'));
    EXPECT_EQ(archive.content(archive.entry(0)), QByteArray(30000, 'a'));
    EXPECT_EQ(restarts, 3);
}

INSTANTIATE_TEST_SUITE_P(Algorithms, PackageArchiveSeekTest, testing::Values(0, 1),
                         [](const auto &info) { return info.param ? "Bzip2" : "Zlib"; });

class PackageArchiveTest : public TempDirTest
{
};

TEST_F(PackageArchiveTest, FindsByNameWithAndWithoutIndex)
{
    PackageArchive writer;
    for (const char *name : {"b/x", "a", "c", "b/a"}) {
        write(QString("files/") + name, name);
        writer.addFile(path(QString("files/") + name), name);
    }
    writer.saveAs(path("a.pkg"));
    for (bool indexed : {false, true}) {
        SCOPED_TRACE(indexed);
        PackageArchive archive;
        archive.setFileName(path("a.pkg"));
        archive.open(0, indexed);
        for (const char *name : {"b/x", "a", "c", "b/a"}) {
            ASSERT_NE(archive.find(name), nullptr) << name;
            EXPECT_EQ(archive.content(archive.find(name)), QByteArray(name));
        }
        EXPECT_EQ(archive.find("b"), nullptr);
        EXPECT_EQ(archive.find("d"), nullptr);
        EXPECT_EQ(archive.find(""), nullptr);
    }
}

TEST_F(PackageArchiveTest, FindFirstMatchingUsesWholeNameWildcards)
{
    PackageArchive archive;
    write("f", "x");
    for (const char *name : {"lib/a.o", "lib/b.a", "inc/a.h", "lib/sub/c.a"})
        archive.addFile(path("f"), name);
    ASSERT_NE(archive.findFirstMatching("*.a"), nullptr);
    EXPECT_EQ(archive.findFirstMatching("*.a")->name(), "lib/b.a");
    EXPECT_EQ(archive.findFirstMatching("lib/*/?.a")->name(), "lib/sub/c.a");
    EXPECT_EQ(archive.findFirstMatching("inc/[ab].h")->name(), "inc/a.h");
    EXPECT_EQ(archive.findFirstMatching("a.o"), nullptr);   // whole name only
    EXPECT_EQ(archive.findFirstMatching("LIB/*"), nullptr); // case-sensitive
}

TEST_F(PackageArchiveTest, AddingAnExistingNameUpdatesInPlace)
{
    PackageArchive archive;
    write("one", "1");
    write("two", "22");
    archive.addFile(path("one"), "x");
    archive.addFile(path("one"), "y");
    archive.addFile(path("two"), "x");
    ASSERT_EQ(archive.entryCount(), 2);
    EXPECT_EQ(archive.entry(0)->name(), "x");
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

TEST_F(PackageArchiveTest, EmptyArchivesRoundTripInBothVersions)
{
    for (int version : {1, 2}) {
        PackageArchive writer;
        writer.setVersion(version);
        writer.saveAs(path("empty.pkg"));
        PackageArchive archive(path("empty.pkg"));
        EXPECT_EQ(archive.entryCount(), 0);
        EXPECT_EQ(archive.version(), version);
        EXPECT_TRUE(archive.probe(path("empty.pkg")));
    }
}

TEST_F(PackageArchiveTest, OpensAnArchiveInsideALargerFile)
{
    write("f", "payload");
    PackageArchive writer;
    writer.addFile(path("f"), "f");
    writer.saveAs(path("a.pkg"));
    write("big", QByteArray(1000, 'z') + read("a.pkg") + "trailer");
    PackageArchive archive;
    archive.setFileName(path("big"));
    archive.open(1000, false);
    ASSERT_EQ(archive.entryCount(), 1);
    EXPECT_EQ(archive.content(archive.entry(0)), QByteArray("payload"));
    EXPECT_TRUE(archive.probe(path("big"), 1000));
    EXPECT_FALSE(archive.probe(path("big"), 999));
}

TEST_F(PackageArchiveTest, ProbeRecognisesEveryForm)
{
    write("c.pkg", le32(0x4152C3C8) + le32(0));
    write("a.pkg", le32(0x71F5C6B1) + le16(0x0002) + le16(0)
                       + deflateAll(le32(0) + QByteArray(16, 0)));
    write("b.pkg", le32(0xB231F47A) + le32(1) + be32(13) + deflateAll(le32(0x4152C3C8) + le32(0)));
    write("v3.pkg", le32(0x71F5C6B1) + le16(0x0003) + le16(0) + deflateAll(QByteArray(20, 0)));
    write("short", QByteArray("\xC8\xC3\x52\x41\x00\x00\x00", 7));
    write("text", "hello world\n");
    PackageArchive archive;
    EXPECT_TRUE(archive.probe(path("a.pkg")));
    EXPECT_TRUE(archive.probe(path("b.pkg")));
    EXPECT_TRUE(archive.probe(path("c.pkg")));
    EXPECT_FALSE(archive.probe(path("v3.pkg")));
    EXPECT_FALSE(archive.probe(path("short")));
    EXPECT_FALSE(archive.probe(path("text")));
    EXPECT_FALSE(archive.probe(path("missing")));
}

TEST_F(PackageArchiveTest, ReadsAHandBuiltUncompressedArchive)
{
    // Form C: inner header, two 1040-byte records, contents from 8 + 2 * 1040.
    const quint32 start = 8 + 2 * 1040;
    write("c.pkg", le32(0x4152C3C8) + le32(2) + version1Record("ro.txt", start, 3, 1, 100)
                       + version1Record("rw/x", start + 3, 4, 0, 200) + "abc" + "wxyz");
    PackageArchive archive(path("c.pkg"));
    ASSERT_EQ(archive.entryCount(), 2);
    EXPECT_EQ(archive.entry(0)->name(), "ro.txt");
    EXPECT_EQ(archive.entry(0)->mode(), 0444u);
    EXPECT_EQ(archive.entry(1)->mode(), 0666u);
    EXPECT_EQ(archive.entry(1)->modificationTime().toSecsSinceEpoch(), 200);
    EXPECT_EQ(archive.content(archive.entry(1)), QByteArray("wxyz"));
    EXPECT_EQ(archive.content(archive.entry(0)), QByteArray("abc"));

    write("inside.bin", "12345" + read("c.pkg"));
    PackageArchive inside;
    inside.setFileName(path("inside.bin"));
    inside.open(5, true);
    ASSERT_NE(inside.find("rw/x"), nullptr);
    EXPECT_EQ(inside.content(inside.find("rw/x")), QByteArray("wxyz"));
}

TEST_F(PackageArchiveTest, ReadsAVersion1TableInsideTheCompressedContainer)
{
    const QByteArray stream = le32(0x4152C3C8) + le32(1) + version1Record("n", 1048, 2, 0, 5)
                              + "ok";
    write("a.pkg", le32(0x71F5C6B1) + le16(0x0001) + le16(0) + deflateAll(stream));
    PackageArchive archive(path("a.pkg"));
    ASSERT_EQ(archive.entryCount(), 1);
    EXPECT_EQ(archive.content(archive.entry(0)), QByteArray("ok"));
}

TEST_F(PackageArchiveTest, HooksSeeTheOpenedFiles)
{
    class HookedArchive : public PackageArchive
    {
    public:
        int inputs = 0, outputs = 0;

    protected:
        void outputFileOpened(FILE *file) override
        {
            ++outputs;
            fputs("PREFIX", file);  // a hook may write a preamble of its own
        }
        void inputFileOpened(FILE *) override { ++inputs; }
    };
    HookedArchive archive;
    archive.setVersion(2);
    archive.saveAs(path("a.pkg"));
    EXPECT_EQ(archive.outputs, 1);
    EXPECT_TRUE(read("a.pkg").startsWith("PREFIX\xB1\xC6\xF5\x71"));
    archive.setFileName(path("a.pkg"));
    archive.open(6, false);
    EXPECT_EQ(archive.inputs, 1);
}

} // namespace
