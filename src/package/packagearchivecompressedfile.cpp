#include "packagearchivecompressedfile.h"

#include "qtx/hexception.h"

#include <sys/types.h>

#include <algorithm>

PackageArchiveCompressedInputFile::PackageArchiveCompressedInputFile(FILE *file)
    : m_file(file), m_start(ftello(file))
{
}

PackageArchiveCompressedInputFile::~PackageArchiveCompressedInputFile() = default;

qint64 PackageArchiveCompressedInputFile::read(char *data, qint64 size)
{
    qint64 done = 0;
    while (done < size) {
        const qint64 count = rawRead(data + done, size - done);
        if (count <= 0)
            break;
        done += count;
    }
    m_position += done;
    return done;
}

qint64 PackageArchiveCompressedInputFile::write(const char *, qint64)
{
    return -1;
}

bool PackageArchiveCompressedInputFile::seek(qint64 position)
{
    if (position < 0)
        return false;
    if (position < m_position) {
        // The codecs cannot go back: decode again from the first byte.
        endCodec();
        if (fseeko(m_file, off_t(m_start), SEEK_SET) != 0)
            return false;
        m_position = 0;
        startCodec();
    }
    std::array<char, packageArchiveBufferSize> discard;
    while (m_position < position) {
        const qint64 chunk = std::min<qint64>(position - m_position, discard.size());
        if (read(discard.data(), chunk) != chunk)
            return false;
    }
    return true;
}

size_t PackageArchiveCompressedInputFile::fillBuffer()
{
    return fread(m_buffer.data(), 1, m_buffer.size(), m_file);
}

PackageArchiveCompressedOutputFile::PackageArchiveCompressedOutputFile(FILE *file, int level)
    : m_file(file), m_level(level)
{
}

PackageArchiveCompressedOutputFile::~PackageArchiveCompressedOutputFile() = default;

qint64 PackageArchiveCompressedOutputFile::read(char *, qint64)
{
    return -1;
}

qint64 PackageArchiveCompressedOutputFile::write(const char *data, qint64 size)
{
    if (size <= 0)
        return 0;
    rawWrite(data, size);
    m_position += size;
    return size;
}

bool PackageArchiveCompressedOutputFile::seek(qint64)
{
    return false;
}

void PackageArchiveCompressedOutputFile::close()
{
    if (m_closed)
        return;
    m_closed = true;
    finishCodec();
    if (fflush(m_file) != 0)
        throw HException("error writing to compressed stream");
}

void PackageArchiveCompressedOutputFile::writeOut(const char *data, size_t size)
{
    if (size > 0 && fwrite(data, 1, size, m_file) != size)
        throw HException("error writing to compressed stream");
}
