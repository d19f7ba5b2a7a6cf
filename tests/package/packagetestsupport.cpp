#include "packagetestsupport.h"

#include "package/packagearchive.h"

#include <QtEndian>

#include <sys/time.h>
#include <unistd.h>

template <typename T>
static QByteArray bytesOf(T value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
}

QByteArray le16(quint32 value) { return bytesOf(qToLittleEndian(quint16(value))); }
QByteArray le32(quint32 value) { return bytesOf(qToLittleEndian(value)); }

QByteArray inflateAll(const QByteArray &compressed)
{
    // Qt's format is a zlib stream behind a 4-byte size, which it takes only as a hint.
    return qUncompress(QByteArray(4, '\0') + compressed);
}

QByteArray deflateAll(const QByteArray &data, int level)
{
    return qCompress(data, level).mid(4);  // without Qt's size prefix
}

QByteArray version1Record(const QByteArray &name, quint32 offset, quint32 size, quint32 flag,
                          quint32 time)
{
    return name.leftJustified(1024, '\0', true) + le32(offset) + le32(size) + le32(flag)
           + le32(time);
}

QByteArray version2Record(const QByteArray &name, quint32 offset, quint32 size, quint32 mode,
                          quint32 time)
{
    return le16(quint32(name.size())) + le32(offset) + le32(size) + le32(mode) + le32(time)
           + name;
}

QByteArray formA(int algorithm, int version, const QByteArray &stream)
{
    return le32(0x71F5C6B1) + le16(quint32(algorithm << 12 | version)) + le16(0) + stream;
}

QByteArray formB(const QByteArray &stream)
{
    return le32(0xB231F47A) + le32(1) + le32(0) + deflateAll(stream);  // readers ignore the hint
}

QByteArray formC(quint32 count, const QByteArray &tableAndContents)
{
    return le32(0x4152C3C8) + le32(count) + tableAndContents;
}

QByteArray version2Archive(const QList<StoredEntry> &entries)
{
    quint32 offset = 20;
    for (const StoredEntry &entry : entries)
        offset += 18 + quint32(entry.name.size());
    QByteArray table = le32(quint32(entries.size())) + QByteArray(16, 0);
    QByteArray contents;
    for (const StoredEntry &entry : entries) {
        table += version2Record(entry.name, offset + quint32(contents.size()),
                                quint32(entry.content.size()), entry.mode, quint32(entry.time));
        contents += entry.content;
    }
    return formA(0, 2, deflateAll(table + contents));
}

testing::Matcher<std::function<void()>> throwsMessage(const QString &message)
{
    return testing::ThrowsMessage<HException>(testing::StrEq(message.toStdString()));
}

static void setFileTime(const QString &path, qint64 seconds)
{
    const timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(lutimes(QFile::encodeName(path).constData(), times), 0);
}

struct stat statusOf(const QString &path)
{
    struct stat status = {};
    if (lstat(QFile::encodeName(path).constData(), &status) != 0)
        status = {};
    return status;
}

QString PackageTest::put(const QString &relative, const QByteArray &content, quint32 mode,
                         qint64 time)
{
    QFile::remove(path(relative));  // it may be read-only from an earlier put
    write(relative, content);
    chmod(QFile::encodeName(path(relative)).constData(), mode);
    setFileTime(path(relative), time);
    return path(relative);
}

void PackageTest::putLink(const QString &relative, const QByteArray &target)
{
    ASSERT_EQ(symlink(target.constData(), QFile::encodeName(path(relative)).constData()), 0);
    setFileTime(path(relative), fixedTime);
}

QString PackageTest::save(const QString &archive, const QList<StoredEntry> &entries, int version,
                          int algorithm, int level)
{
    PackageArchive writer;
    writer.setVersion(version);
    writer.setCompressionAlgorithm(algorithm);
    for (const StoredEntry &entry : entries) {
        const QString name = QString::fromUtf8(entry.name);
        writer.addFile(put(archive + ".in/" + name, entry.content, entry.mode, entry.time), name);
    }
    writer.saveAs(path(archive), level);
    return path(archive);
}

