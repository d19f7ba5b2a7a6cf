// Every failure message, and hostile input that must fail without crashing or
// allocating what the file cannot hold.
#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivecompressedfile.h"
#include "package/packagearchivefile.h"

namespace {

QByteArray corrupted(QByteArray bytes, int at)
{
    bytes[at] = char(bytes[at] ^ 0x55);
    return bytes;
}

// A valid version-2 zlib archive of one entry "e" holding "content".
const QByteArray goodZlib = version2Archive({{"e", 0100644, "content"}});

// A table that claims four billion entries but holds 2000.
QByteArray hugeCount()
{
    QByteArray stream = le32(0xFFFFFFFF) + QByteArray(16, 0);
    for (int i = 0; i < 2000; ++i)
        stream += version2Record(QByteArray::number(i), 0, 0, 0100644, quint32(i));
    return formA(0, 2, deflateAll(stream));
}

struct BadArchive
{
    const char *name;
    QByteArray bytes;
    const char *message;
};

class PackageArchiveBadOpen : public TempDirTest, public testing::WithParamInterface<BadArchive>
{
};

TEST_P(PackageArchiveBadOpen, ThrowsAndKeepsNoEntries)
{
    write("bad.pkg", GetParam().bytes);
    PackageArchive archive;
    archive.setFileName(path("bad.pkg"));
    EXPECT_THAT([&] { archive.open(0, true); }, throwsMessage(GetParam().message));
    EXPECT_EQ(archive.entryCount(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Messages, PackageArchiveBadOpen,
    testing::Values(
        BadArchive{"Garbage", "this is not an archive", "unsupported package file format"},
        BadArchive{"Empty", "", "unsupported package file format"},
        BadArchive{"Version3", formA(0, 3, deflateAll(QByteArray(20, 0))),
                   "unsupported package file format"},
        BadArchive{"Version0", formA(0, 0, deflateAll(QByteArray(20, 0))),
                   "unsupported package file format"},
        BadArchive{"Algorithm2", formA(2, 2, QByteArray(20, 0)),
                   "unsupported compression algorithm"},
        BadArchive{"LegacyWrongInnerMagic", formB(le32(0x12345678) + le32(0)),
                   "unsupported package file format"},
        BadArchive{"ShortVersion2Header", formA(0, 2, deflateAll(QByteArray(19, 0))),
                   "bad header"},
        BadArchive{"ShortVersion2Record", formA(0, 2, deflateAll(le32(1) + QByteArray(30, 0))),
                   "bad table of contents"},
        BadArchive{"ShortVersion2Name",
                   formA(0, 2, deflateAll(le32(1) + QByteArray(16, 0)
                                          + version2Record("abc", 0, 0, 0, 0).left(20))),
                   "bad table of contents"},
        BadArchive{"ShortVersion1Table", formC(2, version1Record("a", 0, 0, 0, 0)),
                   "bad table of contents"},
        BadArchive{"HugeCountUncompressed", formC(0xFFFFFFFF, QByteArray(100, 0)),
                   "bad table of contents"},
        BadArchive{"EmptyBzip2Stream", formA(1, 2, QByteArray()),
                   "error reading from compressed stream"},
        BadArchive{"HugeCountLegacy", formB(le32(0x4152C3C8) + le32(0xFFFFFFFF)),
                   "bad table of contents"},
        BadArchive{"CorruptZlib", corrupted(goodZlib, 12), "error reading from compressed stream"},
        BadArchive{"TruncatedZlib", goodZlib.left(8 + 6), "error reading stream"},
        BadArchive{"HugeCountAfterRealRecords", hugeCount(), "bad table of contents"},
        BadArchive{"TruncatedAfterRealRecords", hugeCount().left(hugeCount().size() / 2),
                   "error reading stream"},
        BadArchive{"CorruptBzip2", formA(1, 2, "BZh91AY&SYgarbage-garbage-garbage"),
                   "error reading from compressed stream"}),
    [](const auto &info) { return std::string(info.param.name); });

class PackageArchiveFailureTest : public TempDirTest
{
};

TEST_F(PackageArchiveFailureTest, ContentBeyondTheStreamFailsOnRead)
{
    const QByteArray stream = le32(2) + QByteArray(16, 0)
                              + version2Record("big", 56, 0xFFFFFFF0, 0100644, 0)
                              + version2Record("far", 0x7FFFFFF0, 4, 0100644, 0) + "data";
    write("h.pkg", formA(0, 2, deflateAll(stream)));
    write("c.pkg", formC(1, version1Record("v1", 8 + 1040, 1000000, 0, 0) + "abc"));
    write("cut.pkg", goodZlib.left(goodZlib.size() - 6));  // loses the checksum
    const struct
    {
        const char *file;
        int entry;
        const char *message;
    } rows[] = {
        {"h.pkg", 0, "cannot read file big from archive"},
        {"h.pkg", 1, "cannot read file far from archive"},
        {"c.pkg", 0, "cannot read file v1 from archive"},
        {"cut.pkg", 0, "error reading stream"},
    };
    for (const auto &row : rows) {
        PackageArchive archive(path(row.file));
        EXPECT_THAT([&] { archive.content(archive.entry(row.entry)); },
                    throwsMessage(row.message));
    }
}

TEST_F(PackageArchiveFailureTest, FileFailuresNameTheirCulprit)
{
    const auto writer = [](int version, int algorithm) {
        auto archive = std::make_unique<PackageArchive>();
        archive->setVersion(version);
        archive->setCompressionAlgorithm(algorithm);
        return archive;
    };
    auto archive = writer(1, 0);
    archive->setFileName(path("nothing.pkg"));
    EXPECT_THAT([&] { archive->open(); }, throwsMessage(path("nothing.pkg") + " does not exist"));
    archive->setFollowSymbolicLinks(false);
    EXPECT_THAT([&] { archive->addFile(path("none"), "n"); },
                throwsMessage("cannot lstat " + path("none")));
    archive->setFollowSymbolicLinks(true);
    EXPECT_THAT([&] { archive->addFile(path("none"), "n"); },
                throwsMessage("cannot read " + path("none")));
    EXPECT_THAT([&] { archive->saveAs(path("no/such/dir/o.pkg")); },
                throwsMessage("cannot open output file"));

    write("f", "abcdef");
    PackageArchiveFile *entry = archive->addFile(path("f"), "name/in/archive");
    write("f", "ab");
    EXPECT_THAT([&] { archive->saveAs(path("o.pkg")); }, throwsMessage("cannot write file"));
    QFile::remove(path("f"));
    EXPECT_THAT([&] { archive->content(entry); },
                throwsMessage("cannot read file name/in/archive"));

    write("big", QByteArray(200000, 'q'));
    archive = writer(2, PackageArchive::bzip2Algorithm);
    archive->addFile(path("big"), "big");
    EXPECT_THAT([&] { archive->saveAs("/dev/full"); },
                throwsMessage("error writing to compressed stream"));
    EXPECT_THAT([&] { archive->saveAs(path("o.pkg"), 0); },  // bzip2 has no level 0
                throwsMessage("cannot initialise deflate"));
    EXPECT_THAT([&] { writer(2, 5)->saveAs(path("o.pkg")); },
                throwsMessage("unsupported compression algorithm"));
}

// An output stream that accepts only `limit` bytes and then reports short writes.
class LimitedOutput : public PackageArchiveCompressedOutputFile
{
public:
    LimitedOutput(FILE *file, qint64 limit)
        : PackageArchiveCompressedOutputFile(file, 0), m_limit(limit)
    {
    }
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

class LimitedArchive : public PackageArchive
{
public:
    qint64 limit = 0;
    bool unbuffered = false;

protected:
    std::unique_ptr<PackageArchiveCompressedOutputFile>
    createOutputStream(qint32, FILE *file, int) override
    {
        return std::make_unique<LimitedOutput>(file, limit);
    }
    void outputFileOpened(FILE *file) override
    {
        if (unbuffered)
            setvbuf(file, nullptr, _IONBF, 0);
    }
};

TEST_F(PackageArchiveFailureTest, EachWriteStepHasItsMessage)
{
    write("f", "content");
    // Version 2 with one entry "f": 20-byte header, 18-byte record and 1-byte name.
    const struct
    {
        int version;
        qint64 limit;
        const char *message;
    } rows[] = {
        {2, 0, "cannot write header2"},
        {2, 19, "cannot write header2"},
        {2, 20, "cannot write table of contents"},
        {2, 38, "cannot write table of contents"},
        {2, 39, "cannot write file"},
        {2, 45, "cannot write file"},
        {1, 7, "cannot write header2"},
        {1, 8, "cannot write table of contents"},
        {1, 1048, "cannot write file"},
        {1, 1048 + 7, nullptr},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.limit);
        LimitedArchive archive;
        archive.setVersion(row.version);
        archive.addFile(path("f"), "f");
        archive.limit = row.limit;
        if (row.message)
            EXPECT_THAT([&] { archive.saveAs(path("o.pkg")); }, throwsMessage(row.message));
        else
            EXPECT_NO_THROW(archive.saveAs(path("o.pkg")));
    }
    LimitedArchive archive;
    archive.unbuffered = true;  // the full device then refuses the header itself
    EXPECT_THAT([&] { archive.saveAs("/dev/full"); }, throwsMessage("cannot write header"));
}

} // namespace
