#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivefile.h"

#include <QDir>

#include <unistd.h>

namespace {

class PackageArchiveExtractTest : public TempDirTest
{
protected:
    PackageArchive &openBuilt(const QList<StoredEntry> &entries)
    {
        write("a.pkg", version2Archive(entries));
        m_archive = std::make_unique<PackageArchive>(path("a.pkg"));
        return *m_archive;
    }
    void link(const QString &target, const QString &relative)
    {
        QDir().mkpath(QFileInfo(path(relative)).absolutePath());
        ASSERT_EQ(symlink(QFile::encodeName(target).constData(),
                          QFile::encodeName(path(relative)).constData()), 0);
    }
    std::unique_ptr<PackageArchive> m_archive;
};

TEST_F(PackageArchiveExtractTest, SetsTimesAndModes)
{
    PackageArchive &archive = openBuilt({{"bin/tool", 0100751, "#!/bin/sh\n"},
                                         {"doc/readme", 0100444, "read me\n"}});
    archive.extractAll(path("out"), false);
    EXPECT_EQ(read("out/bin/tool"), QByteArray("#!/bin/sh\n"));
    EXPECT_EQ(fileMode(path("out/bin/tool")), 0100751u);
    EXPECT_EQ(fileMode(path("out/doc/readme")), 0100444u);
    EXPECT_EQ(fileTime(path("out/bin/tool")), fixedTime);
    EXPECT_EQ(fileTime(path("out/doc/readme")), fixedTime);
}

TEST_F(PackageArchiveExtractTest, OverwriteIsNeededAndReplacesLinksRatherThanFollowing)
{
    PackageArchive &archive = openBuilt({{"f", 0100644, "new"}, {"g", 0100644, "mine"}});
    write("out/f", "old");
    write("elsewhere", "precious");
    link(path("elsewhere"), "out/g");
    EXPECT_THAT([&] { archive.extractAll(path("out"), false); },
                throwsMessage("cannot overwrite file " + path("out/f")));
    EXPECT_EQ(read("out/f"), QByteArray("old"));
    archive.extractAll(path("out"), true);
    EXPECT_EQ(read("out/f"), QByteArray("new"));
    EXPECT_EQ(read("out/g"), QByteArray("mine"));
    EXPECT_EQ(read("elsewhere"), QByteArray("precious"));
    EXPECT_EQ(fileMode(path("out/g")) & 0xF000, 0x8000u);
}

TEST_F(PackageArchiveExtractTest, ExtractsOnlyMarkedEntriesOrToAnExplicitPath)
{
    PackageArchive &archive = openBuilt({{"a", 0100644, "1"}, {"b", 0100644, "2"},
                                         {"c", 0100644, "3"}, {"../../x", 0100600, "data"}});
    archive.entry(0)->setMarked(true);
    archive.entry(2)->setMarked(true);
    archive.extractMarked(path("out"), false);
    EXPECT_EQ(QDir(path("out")).entryList(QDir::Files), QStringList({"a", "c"}));
    // An explicit path is the caller's choice, whatever the entry's name.
    archive.extract(archive.entry(3), path("deep/er/file"), false);
    EXPECT_EQ(read("deep/er/file"), QByteArray("data"));
}

struct UnsafeCase
{
    const char *name;
    QList<StoredEntry> entries;
    const char *unsafeName;
};

class PackageArchiveUnsafeName : public PackageArchiveExtractTest,
                                 public testing::WithParamInterface<UnsafeCase>
{
};

TEST_P(PackageArchiveUnsafeName, IsRefusedAndNothingIsWrittenOutside)
{
    QDir().mkpath(path("out"));
    QDir().mkpath(path("victim"));
    PackageArchive &archive = openBuilt(GetParam().entries);
    EXPECT_THAT([&] { archive.extractAll(path("out"), false); },
                throwsMessage(QString("unsafe entry name ") + GetParam().unsafeName));
    EXPECT_TRUE(QDir(path("victim")).isEmpty());
    EXPECT_FALSE(QFile::exists(path("evil")));
}

const QByteArray victim = "../victim";

INSTANTIATE_TEST_SUITE_P(
    Names, PackageArchiveUnsafeName,
    testing::Values(
        UnsafeCase{"ParentComponent", {{"../evil", 0100644, "x"}}, "../evil"},
        UnsafeCase{"InnerParent", {{"a/../../evil", 0100644, "x"}}, "a/../../evil"},
        UnsafeCase{"Absolute", {{"/tmp/evil-absolute", 0100644, "x"}}, "/tmp/evil-absolute"},
        UnsafeCase{"Empty", {{"", 0100644, "x"}}, ""},
        UnsafeCase{"ThroughEarlierLink",
                   {{"link", 0120777, victim}, {"link/evil", 0100644, "x"}}, "link/evil"},
        UnsafeCase{"ThroughDeeperLink",
                   {{"d/link", 0120777, "../" + victim}, {"d/link/sub/evil", 0100644, "x"}},
                   "d/link/sub/evil"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(PackageArchiveExtractTest, LinkEntriesThemselvesMayPointAnywhere)
{
    openBuilt({{"etc", 0120777, "/etc"}}).extractAll(path("out"), false);
    EXPECT_EQ(QFile::symLinkTarget(path("out/etc")), QString("/etc"));
}

TEST_F(PackageArchiveExtractTest, FailureMessagesNameThePath)
{
    PackageArchive &archive = openBuilt({{"blocked/f", 0100644, "x"}, {"emptylink", 0120777, ""}});
    write("out/blocked", "a file where a directory should be");
    EXPECT_THAT([&] { archive.extractIntoDirectory(archive.entry(0), path("out"), false); },
                throwsMessage("cannot create output file " + path("out/blocked/f")));
    EXPECT_THAT([&] { archive.extractIntoDirectory(archive.entry(1), path("out"), false); },
                throwsMessage("cannot create symbolic link " + path("out/emptylink")));
}

} // namespace
