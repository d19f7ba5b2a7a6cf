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
    // Empty when extraction succeeds; {out} is the directory. "unsafe entry name " stands
    // for itself followed by the last entry's name.
    const char *message;
};

const char *const unsafe = "unsafe entry name ";

// Extracts a hand-built archive into "out", which already holds a file "existing", a
// file "blocked", a link "linked" to the file "../elsewhere" and a link "dirlink" to the
// empty directory "../victim".
class PackageArchiveExtractTest : public PackageTableTest<ExtractCase>
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
    QString message = QString(extract.message).replace("{out}", path("out"));
    if (message == unsafe)
        message += extract.entries.last().name;
    if (message.isEmpty()) {
        archive.extractAll(path("out"), extract.overwrite);
        for (int i = 0; i < extract.entries.size(); ++i) {
            const StoredEntry &entry = extract.entries[i];
            const QString name = "out/" + entry.name;
            const struct stat status = statusOf(path(name));
            SCOPED_TRACE(name.toStdString());
            // Set-user-ID, set-group-ID and sticky bits are never kept.
            EXPECT_EQ(archive.entry(i)->mode(), entry.mode & 0xF1FF);
            EXPECT_EQ(status.st_mode, entry.mode & 0xF1FF);
            if (S_ISLNK(status.st_mode)) {
                EXPECT_EQ(QFile::encodeName(QFile::symLinkTarget(path(name))), entry.content);
            } else {
                EXPECT_EQ(read(name), entry.content);
                EXPECT_EQ(status.st_mtime, fixedTime);
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

const ExtractCase extractCases[] = {
    {"SetsTimesAndModes",
     {{"bin/tool", 0100751, "#!/bin/sh\n"}, {"doc/readme", 0100444, "read me\n"}}, false, ""},
    {"SpecialBitsAreDropped", {{"suid", 0106755, "x"}}, false, ""},
    {"LinkMayPointAnywhere", {{"etc", 0120777, "/etc"}}, false, ""},
    {"ExistingFileNeedsOverwrite", {{"existing", 0100644, "new"}}, false,
     "cannot overwrite file {out}/existing"},
    {"OverwriteReplacesLinksRatherThanFollowing",
     {{"existing", 0100644, "new"}, {"linked", 0100600, "mine"}}, true, ""},
    {"FileWhereDirectoryShouldBe", {{"blocked/f", 0100644, "x"}}, false,
     "cannot create output file {out}/blocked/f"},
    {"EmptyLinkTarget", {{"emptylink", 0120777, ""}}, false,
     "cannot create symbolic link {out}/emptylink"},
    {"ParentComponent", {{"../evil", 0100644, "x"}}, false, unsafe},
    {"InnerParent", {{"a/../../evil", 0100644, "x"}}, false, unsafe},
    {"Absolute", {{"/tmp/evil-absolute", 0100644, "x"}}, false, unsafe},
    {"EmptyName", {{"", 0100644, "x"}}, false, unsafe},
    {"ThroughEarlierLink", {{"link", 0120777, victim}, {"link/evil", 0100644, "x"}}, false,
     unsafe},
    {"ThroughDeeperLink", {{"d/link", 0120777, "../" + victim}, {"d/link/sub/evil", 0100644, "x"}},
     false, unsafe},
    {"ThroughExistingLink", {{"dirlink/evil", 0100644, "x"}}, true, unsafe},
};
INSTANTIATE_TEST_SUITE_P(All, PackageArchiveExtractTest, testing::ValuesIn(extractCases),
                         rowName<ExtractCase>);

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
