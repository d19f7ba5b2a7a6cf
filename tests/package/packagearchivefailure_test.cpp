// Every failure message, and hostile input that must fail without crashing or
// allocating what the file cannot hold.
#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivefile.h"
#include "package/packagearchivebzfile.h"
#include "package/packagearchivecompressedfile.h"

#include <sys/stat.h>

namespace {

using testing::StrEq;
using testing::ThrowsMessage;

QByteArray formA(int algorithm, int version, const QByteArray &stream)
{
    return le32(0x71F5C6B1) + le16(quint32(algorithm << 12 | version)) + le16(0) + stream;
}

QByteArray formB(const QByteArray &stream)
{
    return le32(0xB231F47A) + le32(1) + be32(0) + deflateAll(stream);
}

QByteArray formC(const QByteArray &tableAndContents, quint32 count)
{
    return le32(0x4152C3C8) + le32(count) + tableAndContents;
}

// A valid version-2 zlib archive of one entry "e" holding "content".
QByteArray oneEntryStream()
{
    return le32(1) + QByteArray(16, 0) + version2Record("e", 39, 7, 0100644, 0) + "content";
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
    EXPECT_THAT([&] { archive.open(0, true); },
                ThrowsMessage<HException>(StrEq(GetParam().message)));
    EXPECT_EQ(archive.entryCount(), 0);
}

QByteArray corrupted(QByteArray bytes, int at)
{
    bytes[at] = char(bytes[at] ^ 0x55);
    return bytes;
}

const QByteArray goodZlib = formA(0, 2, deflateAll(oneEntryStream()));

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
        BadArchive{"ShortVersion1Table", formC(version1Record("a", 0, 0, 0, 0), 2),
                   "bad table of contents"},
        BadArchive{"HugeCountUncompressed", formC(QByteArray(100, 0), 0xFFFFFFFF),
                   "bad table of contents"},
        BadArchive{"EmptyBzip2Stream", formA(1, 2, QByteArray()),
                   "error reading from compressed stream"},
        BadArchive{"HugeCountLegacy", formB(le32(0x4152C3C8) + le32(0xFFFFFFFF)),
                   "bad table of contents"},
        BadArchive{"CorruptZlib", corrupted(goodZlib, 12), "error reading from compressed stream"},
        BadArchive{"TruncatedZlib", goodZlib.left(8 + 6), "error reading stream"},
        BadArchive{"CorruptBzip2", formA(1, 2, "BZh91AY&SYgarbage-garbage-garbage"),
                   "error reading from compressed stream"}),
    [](const auto &info) { return std::string(info.param.name); });

class PackageArchiveFailureTest : public TempDirTest
{
};

TEST_F(PackageArchiveFailureTest, MissingArchiveNamesThePath)
{
    PackageArchive archive;
    archive.setFileName(path("nothing.pkg"));
    EXPECT_THAT([&] { archive.open(); },
                ThrowsMessage<HException>(StrEq((path("nothing.pkg") + " does not exist")
                                                    .toStdString())));
}

// A bzip2 archive whose table claims four billion entries but holds 2000.
QByteArray hugeCountBzip2(const QString &scratch)
{
    QByteArray stream = le32(0xFFFFFFFF) + QByteArray(16, 0);
    for (int i = 0; i < 2000; ++i)
        stream += version2Record(QByteArray::number(i), 0, 0, 0100644, quint32(i));
    FILE *file = fopen(QFile::encodeName(scratch).constData(), "wb");
    {
        PackageArchiveCompressedBzOutputFile out(file, 9);
        EXPECT_EQ(out.write(stream.constData(), stream.size()), stream.size());
        out.close();
    }
    fclose(file);
    return formA(1, 2, readFile(scratch));
}

TEST_F(PackageArchiveFailureTest, HugeCountFailsAfterTheRealRecords)
{
    const QByteArray archiveBytes = hugeCountBzip2(path("scratch"));
    const struct
    {
        const char *name;
        QByteArray bytes;
        const char *message;
    } cases[] = {
        {"complete", archiveBytes, "bad table of contents"},
        {"truncated", archiveBytes.left(archiveBytes.size() / 2),
         "error reading from compressed stream"},
    };
    for (const auto &row : cases) {
        SCOPED_TRACE(row.name);
        write("huge.pkg", row.bytes);
        PackageArchive archive;
        archive.setFileName(path("huge.pkg"));
        EXPECT_THAT([&] { archive.open(); }, ThrowsMessage<HException>(StrEq(row.message)));
        EXPECT_EQ(archive.entryCount(), 0);
    }
}

TEST_F(PackageArchiveFailureTest, SizesBeyondTheStreamFailOnRead)
{
    const QByteArray stream = le32(2) + QByteArray(16, 0)
                              + version2Record("big", 56, 0xFFFFFFF0, 0100644, 0)
                              + version2Record("far", 0x7FFFFFF0, 4, 0100644, 0) + "data";
    write("h.pkg", formA(0, 2, deflateAll(stream)));
    PackageArchive archive(path("h.pkg"));
    ASSERT_EQ(archive.entryCount(), 2);
    EXPECT_THAT([&] { archive.content(archive.entry(0)); },
                ThrowsMessage<HException>(StrEq("cannot read file big from archive")));
    EXPECT_THAT([&] { archive.content(archive.entry(1)); },
                ThrowsMessage<HException>(StrEq("cannot read file far from archive")));
    write("c.pkg", formC(version1Record("v1", 8 + 1040, 1000000, 0, 0) + "abc", 1));
    PackageArchive uncompressed(path("c.pkg"));
    EXPECT_THAT([&] { uncompressed.content(uncompressed.entry(0)); },
                ThrowsMessage<HException>(StrEq("cannot read file v1 from archive")));
}

TEST_F(PackageArchiveFailureTest, AddFileReportsThePath)
{
    PackageArchive archive;
    archive.setFollowSymbolicLinks(false);
    EXPECT_THAT([&] { archive.addFile(path("none"), "n"); },
                ThrowsMessage<HException>(StrEq(("cannot lstat " + path("none")).toStdString())));
    archive.setFollowSymbolicLinks(true);
    EXPECT_THAT([&] { archive.addFile(path("none"), "n"); },
                ThrowsMessage<HException>(StrEq(("cannot read " + path("none")).toStdString())));
}

TEST_F(PackageArchiveFailureTest, ContentOfAVanishedDiskFile)
{
    write("f", "abc");
    PackageArchive archive;
    PackageArchiveFile *entry = archive.addFile(path("f"), "name/in/archive");
    QFile::remove(path("f"));
    EXPECT_THAT([&] { archive.content(entry); },
                ThrowsMessage<HException>(StrEq("cannot read file name/in/archive")));
}

TEST_F(PackageArchiveFailureTest, ShrunkenDiskFileCannotBeWritten)
{
    write("f", "abcdef");
    PackageArchive archive;
    archive.addFile(path("f"), "f");
    write("f", "ab");
    EXPECT_THAT([&] { archive.saveAs(path("o.pkg")); },
                ThrowsMessage<HException>(StrEq("cannot write file")));
}

TEST_F(PackageArchiveFailureTest, OutputThatCannotBeOpened)
{
    PackageArchive archive;
    EXPECT_THAT([&] { archive.saveAs(path("no/such/dir/o.pkg")); },
                ThrowsMessage<HException>(StrEq("cannot open output file")));
}

TEST_F(PackageArchiveFailureTest, FullDeviceFailsTheCompressedWrite)
{
    write("f", QByteArray(200000, 'q'));
    PackageArchive archive;
    archive.setVersion(2);
    archive.setCompressionAlgorithm(PackageArchive::bzip2Algorithm);
    archive.addFile(path("f"), "f");
    EXPECT_THAT([&] { archive.saveAs("/dev/full"); },
                ThrowsMessage<HException>(StrEq("error writing to compressed stream")));
}

TEST_F(PackageArchiveFailureTest, Bzip2HasNoLevelZero)
{
    PackageArchive archive;
    archive.setVersion(2);
    archive.setCompressionAlgorithm(PackageArchive::bzip2Algorithm);
    EXPECT_THAT([&] { archive.saveAs(path("o.pkg"), 0); },
                ThrowsMessage<HException>(StrEq("cannot initialise deflate")));
}

TEST_F(PackageArchiveFailureTest, UnknownAlgorithmCannotBeWritten)
{
    PackageArchive archive;
    archive.setVersion(2);
    archive.setCompressionAlgorithm(5);
    EXPECT_THAT([&] { archive.saveAs(path("o.pkg")); },
                ThrowsMessage<HException>(StrEq("unsupported compression algorithm")));
}

} // namespace

namespace {

TEST(PackageArchiveTruncation, ContentCutShortByTheFileEnd)
{
    QTemporaryDir dir;
    const QByteArray whole = goodZlib;
    writeFile(dir.path() + "/cut.pkg", whole.left(whole.size() - 6));  // loses the checksum
    PackageArchive archive(dir.path() + "/cut.pkg");
    ASSERT_EQ(archive.entryCount(), 1);
    EXPECT_THAT([&] { archive.content(archive.entry(0)); },
                ThrowsMessage<HException>(StrEq("error reading stream")));
}

} // namespace

namespace {

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

TEST(PackageArchiveWriteFailure, EachStepHasItsMessage)
{
    QTemporaryDir dir;
    writeFile(dir.path() + "/f", "content");
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
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row.limit);
        LimitedArchive archive;
        archive.setVersion(row.version);
        archive.addFile(dir.path() + "/f", "f");
        archive.limit = row.limit;
        EXPECT_THAT([&] { archive.saveAs(dir.path() + "/o.pkg"); },
                    ThrowsMessage<HException>(StrEq(row.message)));
    }
    LimitedArchive complete;
    complete.limit = 1048 + 7;
    complete.addFile(dir.path() + "/f", "f");
    EXPECT_NO_THROW(complete.saveAs(dir.path() + "/o.pkg"));
}

TEST(PackageArchiveWriteFailure, HeaderThatCannotBeWritten)
{
    LimitedArchive archive;
    archive.unbuffered = true;  // the full device then refuses the header itself
    EXPECT_THAT([&] { archive.saveAs("/dev/full"); },
                ThrowsMessage<HException>(StrEq("cannot write header")));
}

} // namespace
