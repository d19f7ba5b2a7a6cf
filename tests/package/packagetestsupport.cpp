#include "packagetestsupport.h"

#include <sys/stat.h>
#include <sys/time.h>

#include <zlib.h>

QByteArray le16(quint32 value)
{
    QByteArray bytes(2, '\0');
    bytes[0] = char(value);
    bytes[1] = char(value >> 8);
    return bytes;
}

QByteArray le32(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[i] = char(value >> (8 * i));
    return bytes;
}

QByteArray be32(quint32 value)
{
    QByteArray bytes(4, '\0');
    for (int i = 0; i < 4; ++i)
        bytes[3 - i] = char(value >> (8 * i));
    return bytes;
}

QByteArray inflateAll(const QByteArray &compressed)
{
    z_stream stream{};
    EXPECT_EQ(inflateInit(&stream), Z_OK);
    stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(compressed.constData()));
    stream.avail_in = uInt(compressed.size());
    QByteArray out;
    char buffer[4096];
    int result;
    do {
        stream.next_out = reinterpret_cast<Bytef *>(buffer);
        stream.avail_out = sizeof buffer;
        result = inflate(&stream, Z_NO_FLUSH);
        out.append(buffer, int(sizeof buffer - stream.avail_out));
    } while (result == Z_OK);
    EXPECT_EQ(result, Z_STREAM_END);
    EXPECT_EQ(stream.avail_in, 0u) << "bytes after the zlib stream";
    inflateEnd(&stream);
    return out;
}

QByteArray deflateAll(const QByteArray &data, int level)
{
    uLongf size = compressBound(uLong(data.size()));
    QByteArray out(int(size), '\0');
    EXPECT_EQ(compress2(reinterpret_cast<Bytef *>(out.data()), &size,
                        reinterpret_cast<const Bytef *>(data.constData()), uLong(data.size()),
                        level),
              Z_OK);
    out.truncate(int(size));
    return out;
}

QByteArray version1Record(const QByteArray &name, quint32 offset, quint32 size, quint32 flag,
                          quint32 time)
{
    QByteArray record = name.leftJustified(1024, '\0', true);
    return record + le32(offset) + le32(size) + le32(flag) + le32(time);
}

QByteArray version2Record(const QByteArray &name, quint32 offset, quint32 size, quint32 mode,
                          quint32 time)
{
    return le16(quint32(name.size())) + le32(offset) + le32(size) + le32(mode) + le32(time)
           + name;
}

void setFileTime(const QString &path, qint64 seconds)
{
    const timeval times[2] = {{seconds, 0}, {seconds, 0}};
    ASSERT_EQ(lutimes(QFile::encodeName(path).constData(), times), 0);
}

quint32 fileMode(const QString &path)
{
    struct stat status;
    if (lstat(QFile::encodeName(path).constData(), &status) != 0)
        return 0;
    return quint32(status.st_mode);
}

qint64 fileTime(const QString &path)
{
    struct stat status;
    if (lstat(QFile::encodeName(path).constData(), &status) != 0)
        return -1;
    return status.st_mtime;
}
