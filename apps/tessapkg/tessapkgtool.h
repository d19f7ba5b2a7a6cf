#pragma once

#include <QSet>
#include <QString>
#include <QStringList>

#include <sys/types.h>

class PackageArchive;
class TessapkgOptions;

/// The tessapkg commands over package archives: list, create, extract, compare, probe.
class TessapkgTool
{
public:
    /// Runs one command line; returns the exit status. Errors are reported on standard
    /// error as "tessapkg: error: MESSAGE".
    int run(const QStringList &arguments);

private:
    int list(const TessapkgOptions &options);
    int create(const TessapkgOptions &options);
    int extract(const TessapkgOptions &options);
    int compare(const TessapkgOptions &options);
    int probe(const TessapkgOptions &options);

    void addPath(PackageArchive &archive, const QString &path, const QString &name);
    void addDirectory(PackageArchive &archive, const QString &path, const QString &name);

    bool m_follow = true;
    // The archive being written, when it already exists: a walk must not add it.
    dev_t m_outputDevice = 0;
    ino_t m_outputInode = 0;
    QSet<QString> m_walking;  // canonical paths of the directories being walked
};
