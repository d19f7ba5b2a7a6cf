// The exact bytes the writer produces, against layouts worked out by hand.
#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivefile.h"

#include <sys/stat.h>

namespace {

class PackageArchiveLayoutTest : public TempDirTest
{
protected:
    // One read-only entry "a" of 5 bytes, time fixedTime.
    QByteArray saveOneEntry(int version, int algorithm = 0, int level = -1)
    {
        write("a", "hello");
        chmod(QFile::encodeName(path("a")).constData(), 0444);
        setFileTime(path("a"), fixedTime);
        PackageArchive archive;
        archive.setVersion(version);
        archive.setCompressionAlgorithm(algorithm);
        archive.addFile(path("a"), "a");
        archive.saveAs(path("out.pkg"), level);
        return read("out.pkg");
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

TEST_F(PackageArchiveLayoutTest, Bzip2AlgorithmSitsInTheTopBitsOfTheVersionWord)
{
    const QByteArray file = saveOneEntry(2, 1, 9);
    EXPECT_EQ(file.left(8).toHex(), QByteArray("b1c6f571" "0210" "0000"));
    EXPECT_EQ(file.mid(8, 4), QByteArray("BZh9"));
}

TEST_F(PackageArchiveLayoutTest, EmptyVersion2ArchiveIsHeaderAndTwentyByteTable)
{
    PackageArchive archive;
    archive.setVersion(2);
    archive.saveAs(path("e.pkg"));
    const QByteArray file = read("e.pkg");
    EXPECT_EQ(file.left(8).toHex(), QByteArray("b1c6f57102000000"));
    EXPECT_EQ(inflateAll(file.mid(8)), QByteArray(20, '\0'));
}

TEST_F(PackageArchiveLayoutTest, EmptyVersion1ArchiveHintsThirteenBytes)
{
    PackageArchive archive;
    archive.saveAs(path("e.pkg"));
    const QByteArray file = read("e.pkg");
    EXPECT_EQ(file.left(12).toHex(), QByteArray("7af431b2" "01000000" "0000000d"));
    EXPECT_EQ(inflateAll(file.mid(12)).toHex(), QByteArray("c8c3524100000000"));
}

TEST_F(PackageArchiveLayoutTest, OffsetsRunBackToBackAfterTheTable)
{
    write("x", "12345");
    write("y", "");
    write("z", "abc");
    PackageArchive archive;
    archive.setVersion(2);
    archive.addFile(path("x"), "xx");
    archive.addFile(path("y"), "y");
    archive.addFile(path("z"), "zzz");
    archive.saveAs(path("o.pkg"));
    const QByteArray stream = inflateAll(read("o.pkg").mid(8));
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
    // (6), 0xda for 7 to 9. bzip2 names its block size, which is the level.
    EXPECT_EQ(saveOneEntry(2, 0, -1).mid(8, 2).toHex(), QByteArray("78da"));
    EXPECT_EQ(saveOneEntry(2, 0, 6).mid(8, 2).toHex(), QByteArray("789c"));
    EXPECT_EQ(saveOneEntry(2, 0, 1).mid(8, 2).toHex(), QByteArray("7801"));
    EXPECT_EQ(saveOneEntry(2, 0, 12), saveOneEntry(2, 0, 9));
    EXPECT_EQ(saveOneEntry(2, 1, -1).mid(8, 4), QByteArray("BZh7"));
    EXPECT_EQ(saveOneEntry(2, 1, 12).mid(8, 4), QByteArray("BZh9"));
    EXPECT_EQ(saveOneEntry(2, 1, 3).mid(8, 4), QByteArray("BZh3"));
}

TEST_F(PackageArchiveLayoutTest, Version1NameLimitIs1023Characters)
{
    write("f", "x");
    PackageArchive archive;
    archive.addFile(path("f"), QString(1023, 'n'));
    EXPECT_NO_THROW(archive.saveAs(path("ok.pkg")));
    PackageArchive back(path("ok.pkg"));
    EXPECT_EQ(back.entry(0)->name(), QString(1023, 'n'));
    archive.addFile(path("f"), QString(1024, 'n'));
    EXPECT_THAT([&] { archive.saveAs(path("bad.pkg")); },
                testing::ThrowsMessage<HException>(testing::StrEq("filename too long")));
}

TEST_F(PackageArchiveLayoutTest, Version2NameLimitIs65535Bytes)
{
    write("f", "x");
    PackageArchive archive;
    archive.setVersion(2);
    archive.addFile(path("f"), QString(65535, 'n'));
    EXPECT_NO_THROW(archive.saveAs(path("ok.pkg")));
    PackageArchive back(path("ok.pkg"));
    EXPECT_EQ(back.entry(0)->name().size(), 65535);
    archive.addFile(path("f"), QString(65536, 'n'));
    EXPECT_THAT([&] { archive.saveAs(path("bad.pkg")); },
                testing::ThrowsMessage<HException>(testing::StrEq("filename too long")));
}

} // namespace
