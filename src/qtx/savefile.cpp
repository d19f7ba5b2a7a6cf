#include "savefile.h"

#include "toolsupport.h"

#include <QFile>

#include <cerrno>

#include <sys/stat.h>
#include <unistd.h>

namespace QTx {

namespace {

// How many symbolic links are followed before the target counts as a loop.
constexpr int maxLinkDepth = 40;

QByteArray directoryOf(const QByteArray &path)
{
    const int slash = path.lastIndexOf('/');
    if (slash < 0)
        return QByteArrayLiteral(".");
    return slash == 0 ? QByteArrayLiteral("/") : path.left(slash);
}

// The path a chain of symbolic links finally names, existing or not; the path itself
// when it is no link. Empty, with errno set, for a loop of links.
QByteArray resolveLinks(QByteArray path)
{
    for (int depth = 0; depth < maxLinkDepth; ++depth) {
        struct stat status;
        if (lstat(path.constData(), &status) != 0 || !S_ISLNK(status.st_mode))
            return path;
        QByteArray text(int(status.st_size > 0 ? status.st_size : 4095) + 1, '\0');
        const ssize_t length = readlink(path.constData(), text.data(), size_t(text.size()));
        if (length <= 0 || length >= text.size())
            return path;  // opening it will report what is wrong
        text.truncate(int(length));
        path = text.startsWith('/') ? text : directoryOf(path) + '/' + text;
    }
    errno = ELOOP;
    return QByteArray();
}

mode_t processUmask()
{
    const mode_t mask = umask(0);
    umask(mask);
    return mask;
}

} // namespace

SaveFile::SaveFile(const QString &fileName) : m_fileName(fileName) {}

SaveFile::~SaveFile()
{
    discard();
}

bool SaveFile::fail(const char *action, int errorNumber)
{
    m_error = QString::fromLatin1(action) + ' ' + quoted(m_fileName) + ": "
              + systemErrorText(errorNumber);
    discard();
    return false;
}

bool SaveFile::open()
{
    discard();
    m_error.clear();
    m_finalPath = resolveLinks(QFile::encodeName(m_fileName));
    if (m_finalPath.isEmpty())
        return fail("cannot create", errno);
    struct stat status;
    const bool exists = stat(m_finalPath.constData(), &status) == 0;
    if (exists && S_ISDIR(status.st_mode))
        return fail("cannot create", EISDIR);
    if (exists && !S_ISREG(status.st_mode)) {
        // A device or a pipe: there is no old contents to keep, and replacing the node
        // by a regular file would be a disaster.
        m_stream.reset(std::fopen(m_finalPath.constData(), "wb"));
        return m_stream ? true : fail("cannot open", errno);
    }
    const int slash = m_finalPath.lastIndexOf('/');
    QByteArray pattern = m_finalPath.left(slash + 1) + '.' + m_finalPath.mid(slash + 1)
                         + ".XXXXXX";
    const int fd = mkstemp(pattern.data());
    if (fd < 0)
        return fail("cannot create", errno);
    m_temporaryPath = pattern;
    fchmod(fd, exists ? status.st_mode & 07777 : 0666 & ~processUmask());
    m_stream.reset(fdopen(fd, "wb"));
    if (!m_stream) {
        const int error = errno;
        ::close(fd);
        return fail("cannot create", error);
    }
    return true;
}

QString SaveFile::temporaryFileName() const
{
    return QFile::decodeName(m_temporaryPath.isEmpty() ? m_finalPath : m_temporaryPath);
}

bool SaveFile::commit()
{
    if (!m_stream)
        return m_error.isEmpty() ? fail("cannot write", EBADF) : false;
    errno = 0;
    const bool flushed = std::fflush(m_stream.get()) == 0 && !std::ferror(m_stream.get());
    int error = errno;
    const int closed = std::fclose(m_stream.release());
    if (closed != 0 && flushed)
        error = errno;
    if (!flushed || closed != 0)
        return fail("cannot write", error ? error : EIO);
    if (!m_temporaryPath.isEmpty()) {
        if (::rename(m_temporaryPath.constData(), m_finalPath.constData()) != 0)
            return fail("cannot replace", errno);
        m_temporaryPath.clear();
    }
    return true;
}

void SaveFile::discard()
{
    m_stream.reset();
    if (!m_temporaryPath.isEmpty()) {
        ::unlink(m_temporaryPath.constData());
        m_temporaryPath.clear();
    }
}

bool SaveFile::writeFile(const QString &fileName, const QByteArray &contents, QString *error)
{
    SaveFile file(fileName);
    bool ok = file.open();
    if (ok && std::fwrite(contents.constData(), 1, size_t(contents.size()), file.stream())
                  != size_t(contents.size()))
        ok = file.fail("cannot write", errno);
    ok = ok && file.commit();
    if (!ok && error)
        *error = file.errorString();
    return ok;
}

} // namespace QTx
