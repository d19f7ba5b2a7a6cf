#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivebzfile.h"
#include "package/packagearchivefile.h"
#include "package/packagearchivegzfile.h"

#include <QFile>

#include <unistd.h>

namespace {

// An archive that counts its input files and the codec restarts of its input streams
// (each a step back), and with an output limit of 0 or more compresses into a stream
// that takes only that many bytes.
class TestArchive : public PackageArchive
{
public:
    int inputsOpened = 0;
    int restarts = 0;
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

    class LimitedOutput : public PackageArchiveCompressedGzOutputFile
    {
    public:
        LimitedOutput(FILE *file, qint64 limit)
            : PackageArchiveCompressedGzOutputFile(file, 0), m_limit(limit) {}
        qint64 write(const char *data, qint64 size) override
        {
            const qint64 accepted = std::min(size, m_limit);
            m_limit -= accepted;
            return PackageArchiveCompressedGzOutputFile::write(data, accepted);
        }

    private:
        qint64 m_limit;
    };

    void inputFileOpened(FILE *) override { ++inputsOpened; }
    void outputFileOpened(FILE *file) override
    {
        setvbuf(file, nullptr, _IONBF, 0);  // a full device then refuses the header itself
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

// One saved form: table version, algorithm, level, and the codec's header, which follows
// the container's: zlib's second byte gives the level class (0x01 fastest, 0xda 7 to 9),
// bzip2 names its block size, which is the level.
struct Form
{
    const char *name;
    int version;
    int algorithm;
    int level;
    const char *codecHeader;
};

using PackageArchiveRoundTrip = PackageTableTest<Form>;

TEST_P(PackageArchiveRoundTrip, ReadsBackInBothDirectionsAndRewritesItself)
{
    // A text file, a binary file larger than the codecs' buffers (and than bzip2's
    // smallest block), an empty file and a read-only file.
    QByteArray binary;
    for (int i = 0; i < 100000; ++i)
        binary += char((i * 7919) >> 3);
    const QList<StoredEntry> files = {{"in/text.txt", 0755, "first line\nsecond line\n"},
                                      {"in/data.bin", 0640, binary},
                                      {"in/empty", 0644, ""},
                                      {"in/readonly.txt", 0555, "keep me\n"}};
    const Form &form = GetParam();
    TestArchive archive;
    archive.setFileName(save("a.pkg", files, form.version, form.algorithm, form.level));
    const QByteArray file = readFile(path("a.pkg"));
    const QByteArray codec = form.codecHeader;
    const QByteArray container = form.version == 1 ? file.left(12) : formA(form.algorithm, 2, "");
    EXPECT_EQ(file.left(container.size() + codec.size()), container + codec);
    archive.open();
    EXPECT_EQ(archive.inputsOpened, 1);
    EXPECT_EQ(archive.version(), form.version);
    EXPECT_EQ(archive.compressionAlgorithm(), form.version == 1 ? 0 : form.algorithm);
    ASSERT_EQ(archive.entryCount(), files.size());
    // Reading in table order never restarts the codec; each step back does.
    const int order[] = {0, 1, 2, 3, 3, 1, 0};
    for (int step = 0; step < 7; ++step) {
        SCOPED_TRACE(step);
        PackageArchiveFile *entry = archive.entry(order[step]);
        EXPECT_EQ(entry->name(), files[order[step]].name);
        EXPECT_EQ(archive.content(entry), files[order[step]].content);
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

// A negative level means 7, one above 9 means 9.
const Form forms[] = {
    {"Version1Zlib", 1, 0, -1, "\x78\xda"},
    {"Version1AskedForBzip2", 1, 1, 1, "\x78\x01"},
    {"Version2Zlib", 2, 0, -1, "\x78\xda"},
    {"Version2ZlibStored", 2, 0, 0, "\x78\x01"},
    {"Version2ZlibBeyondNine", 2, 0, 12, "\x78\xda"},
    {"Version2Bzip2", 2, 1, -1, "BZh7"},
    {"Version2Bzip2Fastest", 2, 1, 1, "BZh1"},
    {"Version2Bzip2BeyondNine", 2, 1, 12, "BZh9"},
};
INSTANTIATE_TEST_SUITE_P(All, PackageArchiveRoundTrip, testing::ValuesIn(forms), rowName<Form>);

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

using PackageArchiveLayoutTest = PackageTableTest<Layout>;

TEST_P(PackageArchiveLayoutTest, WritesTheseBytesAndReadsThemBackFromAnyForm)
{
    const Layout &layout = GetParam();
    const QByteArray file = readFile(save("a.pkg", layout.entries, layout.version));
    const int headerSize = layout.header.size() / 2;
    EXPECT_EQ(file.left(headerSize).toHex(), layout.header);
    EXPECT_EQ(inflateAll(file.mid(headerSize)), layout.stream);
    // A version-1 table reads the same from the two forms that are never written; each
    // form is read where it starts inside a larger file.
    QList<QByteArray> forms = {file};
    if (layout.version == 1)
        forms << layout.stream << formA(0, 1, deflateAll(layout.stream));
    for (const QByteArray &form : forms) {
        SCOPED_TRACE(form.left(4).toHex().constData());
        write("inside.bin", "12345" + form + "trailer");
        PackageArchive inside;
        inside.setFileName(path("inside.bin"));
        inside.open(5, true);
        EXPECT_EQ(inside.version(), layout.version);
        EXPECT_EQ(describe(inside), layout.listing);
        EXPECT_TRUE(inside.probe(path("inside.bin"), 5));
        EXPECT_FALSE(inside.probe(path("inside.bin"), 4));
    }
}

const quint32 when = quint32(fixedTime);

// Version 1: the size hint is T + T / 100 + 13 with T = 1040 * count + the content sizes,
// big-endian; the records keep a read-only flag where version 2 keeps the mode.
const Layout layouts[] = {
    // T = 2080 + 7 = 2087, hint 2087 + 20 + 13 = 2120; contents from 8 + 2080. Any write
    // bit makes an entry writable.
    {"Version1", 1, {{"a", 0444, "hello"}, {"bb", 0460, "xy"}},
     "7af431b2" "01000000" "00000848",
     formC(2, version1Record("a", 2088, 5, 1, when) + version1Record("bb", 2093, 2, 0, when)
                  + "helloxy"),
     "444 a hello\n666 bb xy"},
    {"Version1Empty", 1, {}, "7af431b2" "01000000" "0000000d", formC(0, ""), ""},
    // Contents from 20 + 3 * 18 + 2 + 1 + 3 = 80, back to back.
    {"Version2", 2, {{"xx", 0444, "12345"}, {"y", 0644, ""}, {"zzz", 0755, "abc"}},
     "b1c6f571" "0200" "0000",
     le32(3) + QByteArray(16, 0) + version2Record("xx", 80, 5, 0100444, when)
         + version2Record("y", 85, 0, 0100644, when)
         + version2Record("zzz", 85, 3, 0100755, when) + "12345abc",
     "100444 xx 12345\n100644 y \n100755 zzz abc"},
    {"Version2Empty", 2, {}, "b1c6f571" "0200" "0000", QByteArray(20, 0), ""},
};
INSTANTIATE_TEST_SUITE_P(All, PackageArchiveLayoutTest, testing::ValuesIn(layouts),
                         rowName<Layout>);

using PackageArchiveTest = PackageTest;

TEST_F(PackageArchiveTest, EachWriteStepHasItsMessage)
{
    write("f", "content");
    // Version 2 with a 1-byte name: 20-byte header, 18-byte record and the name;
    // version 1: 8-byte inner header and a 1040-byte record. The output takes `limit`
    // bytes (all when negative). A version-1 name keeps a NUL in its 1024-byte field; a
    // version-2 name length has 16 bits.
    const struct { int version; int nameSize; qint64 limit; const char *message; } rows[] = {
        {2, 1, 19, "cannot write header2"},
        {2, 1, 20, "cannot write table of contents"},
        {2, 1, 38, "cannot write table of contents"},
        {2, 1, 45, "cannot write file"},
        {1, 1, 7, "cannot write header2"},
        {1, 1, 8, "cannot write table of contents"},
        {1, 1, 1048 + 7, nullptr},
        {1, 1023, -1, nullptr},
        {1, 1024, -1, "filename too long"},
        {2, 65535, -1, nullptr},
        {2, 65536, -1, "filename too long"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(testing::Message() << row.version << ' ' << row.nameSize << ' ' << row.limit);
        const QString name(row.nameSize, 'n');
        TestArchive archive;
        archive.setVersion(row.version);
        archive.addFile(path("f"), name);
        archive.outputLimit = row.limit;
        if (row.message) {
            EXPECT_THAT([&] { archive.saveAs(path("o.pkg")); }, throwsMessage(row.message));
        } else {
            archive.saveAs(path("o.pkg"));
            EXPECT_EQ(PackageArchive(path("o.pkg")).entry(0)->name(), name);
        }
    }
    EXPECT_THAT([&] { TestArchive().saveAs("/dev/full"); }, throwsMessage("cannot write header"));
}

TEST_F(PackageArchiveTest, FindsMatchesAndUpdatesByWholeName)
{
    const char *const names[] = {"lib/a.o", "lib/b.a", "inc/a.h", "lib/sub/c.a"};
    QList<StoredEntry> entries;
    for (const char *name : names)
        entries.append({name, 0644, name});
    save("a.pkg", entries);
    const auto nameOf = [](const PackageArchiveFile *entry) {
        return entry ? entry->name() : QString("none");
    };
    // Whole names only, case-sensitive, the first in table order.
    const char *const matches[][2] = {
        {"*.a", "lib/b.a"},
        {"lib/*/?.a", "lib/sub/c.a"},
        {"inc/[ab].h", "inc/a.h"},
        {"a.o", "none"},
        {"LIB/*", "none"},
    };
    for (bool indexed : {false, true}) {
        SCOPED_TRACE(indexed);
        PackageArchive archive;
        archive.setFileName(path("a.pkg"));
        archive.open(0, indexed);
        for (const char *name : names)
            EXPECT_EQ(nameOf(archive.find(name)), name);
        for (const char *absent : {"lib", "", "z"})
            EXPECT_EQ(nameOf(archive.find(absent)), "none") << absent;
        for (const auto &match : matches)
            EXPECT_EQ(nameOf(archive.findFirstMatching(match[0])), match[1]) << match[0];
        // Adding an existing name replaces that entry in place; a new name is appended.
        archive.addFile(put("two", "22", 0600, 100), "lib/a.o");
        archive.addFile(path("two"), "new");
        ASSERT_EQ(archive.entryCount(), 5);
        EXPECT_EQ(archive.find("new"), archive.entry(4));
        const PackageArchiveFile *updated = archive.entry(0);
        EXPECT_EQ(updated->size(), 2u);
        EXPECT_EQ(updated->mode(), 0100600u);
        EXPECT_EQ(updated->modificationTime().toSecsSinceEpoch(), 100);
        EXPECT_EQ(archive.content(archive.entry(0)), QByteArray("22"));
    }
}

TEST_F(PackageArchiveTest, LinksAreStoredAsLinksOnlyWithoutFollowing)
{
    write("target.txt", "the target\n");
    ASSERT_EQ(symlink("target.txt", QFile::encodeName(path("link")).constData()), 0);
    for (bool follow : {true, false}) {
        PackageArchive writer;
        writer.setVersion(2);
        writer.setFollowSymbolicLinks(follow);
        writer.addFile(path("link"), "link");
        writer.saveAs(path("a.pkg"));
        PackageArchive(path("a.pkg")).extractAll(path(follow ? "followed" : "kept"), false);
    }
    EXPECT_EQ(read("followed/link"), QByteArray("the target\n"));
    EXPECT_TRUE(S_ISREG(statusOf(path("followed/link")).st_mode));
    EXPECT_EQ(QFile::symLinkTarget(path("kept/link")), path("kept/target.txt"));
}

} // namespace
