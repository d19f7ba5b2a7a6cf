#include "packagetestsupport.h"

#include "package/packagearchive.h"
#include "package/packagearchivefile.h"

#include <QDir>

#include <sys/stat.h>
#include <unistd.h>

namespace {

using testing::StrEq;
using testing::ThrowsMessage;

QByteArray record(const QByteArray &name, quint32 offset, quint32 size, quint32 mode)
{
    return le16(quint32(name.size())) + le32(offset) + le32(size) + le32(mode)
           + le32(quint32(fixedTime)) + name;
}

// A version-2 zlib archive of the given (name, mode, content) entries.
QByteArray buildArchive(const QList<std::tuple<QByteArray, quint32, QByteArray>> &entries)
{
    quint32 offset = 20;
    for (const auto &entry : entries)
        offset += 18 + quint32(std::get<0>(entry).size());
    QByteArray table = le32(quint32(entries.size())) + QByteArray(16, 0);
    QByteArray contents;
    for (const auto &[name, mode, content] : entries) {
        table += record(name, offset + quint32(contents.size()), quint32(content.size()), mode);
        contents += content;
    }
    return le32(0x71F5C6B1) + le16(2) + le16(0) + deflateAll(table + contents);
}

class PackageArchiveExtractTest : public TempDirTest
{
protected:
    PackageArchive &openBuilt(const QList<std::tuple<QByteArray, quint32, QByteArray>> &entries)
    {
        write("a.pkg", buildArchive(entries));
        m_archive = std::make_unique<PackageArchive>(path("a.pkg"));
        return *m_archive;
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

TEST_F(PackageArchiveExtractTest, ExistingFileNeedsOverwrite)
{
    PackageArchive &archive = openBuilt({{"f", 0100644, "new"}});
    write("out/f", "old");
    const QString target = path("out/f");
    EXPECT_THAT([&] { archive.extractAll(path("out"), false); },
                ThrowsMessage<HException>(
                    StrEq(("cannot overwrite file " + target).toStdString())));
    EXPECT_EQ(read("out/f"), QByteArray("old"));
    archive.extractAll(path("out"), true);
    EXPECT_EQ(read("out/f"), QByteArray("new"));
}

TEST_F(PackageArchiveExtractTest, OverwriteReplacesALinkInsteadOfWritingThroughIt)
{
    PackageArchive &archive = openBuilt({{"f", 0100644, "new"}});
    write("elsewhere", "precious");
    QDir().mkpath(path("out"));
    ASSERT_EQ(symlink(QFile::encodeName(path("elsewhere")).constData(),
                      QFile::encodeName(path("out/f")).constData()), 0);
    archive.extractAll(path("out"), true);
    EXPECT_EQ(read("elsewhere"), QByteArray("precious"));
    EXPECT_EQ(fileMode(path("out/f")) & 0xF000, 0x8000u);
}

TEST_F(PackageArchiveExtractTest, ExtractsOnlyMarkedEntries)
{
    PackageArchive &archive = openBuilt({{"a", 0100644, "1"}, {"b", 0100644, "2"},
                                         {"c", 0100644, "3"}});
    archive.entry(0)->setMarked(true);
    archive.entry(2)->setMarked(true);
    archive.extractMarked(path("out"), false);
    EXPECT_EQ(QDir(path("out")).entryList(QDir::Files), QStringList({"a", "c"}));
}

TEST_F(PackageArchiveExtractTest, ExtractToAnExplicitPath)
{
    PackageArchive &archive = openBuilt({{"../../x", 0100600, "data"}});
    archive.extract(archive.entry(0), path("deep/er/file"), false);
    EXPECT_EQ(read("deep/er/file"), QByteArray("data"));
}

struct UnsafeCase
{
    const char *name;
    QList<std::tuple<QByteArray, quint32, QByteArray>> entries;
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
                ThrowsMessage<HException>(
                    StrEq(std::string("unsafe entry name ") + GetParam().unsafeName)));
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
    PackageArchive &archive = openBuilt({{"etc", 0120777, "/etc"}});
    archive.extractAll(path("out"), false);
    EXPECT_EQ(QFile::symLinkTarget(path("out/etc")), QString("/etc"));
}

TEST_F(PackageArchiveExtractTest, FailureMessagesNameThePath)
{
    PackageArchive &archive = openBuilt({{"blocked/f", 0100644, "x"}, {"emptylink", 0120777, ""}});
    write("out/blocked", "a file where a directory should be");
    EXPECT_THAT([&] { archive.extractIntoDirectory(archive.entry(0), path("out"), false); },
                ThrowsMessage<HException>(
                    StrEq(("cannot create output file " + path("out/blocked/f")).toStdString())));
    EXPECT_THAT([&] { archive.extractIntoDirectory(archive.entry(1), path("out"), false); },
                ThrowsMessage<HException>(StrEq(
                    ("cannot create symbolic link " + path("out/emptylink")).toStdString())));
}

} // namespace
