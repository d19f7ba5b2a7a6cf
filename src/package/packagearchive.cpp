#include "packagearchive.h"

#include "packagearchive_p.h"
#include "packagearchivebzfile.h"
#include "packagearchivefields.h"
#include "packagearchivegzfile.h"

#include "qtx/hexception.h"

#include <QFile>
#include <QFileInfo>
#include <QRegExp>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

using Fields = PackageArchiveFields;
using Layout = PackageArchiveLayout;

// What container detection found: the open file, a reader positioned after the
// headers and, for version 1, the entry count of the inner header.
struct PackageArchive::Container
{
    QTx::FilePointer file;
    std::unique_ptr<PackageArchiveIOFileInterface> stream;
    qint32 version = 1;
    qint32 algorithm = zlibAlgorithm;
    quint32 count = 0;
};

PackageArchive::PackageArchive(const QString &fileName, QObject *parent)
    : QObject(parent), d(std::make_unique<PackageArchivePrivate>())
{
    d->fileName = fileName;
    if (!fileName.isEmpty())
        open(0, false);
}

PackageArchive::~PackageArchive() = default;

const QString &PackageArchive::fileName() const { return d->fileName; }
void PackageArchive::setFileName(const QString &fileName) { d->fileName = fileName; }
qint32 PackageArchive::version() const { return d->version; }
void PackageArchive::setVersion(qint32 version) { d->version = version; }
qint32 PackageArchive::compressionAlgorithm() const { return d->algorithm; }
void PackageArchive::setCompressionAlgorithm(qint32 algorithm) { d->algorithm = algorithm; }
bool PackageArchive::followSymbolicLinks() const { return d->followSymbolicLinks; }
void PackageArchive::setFollowSymbolicLinks(bool follow) { d->followSymbolicLinks = follow; }

QList<PackageArchiveFile *> PackageArchive::entries() const
{
    QList<PackageArchiveFile *> list;
    list.reserve(int(d->entries.size()));
    for (const auto &entry : d->entries)
        list.append(entry.get());
    return list;
}

int PackageArchive::entryCount() const
{
    return int(d->entries.size());
}

PackageArchiveFile *PackageArchive::entry(int index) const
{
    return d->entries.at(size_t(index)).get();
}

std::unique_ptr<PackageArchiveCompressedInputFile>
PackageArchive::createInputStream(qint32 algorithm, FILE *file)
{
    switch (algorithm) {
    case zlibAlgorithm:
        return std::make_unique<PackageArchiveCompressedGzInputFile>(file);
    case bzip2Algorithm:
        return std::make_unique<PackageArchiveCompressedBzInputFile>(file);
    default:
        throw HException("unsupported compression algorithm");
    }
}

std::unique_ptr<PackageArchiveCompressedOutputFile>
PackageArchive::createOutputStream(qint32 algorithm, FILE *file, int level)
{
    switch (algorithm) {
    case zlibAlgorithm:
        return std::make_unique<PackageArchiveCompressedGzOutputFile>(file, level);
    case bzip2Algorithm:
        return std::make_unique<PackageArchiveCompressedBzOutputFile>(file, level);
    default:
        throw HException("unsupported compression algorithm");
    }
}

void PackageArchive::outputFileOpened(FILE *) {}

void PackageArchive::inputFileOpened(FILE *) {}

// Reads the inner header (magic, entry count) that starts a version-1 stream.
static bool readInnerHeader(PackageArchiveIOFileInterface &stream, quint32 *count)
{
    uchar header[Layout::innerHeaderSize];
    if (stream.read(reinterpret_cast<char *>(header), sizeof header) != sizeof header
        || Fields::get32(header) != Layout::innerMagic)
        return false;
    *count = Fields::get32(header + 4);
    return true;
}

// The first four bytes choose the form:
//   A  0x71F5C6B1, algorithm << 12 | version, 0, then the compressed stream
//   B  0xB231F47A, 1, size hint (big-endian), then a zlib stream starting with the
//      inner header
//   C  the inner header 0x4152C3C8, count, uncompressed
// Offsets inside the stream count from its first decompressed byte.
std::unique_ptr<PackageArchive::Container> PackageArchive::detectContainer(const QString &path,
                                                                           qint64 offset)
{
    auto container = std::make_unique<Container>();
    container->file.reset(fopen(QFile::encodeName(path).constData(), "rb"));
    FILE *file = container->file.get();
    if (!file || (offset != 0 && fseeko(file, off_t(offset), SEEK_SET) != 0))
        return nullptr;
    inputFileOpened(file);
    uchar header[Layout::legacyHeaderSize];
    if (fread(header, 1, Layout::containerHeaderSize, file) != Layout::containerHeaderSize)
        return nullptr;
    const quint32 magic = Fields::get32(header);
    if (magic == Layout::compressedMagic) {
        const quint16 word = Fields::get16(header + 4);
        container->algorithm = word >> 12;
        container->version = word & 0xFFF;
        container->stream = createInputStream(container->algorithm, file);
        if (container->version == 2)
            return container;
        // A version-1 table in this form is never written; read it like form B.
        if (container->version == 1 && readInnerHeader(*container->stream, &container->count))
            return container;
        return nullptr;
    }
    if (magic == Layout::legacyMagic) {
        if (fread(header + 8, 1, 4, file) != 4)
            return nullptr;
        container->stream = createInputStream(zlibAlgorithm, file);
        if (!readInnerHeader(*container->stream, &container->count))
            return nullptr;
        return container;
    }
    if (magic != Layout::innerMagic)
        return nullptr;
    container->count = Fields::get32(header + 4);
    container->stream = std::make_unique<PackageArchiveIOFile>(file, Layout::innerHeaderSize);
    return container;
}

bool PackageArchive::probe(const QString &path, qint64 offset)
{
    try {
        return detectContainer(path, offset) != nullptr;
    } catch (const HException &) {
        return false;
    }
}

void PackageArchive::clearEntries()
{
    d->sortedIndex.clear();
    d->entries.clear();
}

void PackageArchive::open(qint64 offset, bool buildIndex)
{
    clearEntries();
    d->indexed = false;
    d->input.reset();
    d->inputFile.reset();
    if (!QFileInfo::exists(d->fileName))
        throw HException(d->fileName + " does not exist");
    std::unique_ptr<Container> container = detectContainer(d->fileName, offset);
    if (!container)
        throw HException("unsupported package file format");
    try {
        readTable(*container, buildIndex);
    } catch (...) {
        clearEntries();
        d->indexed = false;
        throw;
    }
    d->version = container->version;
    d->algorithm = container->algorithm;
    d->inputFile = std::move(container->file);
    d->input = std::move(container->stream);
}

static QDateTime timeFromField(quint32 seconds)
{
    return QDateTime::fromSecsSinceEpoch(qint64(seconds), Qt::UTC);
}

static QString nameFromField(const char *bytes, int size)
{
    return QString::fromUtf8(bytes, int(qstrnlen(bytes, uint(size))));
}

// Version 1, 1040 bytes per entry: name[1024] (NUL-terminated), offset, size,
// read-only flag, time. The mode is not kept: read-only files come back 0444,
// others 0666.
static PackageArchiveData readVersion1Record(PackageArchiveIOFileInterface &stream)
{
    char record[Layout::version1RecordSize];
    if (stream.read(record, sizeof record) != sizeof record)
        throw HException("bad table of contents");
    const uchar *fields = reinterpret_cast<const uchar *>(record) + Layout::version1NameSize;
    PackageArchiveData data;
    data.source = PackageArchiveSource::Archive;
    data.name = nameFromField(record, Layout::version1NameSize);
    data.offset = Fields::get32(fields);
    data.size = Fields::get32(fields + 4);
    data.mode = fields[8] != 0 ? 0444 : 0666;
    data.modificationTime = timeFromField(Fields::get32(fields + 12));
    return data;
}

// Version 2, 18 bytes per entry: name length (16 bits), offset, size, mode, time,
// then the name itself.
static PackageArchiveData readVersion2Record(PackageArchiveIOFileInterface &stream)
{
    uchar record[Layout::version2RecordSize];
    if (stream.read(reinterpret_cast<char *>(record), sizeof record) != sizeof record)
        throw HException("bad table of contents");
    const int nameSize = Fields::get16(record);
    char name[Layout::maxVersion2NameSize];
    if (stream.read(name, nameSize) != nameSize)
        throw HException("bad table of contents");
    PackageArchiveData data;
    data.source = PackageArchiveSource::Archive;
    data.name = QString::fromUtf8(name, nameSize);
    data.offset = Fields::get32(record + 2);
    data.size = Fields::get32(record + 6);
    data.mode = Fields::get32(record + 10) & PackageArchiveFile::modeMask;
    data.modificationTime = timeFromField(Fields::get32(record + 14));
    return data;
}

void PackageArchive::readTable(Container &container, bool buildIndex)
{
    PackageArchiveIOFileInterface &stream = *container.stream;
    quint32 count = container.count;
    if (container.version == 2) {
        uchar header[Layout::version2HeaderSize];
        if (stream.read(reinterpret_cast<char *>(header), sizeof header) != sizeof header)
            throw HException("bad header");
        count = Fields::get32(header);
    }
    // The count comes from the file: entries are only made from records actually
    // read, so a false count costs no memory before the table runs out.
    for (quint32 i = 0; i < count; ++i) {
        const PackageArchiveData data = container.version == 2 ? readVersion2Record(stream)
                                                               : readVersion1Record(stream);
        d->entries.push_back(std::make_unique<PackageArchiveFile>(data));
    }
    if (buildIndex)
        this->buildIndex();
}

void PackageArchive::buildIndex()
{
    // Equal names keep the order that inserting each entry at its lower bound gives:
    // the later entry first.
    d->sortedIndex.clear();
    d->sortedIndex.reserve(d->entries.size());
    for (auto it = d->entries.rbegin(); it != d->entries.rend(); ++it)
        d->sortedIndex.push_back(it->get());
    std::stable_sort(d->sortedIndex.begin(), d->sortedIndex.end(),
                     [](const PackageArchiveFile *a, const PackageArchiveFile *b) {
                         return a->name() < b->name();
                     });
    d->indexed = true;
}

static std::vector<PackageArchiveFile *>::const_iterator
lowerBound(const std::vector<PackageArchiveFile *> &index, const QString &name)
{
    return std::lower_bound(index.begin(), index.end(), name,
                            [](const PackageArchiveFile *entry, const QString &key) {
                                return entry->name() < key;
                            });
}

void PackageArchive::insertIntoIndex(PackageArchiveFile *entry)
{
    d->sortedIndex.insert(lowerBound(d->sortedIndex, entry->name()), entry);
}

PackageArchiveFile *PackageArchive::find(const QString &name) const
{
    if (d->sortedIndex.empty()) {
        for (const auto &entry : d->entries) {
            if (entry->name() == name)
                return entry.get();
        }
        return nullptr;
    }
    const auto it = lowerBound(d->sortedIndex, name);
    return it != d->sortedIndex.end() && (*it)->name() == name ? *it : nullptr;
}

PackageArchiveFile *PackageArchive::findFirstMatching(const QString &pattern) const
{
    QRegExp wildcard(pattern, Qt::CaseSensitive, QRegExp::Wildcard);
    for (const auto &entry : d->entries) {
        if (wildcard.exactMatch(entry->name()))
            return entry.get();
    }
    return nullptr;
}

PackageArchiveFile *PackageArchive::addFile(const QString &diskPath, const QString &archiveName)
{
    const QByteArray path = QFile::encodeName(diskPath);
    struct stat status;
    if (!d->followSymbolicLinks) {
        if (lstat(path.constData(), &status) != 0)
            throw HException("cannot lstat " + diskPath);
    } else {
        // Non-blocking, so that a named pipe cannot stall us; nothing is read here.
        const int fd = ::open(path.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0)
            throw HException("cannot read " + diskPath);
        const int result = fstat(fd, &status);
        ::close(fd);
        if (result != 0)
            throw HException("cannot read " + diskPath);
    }
    if (quint64(status.st_size) > 0xFFFFFFFFu)
        throw HException("file too large " + diskPath);

    PackageArchiveData data;
    data.name = archiveName;
    data.mode = quint32(status.st_mode) & PackageArchiveFile::modeMask;
    data.size = quint32(status.st_size);
    data.modificationTime = QDateTime::fromSecsSinceEpoch(status.st_mtime, Qt::UTC);
    if (S_ISLNK(status.st_mode)) {
        QByteArray target(int(status.st_size) + 1, Qt::Uninitialized);
        const ssize_t length = readlink(path.constData(), target.data(), size_t(target.size()));
        if (length < 0)
            throw HException("cannot lstat " + diskPath);
        target.truncate(int(length));
        data.source = PackageArchiveSource::Memory;
        data.bytes = target;
        data.size = quint32(target.size());
    } else {
        data.source = PackageArchiveSource::DiskFile;
        data.diskPath = diskPath;
    }

    if (PackageArchiveFile *existing = find(archiveName)) {
        PackageArchiveData &record = existing->data();
        record.source = data.source;
        record.diskPath = data.diskPath;
        record.bytes = data.bytes;
        record.size = data.size;
        record.mode = data.mode;
        record.modificationTime = data.modificationTime;
        return existing;
    }
    d->entries.push_back(std::make_unique<PackageArchiveFile>(data));
    PackageArchiveFile *entry = d->entries.back().get();
    if (d->indexed)
        insertIntoIndex(entry);
    return entry;
}

// Reads an archive entry's bytes, growing the buffer only as data arrives: a size
// from a hostile table cannot make us allocate more than the stream delivers.
static QByteArray readStored(PackageArchiveIOFileInterface *input,
                             const PackageArchiveFile &entry)
{
    const HException failure("cannot read file " + entry.name() + " from archive");
    constexpr qint64 firstChunk = 1 << 16;
    constexpr qint64 maxBytes = std::numeric_limits<int>::max() - 64;
    const qint64 size = entry.size();
    if (!input || size > maxBytes || !input->seek(entry.offset()))
        throw failure;
    QByteArray bytes;
    qint64 done = 0;
    while (done < size) {
        const qint64 chunk = std::min(size - done, std::max(firstChunk, done));
        bytes.resize(int(done + chunk));
        const qint64 count = input->read(bytes.data() + done, chunk);
        if (count != chunk)
            throw failure;
        done += chunk;
    }
    return bytes;
}

QByteArray PackageArchive::content(PackageArchiveFile *entry)
{
    switch (entry->source()) {
    case PackageArchiveSource::DiskFile: {
        QFile file(entry->diskPath());
        if (!file.open(QIODevice::ReadOnly))
            throw HException("cannot read file " + entry->name());
        return file.readAll();
    }
    case PackageArchiveSource::Memory:
        return entry->data().bytes;
    case PackageArchiveSource::Archive:
        return readStored(d->input.get(), *entry);
    case PackageArchiveSource::None:
        break;
    }
    return QByteArray();
}
