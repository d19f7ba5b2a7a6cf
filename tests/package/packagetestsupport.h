#pragma once

#include "testsupport.h"

#include "qtx/hexception.h"

#include <gmock/gmock.h>

#include <QByteArray>
#include <QList>
#include <QString>

#include <sys/stat.h>

/// A fixed time used for files and entries: 2021-03-04 05:06:07 UTC.
constexpr qint64 fixedTime = 1614834367;

// Little-endian field bytes for hand-built archives.
QByteArray le16(quint32 value);
QByteArray le32(quint32 value);

/// The zlib stream `compressed` inflated; empty when it is not one.
QByteArray inflateAll(const QByteArray &compressed);
/// `data` as one zlib stream.
QByteArray deflateAll(const QByteArray &data, int level = 6);

/// A version-1 record: name, offset, size, read-only flag, time.
QByteArray version1Record(const QByteArray &name, quint32 offset, quint32 size, quint32 flag,
                          quint32 time);
/// A version-2 record followed by its name.
QByteArray version2Record(const QByteArray &name, quint32 offset, quint32 size, quint32 mode,
                          quint32 time);
/// The three containers around a stream: the compressed container's 8-byte header
/// followed by `stream` as it is, the legacy header followed by `stream` deflated, and
/// the uncompressed inner header followed by the table and contents.
QByteArray formA(int algorithm, int version, const QByteArray &stream);
QByteArray formB(const QByteArray &stream);
QByteArray formC(quint32 count, const QByteArray &tableAndContents);

/// An entry as a test describes it: a file of that mode and time on disk, or a record
/// of a hand-built archive.
struct StoredEntry
{
    QByteArray name;
    quint32 mode;
    QByteArray content;
    qint64 time = fixedTime;
};
/// A version-2 zlib archive of the entries, built by hand.
QByteArray version2Archive(const QList<StoredEntry> &entries);

/// Matches a callable that throws HException with exactly `message`.
testing::Matcher<std::function<void()>> throwsMessage(const QString &message);

/// The status of a path, without following a final link; all zero when there is none.
struct stat statusOf(const QString &path);

/// Names each test of a table after its row's `name`.
template <class Row>
std::string rowName(const testing::TestParamInfo<Row> &info)
{
    return info.param.name;
}

/// A temporary directory with helpers for files of a given mode and time.
class PackageTest : public TempDirTest
{
protected:
    /// Writes the file with that mode and time and returns its path.
    QString put(const QString &relative, const QByteArray &content, quint32 mode = 0644,
                qint64 time = fixedTime);
    /// Makes a symbolic link to `target` with the time fixedTime.
    void putLink(const QString &relative, const QByteArray &target);
    /// Writes the entries as files under `archive` + ".in/" and saves them, under their
    /// own names, as `archive`; returns the archive's path.
    QString save(const QString &archive, const QList<StoredEntry> &entries, int version = 2,
                 int algorithm = 0, int level = -1);
};

/// A table of cases, one row of type Row per test, each in its own temporary directory.
template <class Row>
class PackageTableTest : public PackageTest, public testing::WithParamInterface<Row>
{
};
