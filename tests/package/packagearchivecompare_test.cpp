#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivetextdiff.h"

#include <cstdio>

namespace {

class PackageArchiveCompareTest : public PackageTest
{
protected:
    // Compares archives a and b and returns what it printed; checks the count it returns.
    QByteArray compare(bool text, bool times, bool modes, int expectedCount = -1)
    {
        PackageArchive first(path("a")), second(path("b"));
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

TEST_F(PackageArchiveCompareTest, ReportsEachKindOfDifferenceInOrder)
{
    save("a", {{"same", 0644, "s"}, {"changed", 0644, "old"}, {"swapped", 0644, "ab\n"},
               {"onlyA", 0644, "a"}, {"timed", 0644, "t"}, {"moded", 0644, "m"}});
    save("b", {{"moded", 0755, "m"}, {"onlyB", 0644, "b"}, {"timed", 0644, "t", 200},
               {"swapped", 0644, "ba\n"}, {"changed", 0644, "newer"}, {"same", 0644, "s"}}, 1);
    EXPECT_EQ(compare(false, true, true, 11),
              "file format version differs\n"
              "same attributes are different\n"
              "changed differs\n"
              "changed attributes are different\n"
              "swapped differs\n"
              "swapped attributes are different\n"
              "onlyA only in " + path("a").toLocal8Bit() + "\n"
              "timed modification time is different\n"
              "timed attributes are different\n"
              "moded attributes are different\n"
              "onlyB only in " + path("b").toLocal8Bit() + "\n");
}

TEST_F(PackageArchiveCompareTest, TimesAndModesOnlyWhenAsked)
{
    save("a", {{"f", 0644, "x"}});
    save("b", {{"f", 0600, "x", 200}}, 2, 1);
    EXPECT_EQ(compare(false, true, false, 2),
              QByteArray("compression algorithm differs\nf modification time is different\n"));
    EXPECT_EQ(compare(false, false, true, 2),
              QByteArray("compression algorithm differs\nf attributes are different\n"));
}

TEST_F(PackageArchiveCompareTest, TextDifferencesFollowTheDifferingLine)
{
    save("a", {{"t.txt", 0644, "one\ntwo\nthree\nfour\n"}, {"b.bin", 0644, "a-b"},
               {"esc", 0644, "\x1b[0m\r\n"}, {"grown", 0644, ""}});
    save("b", {{"t.txt", 0644, "one\n2\nthree\nfour\nfive\n"},
               {"b.bin", 0644, QByteArray("a\0c", 3)}, {"esc", 0644, "\x1b[1m\r\n"},
               {"grown", 0644, "new\n", 200}});
    // Listings only when both sides are text; control characters other than NUL still
    // make text, and so does nothing at all.
    EXPECT_EQ(compare(true, false, false),
              QByteArray("t.txt differs\n2c2\n< two\n---\n> 2\n4a5\n> five\n"
                         "b.bin differs\n"
                         "esc differs\n1c1\n< \x1b[0m\r\n---\n> \x1b[1m\r\n"
                         "grown differs\n0a1\n> new\n"));
}

TEST(PackageArchiveTextDiff, ListsNormalDiffHunks)
{
    // before, after, listing
    const char *const rows[][3] = {
        {"a\nb\n", "a\nb\n", ""},
        {"a\nb", "a\nb\n", ""},
        {"", "a\nb\n", "0a1,2\n> a\n> b\n"},
        {"a\nb\n", "", "1,2d0\n< a\n< b\n"},
        {"a\nb\nc\n", "a\nc\n", "2d1\n< b\n"},
        {"b\nc\n", "a\nb\nc\n", "0a1\n> a\n"},
        {"a\nb\nc\nd\n", "a\nX\nY\nZ\nd\n", "2,3c2,4\n< b\n< c\n---\n> X\n> Y\n> Z\n"},
        {"a\nb\nc\nd\ne\n", "a\nB\nc\nd\n", "2c2\n< b\n---\n> B\n5d4\n< e\n"},
        {"x\na\ny\nb\n", "a\nz\nb\nw\n", "1d0\n< x\n3c2\n< y\n---\n> z\n4a4\n> w\n"},
    };
    for (const auto &row : rows) {
        EXPECT_EQ(PackageArchiveTextDiff::listing(row[0], row[1]), QByteArray(row[2]))
            << row[0] << "---\n" << row[1];
    }
}

TEST(PackageArchiveTextDiff, UnrelatedLargeTextsAreOneChange)
{
    // 12,000 edits apart, far beyond the search's limit.
    const QByteArray a = QByteArray("a\n").repeated(6000);
    const QByteArray b = QByteArray("b\n").repeated(6000);
    EXPECT_EQ(PackageArchiveTextDiff::listing(a, b),
              "1,6000c1,6000\n" + QByteArray("< a\n").repeated(6000) + "---\n"
                  + QByteArray("> b\n").repeated(6000));
}

} // namespace
