#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivebzfile.h"
#include "package/packagearchivefile.h"
#include "package/packagearchivegzfile.h"

#include <QFile>

#include <unistd.h>

namespace {

// An archive that counts its input files and the codec restarts of its input streams
// (each a step back), writes a preamble before an output archive, and with an output
// limit of 0 or more compresses into a stream that takes only that many bytes.
class TestArchive : public PackageArchive
{
public:
    int inputsOpened = 0;
    int restarts = 0;
    const char *preamble = "";
    qint64 outputLimit = -1;

protected:
    template <class Input>
    class CountingInput : public Input
    {
    public:
        CountingInput(FILE *file, int *restarts) : Input(file), m_restarts(restarts) {}
        void startCodec() override
        {
            ++*m_restarts;
            Input::startCodec();
        }

    private:
        int *m_restarts;
    };

    class LimitedOutput : public PackageArchiveCompressedOutputFile
    {
    public:
        LimitedOutput(FILE *file, qint64 limit)
            : PackageArchiveCompressedOutputFile(file, 0), m_limit(limit) {}
        qint64 write(const char *, qint64 size) override
        {
            const qint64 accepted = std::min(size, m_limit);
            m_limit -= accepted;
            return accepted;
        }

    protected:
        void rawWrite(const char *, qint64) override {}
        void startCodec() override {}
        void finishCodec() override {}

    private:
        qint64 m_limit;
    };

    void inputFileOpened(FILE *) override { ++inputsOpened; }
    void outputFileOpened(FILE *file) override
    {
        setvbuf(file, nullptr, _IONBF, 0);  // a full device then refuses the header itself
        fputs(preamble, file);
    }
    std::unique_ptr<PackageArchiveCompressedInputFile> createInputStream(qint32 algorithm,
                                                                         FILE *file) override
    {
        if (algorithm == bzip2Algorithm)
            return std::make_unique<CountingInput<PackageArchiveCompressedBzInputFile>>(
                file, &restarts);
        return std::make_unique<CountingInput<PackageArchiveCompressedGzInputFile>>(file,
                                                                                  &restarts);
    }
    std::unique_ptr<PackageArchiveCompressedOutputFile>
    createOutputStream(qint32 algorithm, FILE *file, int level) override
    {
        if (outputLimit < 0)
            return PackageArchive::createOutputStream(algorithm, file, level);
        return std::make_unique<LimitedOutput>(file, outputLimit);
    }
};

// A text file, a binary file larger than the codecs' buffers (and than bzip2's smallest
// block), an empty file and a read-only file.
QList<StoredEntry> inputs()
{
    QByteArray binary;
    for (int i = 0; i < 100000; ++i)
        binary += char((i * 7919) >> 3);
    return {{"in/text.txt", 0755, "first line\nsecond line\n"},
            {"in/data.bin", 0640, binary},
            {"in/empty", 0644, ""},
            {"in/readonly.txt", 0555, "keep me\n"}};
}

// One saved form: table version, algorithm, level.
struct Form
{
    const char *name;
    int version;
    int algorithm;
    int level;
};

class PackageArchiveRoundTrip : public PackageTest, public testing::WithParamInterface<Form>
{
};

TEST_P(PackageArchiveRoundTrip, ReadsBackInBothDirectionsAndRewritesItself)
{
    const Form &form = GetParam();
    const QList<StoredEntry> files = inputs();
    TestArchive archive;
    archive.setFileName(save("a.pkg", files, form.version, form.algorithm, form.level));
    archive.open();
    EXPECT_EQ(archive.version(), form.version);
    EXPECT_EQ(archive.compressionAlgorithm(), form.version == 1 ? 0 : form.algorithm);
    ASSERT_EQ(archive.entryCount(), files.size());
    // Version 1 keeps only the read-only distinction.
    const quint32 modes[2][4] = {{0666, 0666, 0666, 0444}, {0100755, 0100640, 0100644, 0100555}};
    // Reading in table order never restarts the codec; each step back does.
    const int order[] = {0, 1, 2, 3, 3, 1, 0};
    for (int step = 0; step < 7; ++step) {
        const int i = order[step];
        PackageArchiveFile *entry = archive.entry(i);
        SCOPED_TRACE(step);
        EXPECT_EQ(entry->name(), files[i].name);
        EXPECT_EQ(entry->modificationTime().toSecsSinceEpoch(), fixedTime);
        EXPECT_EQ(entry->mode(), modes[form.version - 1][i]);
        EXPECT_EQ(entry->size(), quint32(files[i].content.size()));
        EXPECT_EQ(archive.content(entry), files[i].content);
        EXPECT_EQ(archive.restarts, std::max(0, step - 3));
    }

    // Written in the other version from its own entries, over the file they come from.
    archive.addFile(put("added", "added\n"), "added");
    archive.setVersion(3 - form.version);
    archive.save();
    EXPECT_FALSE(QFile::exists(path("a.pkg.new")));
    PackageArchive again(path("a.pkg"));
    EXPECT_EQ(again.version(), 3 - form.version);
    ASSERT_EQ(again.entryCount(), 5);
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(again.content(again.entry(i)), files[i].content) << i;
    EXPECT_EQ(again.content(again.find("added")), QByteArray("added\n"));
}

INSTANTIATE_TEST_SUITE_P(
    AllForms, PackageArchiveRoundTrip,
    testing::Values(Form{"Version1Zlib", 1, 0, -1}, Form{"Version1AskedForBzip2", 1, 1, 9},
                    Form{"Version2Zlib", 2, 0, -1}, Form{"Version2ZlibStored", 2, 0, 0},
                    Form{"Version2Bzip2", 2, 1, 1}, Form{"Version2Bzip2Best", 2, 1, 9}),
    [](const auto &info) { return std::string(info.param.name); });

// The entries as "mode name content" lines, the contents read last to first so that
// every read is a step back in the stream.
QByteArray describe(PackageArchive &archive)
{
    QList<QByteArray> lines;
    for (int i = archive.entryCount() - 1; i >= 0; --i) {
        PackageArchiveFile *entry = archive.entry(i);
        lines.prepend(QByteArray::number(entry->mode(), 8) + ' ' + entry->name().toUtf8() + ' '
                      + archive.content(entry));
    }
    return lines.join('\n');
}

// The exact bytes the writer produces, against layouts worked out by hand.
struct Layout
{
    const char *name;
    int version;
    QList<StoredEntry> entries;
    QByteArray header;  // the container header, as hex
    QByteArray stream;  // the decompressed stream
    QByteArray listing; // what describe() reads back
};

class PackageArchiveLayoutTest : public PackageTest, public testing::WithParamInterface<Layout>
{
};

TEST_P(PackageArchiveLayoutTest, WritesTheseBytesAndReadsThemBackFromAnyForm)
{
    const Layout &layout = GetParam();
    const QByteArray file = readFile(save("a.pkg", layout.entries, layout.version));
    const int headerSize = layout.header.size() / 2;
    EXPECT_EQ(file.left(headerSize).toHex(), layout.header);
    EXPECT_EQ(inflateAll(file.mid(headerSize)), layout.stream);
    // A version-1 table reads the same from the two forms that are never written;
    // each form also where it starts inside a larger file.
    QList<QByteArray> forms = {file};
    if (layout.version == 1)
        forms << layout.stream << formA(0, 1, deflateAll(layout.stream));
    for (const QByteArray &form : forms) {
        SCOPED_TRACE(form.left(4).toHex().constData());
        write("b.pkg", form);
        write("inside.bin", "12345" + form + "trailer");
        PackageArchive archive(path("b.pkg")), inside;
        EXPECT_EQ(archive.version(), layout.version);
        EXPECT_EQ(describe(archive), layout.listing);
        inside.setFileName(path("inside.bin"));
        inside.open(5, true);
        EXPECT_EQ(describe(inside), layout.listing);
        EXPECT_TRUE(inside.probe(path("inside.bin"), 5));
        EXPECT_FALSE(inside.probe(path("inside.bin"), 4));
    }
}

const quint32 when = quint32(fixedTime);

// Version 1: the size hint is T + T / 100 + 13 with T = 1040 * count + the content sizes,
// big-endian; the records keep a read-only flag where version 2 keeps the mode.
INSTANTIATE_TEST_SUITE_P(
    Forms, PackageArchiveLayoutTest,
    testing::Values(
        // T = 2080 + 7 = 2087, hint 2087 + 20 + 13 = 2120; contents from 8 + 2080. Any
        // write bit makes an entry writable.
        Layout{"Version1", 1, {{"a", 0444, "hello"}, {"bb", 0460, "xy"}},
               "7af431b2" "01000000" "00000848",
               formC(2, version1Record("a", 2088, 5, 1, when)
                            + version1Record("bb", 2093, 2, 0, when) + "helloxy"),
               "444 a hello\n666 bb xy"},
        Layout{"Version1Empty", 1, {}, "7af431b2" "01000000" "0000000d", formC(0, ""), ""},
        // Contents from 20 + 3 * 18 + 2 + 1 + 3 = 80, back to back.
        Layout{"Version2", 2, {{"xx", 0444, "12345"}, {"y", 0644, ""}, {"zzz", 0755, "abc"}},
               "b1c6f571" "0200" "0000",
               le32(3) + QByteArray(16, 0) + version2Record("xx", 80, 5, 0100444, when)
                   + version2Record("y", 85, 0, 0100644, when)
                   + version2Record("zzz", 85, 3, 0100755, when) + "12345abc",
               "100444 xx 12345\n100644 y \n100755 zzz abc"},
        Layout{"Version2Empty", 2, {}, "b1c6f571" "0200" "0000", QByteArray(20, 0), ""}),
    [](const auto &info) { return std::string(info.param.name); });

class PackageArchiveTest : public PackageTest
{
};

TEST_F(PackageArchiveTest, LevelRuleMapsNegativeToSevenAndCapsAtNine)
{
    const auto saveOne = [this](const QString &name, int algorithm, int level) {
        return readFile(save(name, {{"a", 0444, "hello"}}, 2, algorithm, level));
    };
    // zlib's second header byte carries the level class: 0x01 fastest, 0x9c default
    // (6), 0xda for 7 to 9. bzip2 names its block size, which is the level; its
    // algorithm sits in the top bits of the version word.
    EXPECT_EQ(saveOne("a", 0, -1).mid(8, 2).toHex(), QByteArray("78da"));
    EXPECT_EQ(saveOne("b", 0, 6).mid(8, 2).toHex(), QByteArray("789c"));
    EXPECT_EQ(saveOne("c", 0, 1).mid(8, 2).toHex(), QByteArray("7801"));
    EXPECT_EQ(saveOne("d", 0, 12), saveOne("e", 0, 9));
    EXPECT_EQ(saveOne("f", 1, -1).mid(8, 4), QByteArray("BZh7"));
    EXPECT_EQ(saveOne("g", 1, 12).left(12), QByteArray("\xB1\xC6\xF5\x71\x02\x10\0\0BZh9", 12));
    EXPECT_EQ(saveOne("h", 1, 3).mid(8, 4), QByteArray("BZh3"));
}

TEST_F(PackageArchiveTest, NameLimitsOfBothVersions)
{
    // Version 1 keeps a NUL in its 1024-byte field; version 2 counts in 16 bits.
    write("f", "x");
    for (const auto &[version, longest] : {std::pair{1, 1023}, std::pair{2, 65535}}) {
        SCOPED_TRACE(version);
        PackageArchive archive;
        archive.setVersion(version);
        archive.addFile(path("f"), QString(longest, 'n'));
        EXPECT_NO_THROW(archive.saveAs(path("ok.pkg")));
        EXPECT_EQ(PackageArchive(path("ok.pkg")).entry(0)->name(), QString(longest, 'n'));
        archive.addFile(path("f"), QString(longest + 1, 'n'));
        EXPECT_THAT([&] { archive.saveAs(path("bad.pkg")); }, throwsMessage("filename too long"));
    }
}

TEST_F(PackageArchiveTest, EachWriteStepHasItsMessage)
{
    write("f", "content");
    // Version 2 with one entry "f": 20-byte header, 18-byte record and 1-byte name;
    // version 1: 8-byte inner header and a 1040-byte record.
    const struct
    {
        int version;
        qint64 limit;
        const char *message;
    } rows[] = {
        {2, 0, "cannot write header2"}, {2, 19, "cannot write header2"},
        {2, 20, "cannot write table of contents"}, {2, 38, "cannot write table of contents"},
        {2, 39, "cannot write file"}, {2, 45, "cannot write file"},
        {1, 7, "cannot write header2"}, {1, 8, "cannot write table of contents"},
        {1, 1048, "cannot write file"}, {1, 1048 + 7, nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.limit);
        TestArchive archive;
        archive.setVersion(row.version);
        archive.addFile(path("f"), "f");
        archive.outputLimit = row.limit;
        if (row.message)
            EXPECT_THAT([&] { archive.saveAs(path("o.pkg")); }, throwsMessage(row.message));
        else
            EXPECT_NO_THROW(archive.saveAs(path("o.pkg")));
    }
    EXPECT_THAT([&] { TestArchive().saveAs("/dev/full"); }, throwsMessage("cannot write header"));
}

TEST_F(PackageArchiveTest, HooksSeeTheOpenedFiles)
{
    TestArchive archive;
    archive.preamble = "PREFIX";
    archive.saveAs(path("a.pkg"));
    EXPECT_TRUE(read("a.pkg").startsWith("PREFIX\x7A\xF4\x31\xB2"));
    archive.setFileName(path("a.pkg"));
    archive.open(6, false);
    EXPECT_EQ(archive.inputsOpened, 1);
}

TEST_F(PackageArchiveTest, FindsByNameWithAndWithoutIndex)
{
    save("a.pkg", {{"b/x", 0644, "1"}, {"a", 0644, "2"}, {"c", 0644, "3"}, {"b/a", 0644, "4"}});
    for (bool indexed : {false, true}) {
        SCOPED_TRACE(indexed);
        PackageArchive archive;
        archive.setFileName(path("a.pkg"));
        archive.open(0, indexed);
        for (const char *name : {"b/x", "a", "c", "b/a"}) {
            ASSERT_NE(archive.find(name), nullptr) << name;
            EXPECT_EQ(archive.find(name)->name(), name);
        }
        EXPECT_EQ(archive.content(archive.find("c")), QByteArray("3"));
        for (const char *absent : {"b", "d", ""})
            EXPECT_EQ(archive.find(absent), nullptr) << absent;
    }
}

TEST_F(PackageArchiveTest, MatchesWholeNamesAndUpdatesAnAddedNameInPlace)
{
    PackageArchive archive;
    for (const char *name : {"lib/a.o", "lib/b.a", "inc/a.h", "lib/sub/c.a"})
        archive.addFile(put("f", "x"), name);
    const char *const matches[][2] = {{"*.a", "lib/b.a"}, {"lib/*/?.a", "lib/sub/c.a"},
                                      {"inc/[ab].h", "inc/a.h"}};
    for (const auto &match : matches) {
        ASSERT_NE(archive.findFirstMatching(match[0]), nullptr) << match[0];
        EXPECT_EQ(archive.findFirstMatching(match[0])->name(), match[1]);
    }
    EXPECT_EQ(archive.findFirstMatching("a.o"), nullptr);   // whole name only
    EXPECT_EQ(archive.findFirstMatching("LIB/*"), nullptr); // case-sensitive
    archive.addFile(put("two", "22", 0600, 100), "lib/a.o");
    ASSERT_EQ(archive.entryCount(), 4);
    EXPECT_EQ(archive.entry(0)->size(), 2u);
    EXPECT_EQ(archive.entry(0)->mode(), 0100600u);
    EXPECT_EQ(archive.entry(0)->modificationTime().toSecsSinceEpoch(), 100);
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
        EXPECT_EQ(archive.content(entry), follow ? QByteArray("the target\n")
                                                 : QByteArray("target.txt"));
        EXPECT_EQ(entry->mode() & 0xF000, follow ? 0x8000u : 0xA000u);
        archive.extractIntoDirectory(entry, path(follow ? "followed" : "kept"), false);
    }
    EXPECT_EQ(read("followed/link"), QByteArray("the target\n"));
    EXPECT_EQ(statusOf(path("followed/link")).st_mode & 0xF000, 0x8000u);
    EXPECT_EQ(QFile::symLinkTarget(path("kept/link")), path("kept/target.txt"));
}

} // namespace
