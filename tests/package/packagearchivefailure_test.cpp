// Every failure message, and hostile input that must fail without crashing or
// allocating what the file cannot hold.
#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivefile.h"

namespace {

// A valid version-2 zlib archive of one entry "e" holding "content", and the same with
// one byte of its zlib stream flipped.
const QByteArray goodZlib = version2Archive({{"e", 0100644, "content"}});
const QByteArray corruptZlib = QByteArray(goodZlib).replace(12, 1, "\x55");

// A version-2 zlib stream of the table header's 20 bytes (count first) and `rest`.
QByteArray version2(quint32 count, const QByteArray &rest = QByteArray())
{
    return formA(0, 2, deflateAll(le32(count) + QByteArray(16, 0) + rest));
}

// A table that claims four billion entries but holds 2000.
QByteArray hugeCount()
{
    QByteArray records;
    for (int i = 0; i < 2000; ++i)
        records += version2Record(QByteArray::number(i), 0, 0, 0100644, quint32(i));
    return version2(0xFFFFFFFF, records);
}

// Contents that lie beyond the end of the stream, and a size no stream could hold.
const QByteArray farContents = version2(2, version2Record("big", 56, 0xFFFFFFF0, 0, 0)
                                               + version2Record("far", 0x7FFFFFF0, 4, 0, 0)
                                               + "data");

// A version-1 table, which a compressed container declaring version 0 must not be read as.
const QByteArray innerTable = deflateAll(formC(0, ""));
constexpr int onOpen = -1;
const char *const unsupported = "unsupported package file format";
const char *const badTable = "bad table of contents";
const char *const badStream = "error reading from compressed stream";
const char *const shortStream = "error reading stream";

struct BadArchive
{
    const char *name;
    QByteArray bytes;
    int entry;  // whose content fails, or onOpen
    const char *message;
};

using PackageArchiveBadFile = PackageTableTest<BadArchive>;

TEST_P(PackageArchiveBadFile, FailsWithItsMessage)
{
    const BadArchive &bad = GetParam();
    write("bad.pkg", bad.bytes);
    PackageArchive archive;
    archive.setFileName(path("bad.pkg"));
    if (bad.entry == onOpen) {
        EXPECT_THAT([&] { archive.open(0, true); }, throwsMessage(bad.message));
        EXPECT_EQ(archive.entryCount(), 0);
    } else {
        archive.open(0, true);
        EXPECT_THAT([&] { archive.content(archive.entry(bad.entry)); },
                    throwsMessage(bad.message));
    }
    // Probing looks at the container only.
    const bool recognised = !QByteArray(bad.message).startsWith("unsupported");
    EXPECT_EQ(PackageArchive().probe(path("bad.pkg")), recognised);
}

const BadArchive badArchives[] = {
    {"Garbage", "this is not an archive", onOpen, unsupported},
    {"Empty", "", onOpen, unsupported},
    {"SevenBytes", QByteArray("\xC8\xC3\x52\x41\0\0\0", 7), onOpen, unsupported},
    {"Version3", formA(0, 3, innerTable), onOpen, unsupported},
    {"Version0", formA(0, 0, innerTable), onOpen, unsupported},
    {"Version258", formA(0, 258, innerTable), onOpen, unsupported},
    {"Algorithm2", formA(2, 2, QByteArray(20, 0)), onOpen, "unsupported compression algorithm"},
    {"LegacyWrongInnerMagic", formB(le32(0x12345678) + le32(0)), onOpen, unsupported},
    {"ShortVersion2Header", formA(0, 2, deflateAll(QByteArray(19, 0))), onOpen, "bad header"},
    {"ShortVersion2Record", version2(1, QByteArray(14, 0)), onOpen, badTable},
    {"ShortVersion2Name", version2(1, version2Record("abc", 0, 0, 0, 0).left(20)),
     onOpen, badTable},
    {"ShortVersion1Table", formC(2, version1Record("a", 0, 0, 0, 0)), onOpen, badTable},
    {"HugeCountUncompressed", formC(0xFFFFFFFF, QByteArray(100, 0)), onOpen, badTable},
    {"HugeCountLegacy", formB(le32(0x4152C3C8) + le32(0xFFFFFFFF)), onOpen, badTable},
    {"HugeCountAfterRealRecords", hugeCount(), onOpen, badTable},
    {"TruncatedAfterRealRecords", hugeCount().left(hugeCount().size() / 2), onOpen, shortStream},
    {"EmptyBzip2Stream", formA(1, 2, QByteArray()), onOpen, badStream},
    {"CorruptBzip2", formA(1, 2, "BZh91AY&SYgarbage-garbage"), onOpen, badStream},
    {"CorruptZlib", corruptZlib, onOpen, badStream},
    {"TruncatedZlib", goodZlib.left(8 + 6), onOpen, shortStream},
    {"ZlibWithoutChecksum", goodZlib.left(goodZlib.size() - 6), 0, shortStream},
    {"SizeBeyondTheStream", farContents, 0, "cannot read file big from archive"},
    {"OffsetBeyondTheStream", farContents, 1, "cannot read file far from archive"},
    {"Version1SizeBeyondTheFile", formC(1, version1Record("v1", 8 + 1040, 1000000, 0, 0) + "abc"),
     0, "cannot read file v1 from archive"},
};
INSTANTIATE_TEST_SUITE_P(All, PackageArchiveBadFile, testing::ValuesIn(badArchives),
                         rowName<BadArchive>);

using PackageArchiveFailureTest = PackageTest;

TEST_F(PackageArchiveFailureTest, FileFailuresNameTheirCulprit)
{
    PackageArchive archive;
    archive.setFileName(path("nothing.pkg"));
    EXPECT_THAT([&] { archive.open(); }, throwsMessage(path("nothing.pkg") + " does not exist"));
    EXPECT_FALSE(archive.probe(path("nothing.pkg")));
    archive.setFollowSymbolicLinks(false);
    EXPECT_THAT([&] { archive.addFile(path("none"), "n"); },
                throwsMessage("cannot lstat " + path("none")));
    archive.setFollowSymbolicLinks(true);
    EXPECT_THAT([&] { archive.addFile(path("none"), "n"); },
                throwsMessage("cannot read " + path("none")));
    EXPECT_THAT([&] { archive.saveAs(path("no/such/dir/o.pkg")); },
                throwsMessage("cannot open output file"));

    PackageArchiveFile *entry = archive.addFile(put("f", "abcdef"), "name/in/archive");
    write("f", "ab");
    EXPECT_THAT([&] { archive.saveAs(path("o.pkg")); }, throwsMessage("cannot write file"));
    QFile::remove(path("f"));
    EXPECT_THAT([&] { archive.content(entry); },
                throwsMessage("cannot read file name/in/archive"));

    PackageArchive bzip2;
    bzip2.setVersion(2);
    bzip2.setCompressionAlgorithm(PackageArchive::bzip2Algorithm);
    bzip2.addFile(put("big", QByteArray(200000, 'q')), "big");
    EXPECT_THAT([&] { bzip2.saveAs("/dev/full"); },
                throwsMessage("error writing to compressed stream"));
    EXPECT_THAT([&] { bzip2.saveAs(path("o.pkg"), 0); },  // bzip2 has no level 0
                throwsMessage("cannot initialise deflate"));
    bzip2.setCompressionAlgorithm(5);
    EXPECT_THAT([&] { bzip2.saveAs(path("o.pkg")); },
                throwsMessage("unsupported compression algorithm"));
}

} // namespace
