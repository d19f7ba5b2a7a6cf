#include "qtx/pathvalue.h"
#include "qtx/version.h"

#include <gtest/gtest.h>

#include "testsupport.h"

struct CleanCase
{
    const char *input;
    const char *cleaned;
};

class PathCleaningTest : public testing::TestWithParam<CleanCase> {};

TEST_P(PathCleaningTest, CleansAsDocumented)
{
    const QString input = GetParam().input;
    const QString cleaned = PathValue::clean(input);
    EXPECT_EQ(cleaned, QString(GetParam().cleaned));
    // With no component dropped, the very same string comes back, not a rebuilt one.
    if (!input.isEmpty() && cleaned == input) {
        EXPECT_TRUE(cleaned.isSharedWith(input));
    }
}

INSTANTIATE_TEST_SUITE_P(Table, PathCleaningTest, testing::Values(
    CleanCase{"a/./b//c/", "a/b/c"},
    CleanCase{"/a/../..", "/.."},
    CleanCase{"a/..", ""},
    CleanCase{"../../x", "../../x"},
    CleanCase{"x/y/../../../z", "../z"},
    CleanCase{"/usr//lib/", "/usr/lib"},
    CleanCase{"plain/path", "plain/path"},
    CleanCase{"", ""}));

TEST(PathValueTest, CleansOnFirstUseOnly)
{
    EXPECT_EQ(PathValue("a/./b").path(), QString("a/b"));
    EXPECT_EQ(PathValue("a/./b", true).path(), QString("a/./b"));
}

TEST(VersionTest, ReleaseStringsAndBanner)
{
    EXPECT_EQ(Version::release(), QString("5.4.0.2026012200.60945"));
    EXPECT_EQ(Version::shortVersion(), QString("5.4.0"));
    EXPECT_TRUE(Version::banner("cp").startsWith(
        "Tessarune for ARM cp - Release 5.4.0.2026012200.60945\n"));
}
