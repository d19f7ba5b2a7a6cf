// The exact bytes the writer produces, against layouts worked out by hand.
#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivefile.h"

namespace {

class PackageArchiveLayoutTest : public PackageTest
{
protected:
    // One read-only entry "a" of 5 bytes, time fixedTime.
    QByteArray saveOneEntry(int version, int algorithm = 0, int level = -1)
    {
        put("a", "hello", 0444);
        return readFile(save("out.pkg", {"a"}, version, algorithm, level));
    }
};

TEST_F(PackageArchiveLayoutTest, Version1UsesTheLegacyContainer)
{
    const QByteArray file = saveOneEntry(1);
    // T = 1040 * 1 + 5 = 1045; hint = 1045 + 10 + 13 = 1068 = 0x42C, big-endian.
    EXPECT_EQ(file.left(12).toHex(), QByteArray("7af431b2" "01000000" "0000042c"));
    const QByteArray stream = inflateAll(file.mid(12));
    ASSERT_EQ(stream.size(), 8 + 1040 + 5);
    EXPECT_EQ(stream.left(8).toHex(), QByteArray("c8c35241" "01000000"));
    EXPECT_EQ(stream.mid(8, 1024), QByteArray("a").leftJustified(1024, '\0'));
    // offset 8 + 1040 = 1048 = 0x418, size 5, read-only 1, time.
    EXPECT_EQ(stream.mid(8 + 1024, 16), le32(1048) + le32(5) + le32(1) + le32(fixedTime));
    EXPECT_EQ(stream.mid(1048), QByteArray("hello"));
}

TEST_F(PackageArchiveLayoutTest, Version2UsesTheCompressedContainer)
{
    const QByteArray file = saveOneEntry(2);
    EXPECT_EQ(file.left(8).toHex(), QByteArray("b1c6f571" "0200" "0000"));
    const QByteArray stream = inflateAll(file.mid(8));
    ASSERT_EQ(stream.size(), 20 + 18 + 1 + 5);
    EXPECT_EQ(stream.left(20), le32(1) + QByteArray(16, '\0'));
    // name length 1, offset 20 + 18 + 1 = 39, size 5, mode 0100444, time, name.
    EXPECT_EQ(stream.mid(20, 19), le16(1) + le32(39) + le32(5) + le32(0100444)
                                      + le32(fixedTime) + "a");
    EXPECT_EQ(stream.mid(39), QByteArray("hello"));
}

TEST_F(PackageArchiveLayoutTest, EmptyArchivesInBothVersions)
{
    // Version 1: hint 0 + 0 + 13; version 2: the header and a 20-byte table.
    const struct
    {
        int version;
        const char *header;
        const char *stream;
    } rows[] = {{1, "7af431b2" "01000000" "0000000d", "c8c35241" "00000000"},
                {2, "b1c6f571" "0200" "0000", "0000000000000000000000000000000000000000"}};
    for (const auto &row : rows) {
        SCOPED_TRACE(row.version);
        const QString name = save("e.pkg", {}, row.version);
        const QByteArray file = readFile(name);
        const int headerSize = int(strlen(row.header)) / 2;
        EXPECT_EQ(file.left(headerSize).toHex(), QByteArray(row.header));
        EXPECT_EQ(inflateAll(file.mid(headerSize)).toHex(), QByteArray(row.stream));
        PackageArchive archive(name);
        EXPECT_EQ(archive.entryCount(), 0);
        EXPECT_EQ(archive.version(), row.version);
        EXPECT_TRUE(archive.probe(name));
    }
}

TEST_F(PackageArchiveLayoutTest, OffsetsRunBackToBackAfterTheTable)
{
    write("xx", "12345");
    write("y", "");
    write("zzz", "abc");
    const QByteArray stream = inflateAll(readFile(save("o.pkg", {"xx", "y", "zzz"})).mid(8));
    // contents start at 20 + 3 * 18 + 2 + 1 + 3 = 80
    const int records[] = {20, 20 + 18 + 2, 20 + 2 * 18 + 3};
    const quint32 offsets[] = {80, 85, 85};
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(stream.mid(records[i] + 2, 4), le32(offsets[i])) << i;
    EXPECT_EQ(stream.mid(80), QByteArray("12345abc"));
}

TEST_F(PackageArchiveLayoutTest, LevelRuleMapsNegativeToSevenAndCapsAtNine)
{
    // zlib's second header byte carries the level class: 0x01 fastest, 0x9c default
    // (6), 0xda for 7 to 9. bzip2 names its block size, which is the level; its
    // algorithm sits in the top bits of the version word.
    EXPECT_EQ(saveOneEntry(2, 0, -1).mid(8, 2).toHex(), QByteArray("78da"));
    EXPECT_EQ(saveOneEntry(2, 0, 6).mid(8, 2).toHex(), QByteArray("789c"));
    EXPECT_EQ(saveOneEntry(2, 0, 1).mid(8, 2).toHex(), QByteArray("7801"));
    EXPECT_EQ(saveOneEntry(2, 0, 12), saveOneEntry(2, 0, 9));
    EXPECT_EQ(saveOneEntry(2, 1, -1).mid(8, 4), QByteArray("BZh7"));
    EXPECT_EQ(saveOneEntry(2, 1, 12).left(12), QByteArray("\xB1\xC6\xF5\x71\x02\x10\0\0BZh9", 12));
    EXPECT_EQ(saveOneEntry(2, 1, 3).mid(8, 4), QByteArray("BZh3"));
}

TEST_F(PackageArchiveLayoutTest, NameLimitsOfBothVersions)
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

} // namespace
