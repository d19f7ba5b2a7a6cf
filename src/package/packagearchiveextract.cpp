// Extracting entries to disk. Archives come from outside, so extraction into a
// directory never writes outside it: see isSafeName().
#include "packagearchive.h"

#include "packagearchive_p.h"

#include "qtx/hexception.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

static bool pathExists(const QByteArray &path)
{
    struct stat status;
    return lstat(path.constData(), &status) == 0;
}

static void writeAll(int fd, const QByteArray &bytes, const QString &path)
{
    const char *data = bytes.constData();
    qint64 remaining = bytes.size();
    while (remaining > 0) {
        const ssize_t count = ::write(fd, data, size_t(remaining));
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0)
            throw HException("cannot write to output file " + path);
        data += count;
        remaining -= count;
    }
}

// Creates the file afresh (never through a symbolic link), writes the bytes, then sets
// the times and the entry's type and permission bits, keeping the file's other bits.
static void writeRegularFile(const PackageArchiveFile &entry, const QByteArray &bytes,
                             const QString &path)
{
    QTx::FileDescriptor file(::open(QFile::encodeName(path).constData(),
                                         O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC,
                                         0600));
    if (!file.isValid())
        throw HException("cannot create output file " + path);
    writeAll(file.fd(), bytes, path);
    const timespec time{entry.modificationTime().toSecsSinceEpoch(), 0};
    const timespec times[2] = {time, time};
    futimens(file.fd(), times);
    struct stat status;
    if (fstat(file.fd(), &status) != 0)
        throw HException("cannot set mode of output file " + path);
    const quint32 mode = (quint32(status.st_mode) & ~PackageArchiveFile::modeMask)
                         | (entry.mode() & PackageArchiveFile::modeMask);
    if (fchmod(file.fd(), mode_t(mode & 07777)) != 0)
        throw HException("cannot set mode of output file " + path);
    if (file.close() != 0)
        throw HException("cannot write to output file " + path);
}

void PackageArchive::extract(PackageArchiveFile *entry, const QString &outputPath, bool overwrite)
{
    const QByteArray bytes = content(entry);
    const QByteArray path = QFile::encodeName(outputPath);
    if (pathExists(path)) {
        if (!overwrite)
            throw HException("cannot overwrite file " + outputPath);
        ::unlink(path.constData());
    } else {
        QDir().mkpath(QFileInfo(outputPath).absolutePath());
    }
    if (entry->isSymbolicLink()) {
        if (::symlink(bytes.constData(), path.constData()) != 0)
            throw HException("cannot create symbolic link " + outputPath);
        return;
    }
    writeRegularFile(*entry, bytes, outputPath);
}

// A name is safe when it stays inside the directory: relative, no "..", no NUL, and
// no existing component on the way that is a symbolic link (an earlier entry may have
// planted one pointing elsewhere).
static bool isSafeName(const QString &name, const QString &directory)
{
    if (name.isEmpty() || name.startsWith(QLatin1Char('/')) || name.contains(QChar(0)))
        return false;
    const QStringList components = name.split(QLatin1Char('/'));
    if (components.contains(QStringLiteral("..")))
        return false;
    QString path = directory;
    for (int i = 0; i + 1 < components.size(); ++i) {
        path += QLatin1Char('/') + components.at(i);
        struct stat status;
        if (lstat(QFile::encodeName(path).constData(), &status) != 0)
            break;  // nothing below a missing directory exists yet
        if (S_ISLNK(status.st_mode))
            return false;
    }
    return true;
}

void PackageArchive::extractIntoDirectory(PackageArchiveFile *entry, const QString &directory,
                                          bool overwrite)
{
    if (!isSafeName(entry->name(), directory))
        throw HException("unsafe entry name " + entry->name());
    extract(entry, directory + QLatin1Char('/') + entry->name(), overwrite);
}

void PackageArchive::extractAll(const QString &directory, bool overwrite)
{
    for (const auto &entry : d->entries)
        extractIntoDirectory(entry.get(), directory, overwrite);
}

void PackageArchive::extractMarked(const QString &directory, bool overwrite)
{
    for (const auto &entry : d->entries) {
        if (entry->isMarked())
            extractIntoDirectory(entry.get(), directory, overwrite);
    }
}
