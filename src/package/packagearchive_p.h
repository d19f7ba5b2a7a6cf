#pragma once

#include "package/packagearchivefile.h"
#include "package/packagearchiveiofile.h"

#include <QString>

#include <cstdio>
#include <memory>
#include <vector>

struct PackageArchiveFileCloser
{
    void operator()(FILE *file) const { fclose(file); }
};
using PackageArchiveFilePointer = std::unique_ptr<FILE, PackageArchiveFileCloser>;

/// The state of a PackageArchive.
struct PackageArchivePrivate
{
    QString fileName;
    // The open archive file and the reader positioned in it; the stream is declared
    // after the file so that it goes first.
    PackageArchiveFilePointer inputFile;
    std::unique_ptr<PackageArchiveIOFileInterface> input;
    std::vector<std::unique_ptr<PackageArchiveFile>> entries;  // table order
    std::vector<PackageArchiveFile *> sortedIndex;             // by name, when indexed
    bool indexed = false;
    qint32 version = 1;
    qint32 algorithm = 0;
    bool followSymbolicLinks = true;
};

/// Closes a POSIX file descriptor on every path.
class PackageArchiveDescriptor
{
public:
    explicit PackageArchiveDescriptor(int fd) : m_fd(fd) {}
    ~PackageArchiveDescriptor() { close(); }
    PackageArchiveDescriptor(const PackageArchiveDescriptor &) = delete;
    PackageArchiveDescriptor &operator=(const PackageArchiveDescriptor &) = delete;

    int fd() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    int close();  // 0, or -1 when closing failed

private:
    int m_fd;
};
