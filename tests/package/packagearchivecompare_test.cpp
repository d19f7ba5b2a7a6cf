#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivetextdiff.h"

#include <sys/stat.h>

#include <cstdio>

namespace {

class PackageArchiveCompareTest : public TempDirTest
{
protected:
    struct Entry
    {
        const char *name;
        QByteArray content;
        qint64 time;
        mode_t mode;
    };

    QString save(const QString &fileName, const QList<Entry> &entries, int version = 2,
                 int algorithm = 0)
    {
        PackageArchive archive;
        archive.setVersion(version);
        archive.setCompressionAlgorithm(algorithm);
        for (const Entry &entry : entries) {
            const QString disk = path("src/" + fileName + "/" + entry.name);
            writeFile(disk, entry.content);
            chmod(QFile::encodeName(disk).constData(), entry.mode);
            setFileTime(disk, entry.time);
            archive.addFile(disk, entry.name);
        }
        archive.saveAs(path(fileName));
        return path(fileName);
    }

    // Runs the comparison into a temporary file and returns what it printed.
    QByteArray compare(const QString &a, const QString &b, bool text, bool times, bool modes,
                       int *count = nullptr)
    {
        PackageArchive first(a), second(b);
        FILE *out = tmpfile();
        const int differences = first.compare(second, text, times, modes, out);
        if (count)
            *count = differences;
        QByteArray printed(int(ftell(out)), '\0');
        rewind(out);
        EXPECT_EQ(fread(printed.data(), 1, size_t(printed.size()), out), size_t(printed.size()));
        fclose(out);
        return printed;
    }
};

TEST_F(PackageArchiveCompareTest, EqualArchivesPrintNothing)
{
    const QString a = save("a.pkg", {{"x", "1\n", 100, 0644}, {"y", "2\n", 100, 0644}});
    const QString b = save("b.pkg", {{"y", "2\n", 100, 0644}, {"x", "1\n", 100, 0644}});
    int count = -1;
    EXPECT_EQ(compare(a, b, true, true, true, &count), QByteArray());
    EXPECT_EQ(count, 0);
}

TEST_F(PackageArchiveCompareTest, ReportsEachKindOfDifferenceInOrder)
{
    const QString a = save("a.pkg", {{"same", "s", 100, 0644},
                                     {"changed", "old", 100, 0644},
                                     {"onlyA", "a", 100, 0644},
                                     {"timed", "t", 100, 0644},
                                     {"moded", "m", 100, 0644}});
    const QString b = save("b.pkg", {{"moded", "m", 100, 0755},
                                     {"onlyB", "b", 100, 0644},
                                     {"timed", "t", 200, 0644},
                                     {"changed", "new", 100, 0644},
                                     {"same", "s", 100, 0644}},
                           1);
    int count = 0;
    EXPECT_EQ(compare(a, b, false, true, true, &count),
              "file format version differs\n"
              "same attributes are different\n"
              "changed differs\n"
              "changed attributes are different\n"
              "onlyA only in " + a.toLocal8Bit() + "\n"
              "timed modification time is different\n"
              "timed attributes are different\n"
              "moded attributes are different\n"
              "onlyB only in " + b.toLocal8Bit() + "\n");
    EXPECT_EQ(count, 9);
}

TEST_F(PackageArchiveCompareTest, TimesAndModesOnlyWhenAsked)
{
    const QString a = save("a.pkg", {{"f", "x", 100, 0644}});
    const QString b = save("b.pkg", {{"f", "x", 200, 0600}}, 2, 1);
    EXPECT_EQ(compare(a, b, false, false, false), QByteArray("compression algorithm differs\n"));
}

TEST_F(PackageArchiveCompareTest, TextDifferencesFollowTheDifferingLine)
{
    const QString a = save("a.pkg", {{"t.txt", "one\ntwo\nthree\nfour\n", 100, 0644},
                                     {"b.bin", QByteArray("a\0b", 3), 100, 0644}});
    const QString b = save("b.pkg", {{"t.txt", "one\n2\nthree\nfour\nfive\n", 100, 0644},
                                     {"b.bin", QByteArray("a\0c", 3), 100, 0644}});
    EXPECT_EQ(compare(a, b, true, false, false),
              QByteArray("t.txt differs\n"
                         "2c2\n"
                         "< two\n"
                         "---\n"
                         "> 2\n"
                         "4a5\n"
                         "> five\n"
                         "b.bin differs\n"));
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

TEST(PackageArchiveTextDiff, TextHasNoNulByte)
{
    EXPECT_TRUE(PackageArchiveTextDiff::isText("plain\ttext\r\n\x1b[0m"));
    EXPECT_TRUE(PackageArchiveTextDiff::isText(""));
    EXPECT_FALSE(PackageArchiveTextDiff::isText(QByteArray("a\0b", 3)));
}

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
