// Opens arbitrary bytes as a package archive, lists it and reads every entry's content
// (in table order, then a few backwards), as tessapkg list and extract would.
#include "package/packagearchive.h"
#include "package/packagearchivefile.h"
#include "qtx/hexception.h"

#include <sys/mman.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>

namespace {

// Entries are read only up to this size, so that a tiny input expanding into a huge
// but legitimate entry does not exceed the fuzzer's memory limit.
constexpr quint32 maxContent = 4u << 20;

QString archivePath()
{
    static const int fd = memfd_create("package", 0);
    return QStringLiteral("/proc/self/fd/%1").arg(fd);
}

void writeInput(const QString &path, const uint8_t *data, size_t size)
{
    const int fd = path.mid(path.lastIndexOf('/') + 1).toInt();
    if (ftruncate(fd, 0) != 0 || pwrite(fd, data, size, 0) != ssize_t(size))
        abort();
}

void readEntries(PackageArchive &archive)
{
    const QList<PackageArchiveFile *> entries = archive.entries();
    for (PackageArchiveFile *entry : entries) {
        archive.find(entry->name());
        if (entry->size() <= maxContent)
            archive.content(entry);
    }
    for (int i = entries.size() - 1; i >= 0 && i >= entries.size() - 3; --i) {
        if (entries[i]->size() <= maxContent)
            archive.content(entries[i]);
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString path = archivePath();
    writeInput(path, data, size);
    PackageArchive archive;
    archive.probe(path);
    archive.setFileName(path);
    try {
        archive.open(0, size > 0 && (data[size - 1] & 1));
    } catch (const HException &) {
        if (archive.entryCount() != 0)
            abort();  // a failed open must leave no entries
        return 0;
    }
    try {
        readEntries(archive);
    } catch (const HException &) {
    }
    return 0;
}
