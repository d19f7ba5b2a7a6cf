#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivetextdiff.h"

#include <cstdio>

namespace {

class PackageArchiveCompareTest : public PackageTest
{
protected:
    struct Entry
    {
        const char *name;
        QByteArray content;
        qint64 time = 100;
        quint32 mode = 0644;
    };

    QString save(const QString &fileName, const QList<Entry> &entries, int version = 2,
                 int algorithm = 0)
    {
        PackageArchive archive;
        archive.setVersion(version);
        archive.setCompressionAlgorithm(algorithm);
        for (const Entry &entry : entries)
            archive.addFile(put(fileName + ".in/" + entry.name, entry.content, entry.mode,
                                entry.time),
                            entry.name);
        archive.saveAs(path(fileName));
        return path(fileName);
    }

    // Runs the comparison and returns what it printed; checks the count it returns.
    QByteArray compare(const QString &a, const QString &b, bool text, bool times, bool modes,
                       int expectedCount = -1)
    {
        PackageArchive first(a), second(b);
        char *buffer = nullptr;
        size_t size = 0;
        FILE *out = open_memstream(&buffer, &size);
        const int count = first.compare(second, text, times, modes, out);
        fclose(out);
        const QByteArray printed(buffer, int(size));
        free(buffer);
        EXPECT_TRUE(expectedCount < 0 || count == expectedCount) << count;
        return printed;
    }
};

TEST_F(PackageArchiveCompareTest, EqualArchivesInAnyOrderPrintNothing)
{
    const QString a = save("a.pkg", {{"x", "1\n"}, {"y", "2\n"}});
    const QString b = save("b.pkg", {{"y", "2\n"}, {"x", "1\n"}});
    EXPECT_EQ(compare(a, b, true, true, true, 0), QByteArray());
}

TEST_F(PackageArchiveCompareTest, ReportsEachKindOfDifferenceInOrder)
{
    const QString a = save("a.pkg", {{"same", "s"}, {"changed", "old"}, {"onlyA", "a"},
                                     {"timed", "t"}, {"moded", "m"}});
    const QString b = save("b.pkg", {{"moded", "m", 100, 0755}, {"onlyB", "b"},
                                     {"timed", "t", 200}, {"changed", "newer"}, {"same", "s"}},
                           1);
    EXPECT_EQ(compare(a, b, false, true, true, 9),
              "file format version differs\n"
              "same attributes are different\n"
              "changed differs\n"
              "changed attributes are different\n"
              "onlyA only in " + a.toLocal8Bit() + "\n"
              "timed modification time is different\n"
              "timed attributes are different\n"
              "moded attributes are different\n"
              "onlyB only in " + b.toLocal8Bit() + "\n");
}

TEST_F(PackageArchiveCompareTest, TimesAndModesOnlyWhenAsked)
{
    const QString a = save("a.pkg", {{"f", "x"}});
    const QString b = save("b.pkg", {{"f", "x", 200, 0600}}, 2, 1);
    EXPECT_EQ(compare(a, b, false, false, false, 1),
              QByteArray("compression algorithm differs\n"));
}

TEST_F(PackageArchiveCompareTest, TextDifferencesFollowTheDifferingLine)
{
    const QString a = save("a.pkg", {{"t.txt", "one\ntwo\nthree\nfour\n"},
                                     {"b.bin", QByteArray("a\0b", 3)},
                                     {"esc", "\x1b[0m\r\n"}, {"grown", ""}});
    const QString b = save("b.pkg", {{"t.txt", "one\n2\nthree\nfour\nfive\n"},
                                     {"b.bin", QByteArray("a\0c", 3)},
                                     {"esc", "\x1b[1m\r\n"}, {"grown", "new\n"}});
    // Control characters other than NUL still make text, and so does nothing at all.
    EXPECT_EQ(compare(a, b, true, false, false),
              QByteArray("t.txt differs\n"
                         "2c2\n"
                         "< two\n"
                         "---\n"
                         "> 2\n"
                         "4a5\n"
                         "> five\n"
                         "b.bin differs\n"
                         "esc differs\n"
                         "1c1\n"
                         "< \x1b[0m\r\n"
                         "---\n"
                         "> \x1b[1m\r\n"
                         "grown differs\n"
                         "0a1\n"
                         "> new\n"));
}

struct DiffCase
{
    const char *name;
    const char *before;
    const char *after;
    const char *listing;
};

class PackageArchiveTextDiffTest : public testing::TestWithParam<DiffCase>
{
};

TEST_P(PackageArchiveTextDiffTest, ListsNormalDiffHunks)
{
    EXPECT_EQ(PackageArchiveTextDiff::listing(GetParam().before, GetParam().after),
              QByteArray(GetParam().listing));
}

INSTANTIATE_TEST_SUITE_P(
    Listings, PackageArchiveTextDiffTest,
    testing::Values(
        DiffCase{"Same", "a\nb\n", "a\nb\n", ""},
        DiffCase{"SameWithoutFinalNewline", "a\nb", "a\nb\n", ""},
        DiffCase{"FromEmpty", "", "a\nb\n", "0a1,2\n> a\n> b\n"},
        DiffCase{"ToEmpty", "a\nb\n", "", "1,2d0\n< a\n< b\n"},
        DiffCase{"DeleteMiddle", "a\nb\nc\n", "a\nc\n", "2d1\n< b\n"},
        DiffCase{"AddAtStart", "b\nc\n", "a\nb\nc\n", "0a1\n> a\n"},
        DiffCase{"ChangeRange", "a\nb\nc\nd\n", "a\nX\nY\nZ\nd\n",
                 "2,3c2,4\n< b\n< c\n---\n> X\n> Y\n> Z\n"},
        DiffCase{"TwoHunks", "a\nb\nc\nd\ne\n", "a\nB\nc\nd\n",
                 "2c2\n< b\n---\n> B\n5d4\n< e\n"},
        DiffCase{"Interleaved", "x\na\ny\nb\n", "a\nz\nb\nw\n",
                 "1d0\n< x\n3c2\n< y\n---\n> z\n4a4\n> w\n"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(PackageArchiveTextDiff, UnrelatedLargeTextsStayBounded)
{
    QByteArray a, b;
    for (int i = 0; i < 6000; ++i) {
        a += "a" + QByteArray::number(i) + "\n";
        b += "b" + QByteArray::number(i) + "\n";
    }
    const QByteArray listing = PackageArchiveTextDiff::listing(a, b);
    EXPECT_TRUE(listing.startsWith("1,6000c1,6000\n< a0\n"));
    EXPECT_TRUE(listing.endsWith("> b5999\n"));
}

} // namespace
