#pragma once

#include <QList>
#include <QObject>
#include <QString>

#include <cstdio>
#include <memory>

class PackageArchiveCompressedInputFile;
class PackageArchiveCompressedOutputFile;
class PackageArchiveFile;
class PackageArchiveIOFileInterface;
struct PackageArchivePrivate;

/// A package archive: a flat list of named entries (regular files and symbolic links
/// with size, mode and modification time) behind a table of contents, stored in one of
/// three container forms and compressed with zlib or bzip2. It reads a table, finds,
/// marks and extracts entries, compares two archives and writes new archive files.
/// Every failure throws HException with a short message.
class PackageArchive : public QObject
{
    Q_OBJECT

public:
    /// Compression algorithms of the compressed container.
    static constexpr qint32 zlibAlgorithm = 0;
    static constexpr qint32 bzip2Algorithm = 1;

    /// Opens the archive at offset 0, without the sorted index, when the name is not
    /// empty (through this class's own stream factories: a subclass's are not yet in
    /// place during construction).
    explicit PackageArchive(const QString &fileName = QString(), QObject *parent = nullptr);
    ~PackageArchive() override;

    /// Reads the table of contents of the archive that starts `offset` bytes into the
    /// file; with `buildIndex`, find() searches a sorted index. A failed open leaves no
    /// entries.
    void open(qint64 offset = 0, bool buildIndex = false);
    /// Whether the file holds an archive in any container form at that offset; nothing
    /// beyond the headers is read and this archive is left as it is.
    bool probe(const QString &path, qint64 offset = 0);

    const QString &fileName() const;
    void setFileName(const QString &fileName);
    qint32 version() const;
    void setVersion(qint32 version);
    qint32 compressionAlgorithm() const;
    void setCompressionAlgorithm(qint32 algorithm);
    bool followSymbolicLinks() const;
    void setFollowSymbolicLinks(bool follow);

    /// The entries in table order; the archive owns them.
    QList<PackageArchiveFile *> entries() const;
    int entryCount() const;
    PackageArchiveFile *entry(int index) const;
    /// The entry of exactly that name, or nullptr.
    PackageArchiveFile *find(const QString &name) const;
    /// The first entry in table order whose whole name matches the case-sensitive
    /// wildcard pattern, or nullptr.
    PackageArchiveFile *findFirstMatching(const QString &pattern) const;
    /// Keeps a sorted index of the entries from now on, so that find() is a binary search.
    void buildIndex();

    /// Adds an entry from a file on disk, or updates the entry of that name.
    PackageArchiveFile *addFile(const QString &diskPath, const QString &archiveName);
    /// The entry's bytes.
    QByteArray content(PackageArchiveFile *entry);

    void extract(PackageArchiveFile *entry, const QString &outputPath, bool overwrite);
    /// Extracts to directory + "/" + name; refuses a name that is absolute, has a ".."
    /// component or leads through a symbolic link ("unsafe entry name ").
    void extractIntoDirectory(PackageArchiveFile *entry, const QString &directory,
                              bool overwrite);
    void extractAll(const QString &directory, bool overwrite);
    void extractMarked(const QString &directory, bool overwrite);

    /// Writes the archive to its own file name. Level 0 to 9; negative means 7, more
    /// than 9 means 9.
    void save(int level = -1);
    void saveAs(const QString &path, int level = -1);

    /// Prints the differences between this archive and `other` to `out` and returns the
    /// number of differences found.
    int compare(PackageArchive &other, bool showTextDifferences, bool compareTimes,
                bool compareModes, FILE *out = stdout);

protected:
    /// A decompressing reader for the algorithm, starting at the file's current offset;
    /// throws "unsupported compression algorithm" for an unknown one.
    virtual std::unique_ptr<PackageArchiveCompressedInputFile>
    createInputStream(qint32 algorithm, FILE *file);
    /// A compressing writer for the algorithm at the level.
    virtual std::unique_ptr<PackageArchiveCompressedOutputFile>
    createOutputStream(qint32 algorithm, FILE *file, int level);
    /// Called when an output archive file has been opened, before anything is written.
    virtual void outputFileOpened(FILE *file);
    /// Called when an input archive file has been opened and positioned at the start.
    virtual void inputFileOpened(FILE *file);

private:
    struct Container;
    std::unique_ptr<Container> detectContainer(const QString &path, qint64 offset);
    void readTable(Container &container, bool buildIndex);
    void clearEntries();
    void writeArchive(const QString &path, int level);
    void writeVersion1(FILE *file, int level);
    void writeVersion2(FILE *file, int level);
    void writeContents(PackageArchiveIOFileInterface &stream);
    void writeContent(PackageArchiveFile *entry, PackageArchiveIOFileInterface &stream);
    void insertIntoIndex(PackageArchiveFile *entry);
    bool isOpenInput(const QString &path) const;

    std::unique_ptr<PackageArchivePrivate> d;
};
