#include "packagetestsupport.h"

#include "package/packagearchive.h"

#include <QtEndian>

#include <sys/stat.h>
#include <sys/time.h>

#include <zlib.h>

template <typename T>
static QByteArray bytesOf(T value)
{
    return QByteArray(reinterpret_cast<const char *>(&value), sizeof value);
}

QByteArray le16(quint32 value) { return bytesOf(qToLittleEndian(quint16(value))); }
QByteArray le32(quint32 value) { return bytesOf(qToLittleEndian(value)); }
QByteArray be32(quint32 value) { return bytesOf(qToBigEndian(value)); }

QByteArray inflateAll(const QByteArray &compressed)
{
    QByteArray out(1 << 20, '\0');
    uLongf size = uLongf(out.size());
    uLong used = uLong(compressed.size());
    EXPECT_EQ(uncompress2(reinterpret_cast<Bytef *>(out.data()), &size,
                          reinterpret_cast<const Bytef *>(compressed.constData()), &used),
              Z_OK);
    EXPECT_EQ(used, uLong(compressed.size())) << "bytes after the zlib stream";
    out.truncate(int(size));
    return out;
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
    return le32(0xB231F47A) + le32(1) + be32(0) + deflateAll(stream);
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

void setFileTime(const QString &path, qint64 seconds)
{
    const timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(lutimes(QFile::encodeName(path).constData(), times), 0);
}

quint32 fileMode(const QString &path)
{
    struct stat status;
    return lstat(QFile::encodeName(path).constData(), &status) == 0 ? quint32(status.st_mode)
                                                                      : 0;
}

qint64 fileTime(const QString &path)
{
    struct stat status;
    return lstat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mtime : -1;
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

