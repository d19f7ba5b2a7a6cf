#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivefile.h"

#include <QDir>

#include <unistd.h>

namespace {

struct ExtractCase
{
    const char *name;
    QList<StoredEntry> entries;
    bool overwrite;
    const char *message;  // empty when extraction succeeds; {out} is the directory
};

// Extracts a hand-built archive into "out", which already holds a file "existing", a
// file "blocked", a link "linked" to the file "../elsewhere" and a link "dirlink" to the
// empty directory "../victim".
class PackageArchiveExtractTest : public TempDirTest,
                                  public testing::WithParamInterface<ExtractCase>
{
protected:
    void SetUp() override
    {
        write("out/existing", "old");
        write("out/blocked", "a file where a directory should be");
        write("elsewhere", "precious");
        QDir().mkpath(path("victim"));
        ASSERT_EQ(symlink("../elsewhere", QFile::encodeName(path("out/linked")).constData()), 0);
        ASSERT_EQ(symlink("../victim", QFile::encodeName(path("out/dirlink")).constData()), 0);
    }
};

TEST_P(PackageArchiveExtractTest, WritesEntriesOrRefusesWithItsMessage)
{
    const ExtractCase &extract = GetParam();
    write("a.pkg", version2Archive(extract.entries));
    PackageArchive archive(path("a.pkg"));
    const QString message = QString(extract.message).replace("{out}", path("out"));
    if (message.isEmpty()) {
        archive.extractAll(path("out"), extract.overwrite);
        for (int i = 0; i < extract.entries.size(); ++i) {
            const StoredEntry &entry = extract.entries[i];
            const QString name = "out/" + entry.name;
            SCOPED_TRACE(name.toStdString());
            // Set-user-ID, set-group-ID and sticky bits are never kept.
            EXPECT_EQ(archive.entry(i)->mode(), entry.mode & 0xF1FF);
            EXPECT_EQ(fileMode(path(name)), entry.mode & 0xF1FF);
            if ((entry.mode & 0xF000) == 0xA000) {
                EXPECT_EQ(QFile::encodeName(QFile::symLinkTarget(path(name))), entry.content);
            } else {
                EXPECT_EQ(read(name), entry.content);
                EXPECT_EQ(fileTime(path(name)), fixedTime);
            }
        }
    } else {
        EXPECT_THAT([&] { archive.extractAll(path("out"), extract.overwrite); },
                    throwsMessage(message));
        EXPECT_EQ(read("out/existing"), QByteArray("old"));
    }
    EXPECT_EQ(read("elsewhere"), QByteArray("precious"));
    EXPECT_TRUE(QDir(path("victim")).isEmpty());
    EXPECT_FALSE(QFile::exists(path("evil")));
}

const QByteArray victim = "../victim";

INSTANTIATE_TEST_SUITE_P(
    Cases, PackageArchiveExtractTest,
    testing::Values(
        ExtractCase{"SetsTimesAndModes",
                    {{"bin/tool", 0100751, "#!/bin/sh\n"}, {"doc/readme", 0100444, "read me\n"}},
                    false, ""},
        ExtractCase{"SpecialBitsAreDropped", {{"suid", 0106755, "x"}}, false, ""},
        ExtractCase{"LinkMayPointAnywhere", {{"etc", 0120777, "/etc"}}, false, ""},
        ExtractCase{"ExistingFileNeedsOverwrite", {{"existing", 0100644, "new"}}, false,
                    "cannot overwrite file {out}/existing"},
        ExtractCase{"OverwriteReplacesLinksRatherThanFollowing",
                    {{"existing", 0100644, "new"}, {"linked", 0100600, "mine"}}, true, ""},
        ExtractCase{"FileWhereDirectoryShouldBe", {{"blocked/f", 0100644, "x"}}, false,
                    "cannot create output file {out}/blocked/f"},
        ExtractCase{"EmptyLinkTarget", {{"emptylink", 0120777, ""}}, false,
                    "cannot create symbolic link {out}/emptylink"},
        ExtractCase{"ParentComponent", {{"../evil", 0100644, "x"}}, false,
                    "unsafe entry name ../evil"},
        ExtractCase{"InnerParent", {{"a/../../evil", 0100644, "x"}}, false,
                    "unsafe entry name a/../../evil"},
        ExtractCase{"Absolute", {{"/tmp/evil-absolute", 0100644, "x"}}, false,
                    "unsafe entry name /tmp/evil-absolute"},
        ExtractCase{"EmptyName", {{"", 0100644, "x"}}, false, "unsafe entry name "},
        ExtractCase{"ThroughEarlierLink", {{"link", 0120777, victim}, {"link/evil", 0100644, "x"}},
                    false, "unsafe entry name link/evil"},
        ExtractCase{"ThroughDeeperLink",
                    {{"d/link", 0120777, "../" + victim}, {"d/link/sub/evil", 0100644, "x"}},
                    false, "unsafe entry name d/link/sub/evil"},
        ExtractCase{"ThroughExistingLink", {{"dirlink/evil", 0100644, "x"}}, true,
                    "unsafe entry name dirlink/evil"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PackageArchiveExtractTest, ExtractsOnlyMarkedEntriesOrToAnExplicitPath)
{
    write("a.pkg", version2Archive({{"a", 0100644, "1"}, {"b", 0100644, "2"},
                                    {"c", 0100644, "3"}, {"../../x", 0100600, "data"}}));
    PackageArchive archive(path("a.pkg"));
    archive.entry(0)->setMarked(true);
    archive.entry(2)->setMarked(true);
    archive.extractMarked(path("new"), false);
    EXPECT_EQ(QDir(path("new")).entryList(QDir::Files), QStringList({"a", "c"}));
    // An explicit path is the caller's choice, whatever the entry's name.
    archive.extract(archive.entry(3), path("deep/er/file"), false);
    EXPECT_EQ(read("deep/er/file"), QByteArray("data"));
}

} // namespace
