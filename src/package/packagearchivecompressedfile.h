#pragma once

#include "package/packagearchiveiofile.h"

#include <array>

/// Size of the raw buffers between a codec and its file.
constexpr int packageArchiveBufferSize = 16384;

/// A decompressing reader over a `FILE`: counts the bytes it delivers, and reaches an
/// earlier position by restarting the codec from the stream's first byte. Reading in
/// increasing positions therefore never restarts. A concrete codec implements the three
/// hooks and calls startCodec() from its own constructor.
class PackageArchiveCompressedInputFile : public PackageArchiveIOFileInterface
{
public:
    /// The compressed data starts at the file's current offset; the file stays the
    /// caller's and must outlive the stream.
    explicit PackageArchiveCompressedInputFile(FILE *file);
    ~PackageArchiveCompressedInputFile() override;
    PackageArchiveCompressedInputFile(const PackageArchiveCompressedInputFile &) = delete;
    PackageArchiveCompressedInputFile &operator=(const PackageArchiveCompressedInputFile &)
        = delete;

    qint64 read(char *data, qint64 size) override;
    qint64 write(const char *data, qint64 size) override;  // always -1
    bool seek(qint64 position) override;

    qint64 position() const { return m_position; }

protected:
    virtual void startCodec() = 0;
    virtual void endCodec() = 0;
    /// Decodes up to `size` bytes; fewer only at the end of the compressed stream.
    virtual qint64 rawRead(char *data, qint64 size) = 0;

    /// Refills the raw buffer from the file; returns the count read (0 at end of file).
    size_t fillBuffer();
    char *buffer() { return m_buffer.data(); }
    FILE *file() const { return m_file; }

private:
    FILE *m_file;
    qint64 m_start;          // file offset of the first compressed byte
    qint64 m_position = 0;   // decompressed bytes delivered since the start
    std::array<char, packageArchiveBufferSize> m_buffer;
};

/// A compressing writer over a `FILE`: counts the bytes given to it and sends the
/// codec's output to the file. close() finishes the codec once; a concrete codec
/// implements the hooks and calls startCodec() from its own constructor.
class PackageArchiveCompressedOutputFile : public PackageArchiveIOFileInterface
{
public:
    PackageArchiveCompressedOutputFile(FILE *file, int level);
    ~PackageArchiveCompressedOutputFile() override;
    PackageArchiveCompressedOutputFile(const PackageArchiveCompressedOutputFile &) = delete;
    PackageArchiveCompressedOutputFile &operator=(const PackageArchiveCompressedOutputFile &)
        = delete;

    qint64 read(char *data, qint64 size) override;  // always -1
    qint64 write(const char *data, qint64 size) override;
    bool seek(qint64 position) override;            // always false

    /// Flushes the codec's remaining output; throws HException on failure.
    void close();
    qint64 position() const { return m_position; }

protected:
    /// Compresses `size` bytes, writing whatever output the codec produces.
    virtual void rawWrite(const char *data, qint64 size) = 0;
    virtual void startCodec() = 0;
    virtual void finishCodec() = 0;

    /// Sends compressed bytes to the file ("error writing to compressed stream").
    void writeOut(const char *data, size_t size);
    char *buffer() { return m_buffer.data(); }
    int level() const { return m_level; }

private:
    FILE *m_file;
    int m_level;
    qint64 m_position = 0;
    bool m_closed = false;
    std::array<char, packageArchiveBufferSize> m_buffer;
};
