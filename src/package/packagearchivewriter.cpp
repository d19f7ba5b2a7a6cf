// Writing archives: version 1 in the legacy container (always zlib), version 2 in the
// compressed container with the archive's algorithm.
#include "packagearchive.h"

#include "packagearchive_p.h"
#include "packagearchivecompressedfile.h"
#include "packagearchivefields.h"

#include "qtx/hexception.h"

#include <QFile>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include <vector>

using Fields = PackageArchiveFields;
using Layout = PackageArchiveLayout;

namespace {

constexpr int defaultLevel = 7;
constexpr int maxLevel = 9;
constexpr qint64 maxStreamSize = 0xFFFFFFFFu;  // offsets and sizes are 32-bit
constexpr int copyBufferSize = 1 << 18;

int effectiveLevel(int level)
{
    if (level < 0)
        return defaultLevel;
    return std::min(level, maxLevel);
}

quint32 timeField(const QDateTime &time)
{
    return quint32(time.toSecsSinceEpoch());
}

void writeTable(PackageArchiveIOFileInterface &stream, const void *data, qint64 size)
{
    if (stream.write(static_cast<const char *>(data), size) != size)
        throw HException("cannot write table of contents");
}

// Hands out each entry's offset as the table is written: the contents follow the
// table back to back, in table order.
class OffsetCounter
{
public:
    explicit OffsetCounter(qint64 start) : m_next(start) {}
    quint32 take(quint32 size)
    {
        const qint64 offset = m_next;
        m_next += size;
        if (m_next > maxStreamSize)
            throw HException("archive too large");
        return quint32(offset);
    }

private:
    qint64 m_next;
};

} // namespace

void PackageArchive::save(int level)
{
    saveAs(d->fileName, level);
}

void PackageArchive::saveAs(const QString &path, int level)
{
    if (!isOpenInput(path)) {
        writeArchive(path, level);
        return;
    }
    // The entries are still read from this very file: write a new one beside it and
    // put it in place only when complete.
    const QString temporary = path + ".new";
    writeArchive(temporary, level);
    if (::rename(QFile::encodeName(temporary).constData(), QFile::encodeName(path).constData())
        != 0)
        throw HException("cannot open output file");
}

bool PackageArchive::isOpenInput(const QString &path) const
{
    struct stat input, output;
    return d->inputFile && fstat(fileno(d->inputFile.get()), &input) == 0
           && stat(QFile::encodeName(path).constData(), &output) == 0
           && input.st_dev == output.st_dev && input.st_ino == output.st_ino;
}

void PackageArchive::writeArchive(const QString &path, int level)
{
    QTx::FilePointer file(fopen(QFile::encodeName(path).constData(), "wb"));
    if (!file)
        throw HException("cannot open output file");
    outputFileOpened(file.get());
    if (d->version == 1)
        writeVersion1(file.get(), effectiveLevel(level));
    else
        writeVersion2(file.get(), effectiveLevel(level));
    if (fclose(file.release()) != 0)
        throw HException("error writing to compressed stream");
}

// Legacy container: magic, 1, size hint (big-endian, ignored by readers), then a zlib
// stream of inner header, 1040-byte records and contents.
void PackageArchive::writeVersion1(FILE *file, int level)
{
    const quint32 count = quint32(d->entries.size());
    quint64 total = quint64(Layout::version1RecordSize) * count;
    for (const auto &entry : d->entries)
        total += entry->size();
    uchar header[Layout::legacyHeaderSize];
    Fields::put32(header, Layout::legacyMagic);
    Fields::put32(header + 4, 1);
    Fields::put32(header + 8, quint32(total + total / 100 + 13), 1);
    if (fwrite(header, 1, sizeof header, file) != sizeof header)
        throw HException("cannot write header");

    std::unique_ptr<PackageArchiveCompressedOutputFile> stream
        = createOutputStream(zlibAlgorithm, file, level);
    uchar inner[Layout::innerHeaderSize];
    Fields::put32(inner, Layout::innerMagic);
    Fields::put32(inner + 4, count);
    if (stream->write(reinterpret_cast<const char *>(inner), sizeof inner) != sizeof inner)
        throw HException("cannot write header2");

    OffsetCounter offsets(Layout::innerHeaderSize
                          + qint64(Layout::version1RecordSize) * count);
    for (const auto &entry : d->entries) {
        const QByteArray name = entry->name().toUtf8();
        if (name.size() >= Layout::version1NameSize)
            throw HException("filename too long");
        uchar record[Layout::version1RecordSize] = {};
        memcpy(record, name.constData(), size_t(name.size()));
        uchar *fields = record + Layout::version1NameSize;
        Fields::put32(fields, offsets.take(entry->size()));
        Fields::put32(fields + 4, entry->size());
        Fields::put32(fields + 8, (entry->mode() & 0222) == 0 ? 1 : 0);
        Fields::put32(fields + 12, timeField(entry->modificationTime()));
        writeTable(*stream, record, sizeof record);
    }
    writeContents(*stream);
    stream->close();
}

// Compressed container: magic, algorithm << 12 | 2, 0, then the stream of the 20-byte
// header, 18-byte records with their names, and contents.
void PackageArchive::writeVersion2(FILE *file, int level)
{
    uchar header[Layout::containerHeaderSize] = {};
    Fields::put32(header, Layout::compressedMagic);
    Fields::put16(header + 4, quint16((d->algorithm & 0xF) << 12 | 2));
    if (fwrite(header, 1, sizeof header, file) != sizeof header)
        throw HException("cannot write header");

    std::unique_ptr<PackageArchiveCompressedOutputFile> stream
        = createOutputStream(d->algorithm, file, level);
    const quint32 count = quint32(d->entries.size());
    uchar tableHeader[Layout::version2HeaderSize] = {};
    Fields::put32(tableHeader, count);
    if (stream->write(reinterpret_cast<const char *>(tableHeader), sizeof tableHeader)
        != sizeof tableHeader)
        throw HException("cannot write header2");

    std::vector<QByteArray> names;
    names.reserve(count);
    qint64 tableSize = Layout::version2HeaderSize + qint64(Layout::version2RecordSize) * count;
    for (const auto &entry : d->entries) {
        names.push_back(entry->name().toUtf8());
        tableSize += names.back().size();
    }
    OffsetCounter offsets(tableSize);
    for (size_t i = 0; i < d->entries.size(); ++i) {
        const PackageArchiveFile &entry = *d->entries[i];
        if (names[i].size() > Layout::maxVersion2NameSize)
            throw HException("filename too long");
        uchar record[Layout::version2RecordSize];
        Fields::put16(record, quint16(names[i].size()));
        Fields::put32(record + 2, offsets.take(entry.size()));
        Fields::put32(record + 6, entry.size());
        Fields::put32(record + 10, entry.mode() & PackageArchiveFile::modeMask);
        Fields::put32(record + 14, timeField(entry.modificationTime()));
        writeTable(*stream, record, sizeof record);
        writeTable(*stream, names[i].constData(), names[i].size());
    }
    writeContents(*stream);
    stream->close();
}

void PackageArchive::writeContents(PackageArchiveIOFileInterface &stream)
{
    for (const auto &entry : d->entries)
        writeContent(entry.get(), stream);
}

// Writes exactly the entry's size in bytes, so that the offsets in the table hold even
// when a disk file has changed since it was added. Disk files go through a fixed
// buffer rather than being read whole.
void PackageArchive::writeContent(PackageArchiveFile *entry, PackageArchiveIOFileInterface &stream)
{
    const HException failure("cannot write file");
    if (entry->source() != PackageArchiveSource::DiskFile) {
        const QByteArray bytes = content(entry);
        if (bytes.size() < qint64(entry->size())
            || stream.write(bytes.constData(), entry->size()) != entry->size())
            throw failure;
        return;
    }
    QTx::FileDescriptor file(::open(QFile::encodeName(entry->diskPath()).constData(),
                                         O_RDONLY | O_CLOEXEC));
    if (!file.isValid())
        throw HException("cannot read file " + entry->name());
    std::unique_ptr<char[]> buffer(new char[copyBufferSize]);
    qint64 remaining = entry->size();
    while (remaining > 0) {
        const size_t wanted = size_t(std::min<qint64>(remaining, copyBufferSize));
        const ssize_t count = ::read(file.fd(), buffer.get(), wanted);
        if (count < 0 && errno == EINTR)
            continue;
        if (count <= 0 || stream.write(buffer.get(), count) != count)
            throw failure;
        remaining -= count;
    }
}
