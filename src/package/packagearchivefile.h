#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QString>

#include <memory>

/// Where an entry's bytes come from.
enum class PackageArchiveSource : qint32 {
    None = 0,      // no bytes
    Archive = 1,   // stored in the archive's decompressed stream at an offset
    DiskFile = 2,  // read from a file on disk when needed
    Memory = 3,    // held in memory (the target of a symbolic link)
};

/// The record behind one archive entry.
struct PackageArchiveData
{
    PackageArchiveSource source = PackageArchiveSource::None;
    QString name;          // path inside the archive, '/'-separated
    QString diskPath;      // source file for DiskFile entries
    quint32 offset = 0;    // position in the decompressed stream for Archive entries
    quint32 size = 0;
    quint32 mode = 0;      // file type and permission bits, masked with modeMask
    QDateTime modificationTime;
    bool marked = false;
    QByteArray bytes;      // content of Memory entries
};

/// One entry of a package archive: a regular file or a symbolic link with its size,
/// mode and modification time. The archive owns its entries; the handle owns its
/// record.
class PackageArchiveFile
{
public:
    /// File-type bits and the nine permission bits; set-user-ID, set-group-ID and
    /// sticky bits are not kept.
    static constexpr quint32 modeMask = 0xF1FF;
    static constexpr quint32 fileTypeMask = 0xF000;
    static constexpr quint32 symbolicLinkType = 0xA000;

    PackageArchiveFile();
    explicit PackageArchiveFile(const PackageArchiveData &data);
    ~PackageArchiveFile();
    PackageArchiveFile(const PackageArchiveFile &) = delete;
    PackageArchiveFile &operator=(const PackageArchiveFile &) = delete;

    PackageArchiveSource source() const { return m_data->source; }
    const QString &name() const { return m_data->name; }
    const QString &diskPath() const { return m_data->diskPath; }
    quint32 offset() const { return m_data->offset; }
    quint32 size() const { return m_data->size; }
    quint32 mode() const { return m_data->mode; }
    const QDateTime &modificationTime() const { return m_data->modificationTime; }
    bool isMarked() const { return m_data->marked; }
    void setMarked(bool marked) { m_data->marked = marked; }
    bool isSymbolicLink() const { return (mode() & fileTypeMask) == symbolicLinkType; }

    /// The whole record, for the archive that fills and updates it.
    PackageArchiveData &data() { return *m_data; }
    const PackageArchiveData &data() const { return *m_data; }

private:
    std::unique_ptr<PackageArchiveData> m_data;
};
