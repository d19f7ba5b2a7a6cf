#pragma once

#include <QtGlobal>

#include <cstdio>

/// The byte stream an archive is read from or written to. Positions count bytes of the
/// archive's logical (decompressed) data from its first byte.
class PackageArchiveIOFileInterface
{
public:
    virtual ~PackageArchiveIOFileInterface();

    /// Reads up to `size` bytes; fewer only at the end of the data. Throws HException
    /// when the data cannot be decoded.
    virtual qint64 read(char *data, qint64 size) = 0;
    /// Writes `size` bytes; returns the count written, or -1 when the stream is not
    /// writable.
    virtual qint64 write(const char *data, qint64 size) = 0;
    /// Moves to a logical position; false when the stream cannot get there.
    virtual bool seek(qint64 position) = 0;
};

/// An uncompressed stream over a standard `FILE`, whose position 0 is the file offset
/// where the stream was created. The file stays the caller's.
class PackageArchiveIOFile : public PackageArchiveIOFileInterface
{
public:
    /// `position` is the logical position of the file's current offset.
    explicit PackageArchiveIOFile(FILE *file, qint64 position = 0);
    ~PackageArchiveIOFile() override;
    PackageArchiveIOFile(const PackageArchiveIOFile &) = delete;
    PackageArchiveIOFile &operator=(const PackageArchiveIOFile &) = delete;

    qint64 read(char *data, qint64 size) override;
    qint64 write(const char *data, qint64 size) override;
    bool seek(qint64 position) override;

private:
    FILE *m_file;
    qint64 m_start;  // file offset of logical position 0
};
