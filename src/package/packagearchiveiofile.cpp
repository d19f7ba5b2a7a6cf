#include "packagearchiveiofile.h"

#include <sys/types.h>

PackageArchiveIOFileInterface::~PackageArchiveIOFileInterface() = default;

PackageArchiveIOFile::PackageArchiveIOFile(FILE *file, qint64 position)
    : m_file(file), m_start(ftello(file) - position)
{
}

PackageArchiveIOFile::~PackageArchiveIOFile() = default;

qint64 PackageArchiveIOFile::read(char *data, qint64 size)
{
    return qint64(fread(data, 1, size_t(size), m_file));
}

qint64 PackageArchiveIOFile::write(const char *data, qint64 size)
{
    return qint64(fwrite(data, 1, size_t(size), m_file));
}

bool PackageArchiveIOFile::seek(qint64 position)
{
    return position >= 0 && fseeko(m_file, off_t(m_start + position), SEEK_SET) == 0;
}
