#pragma once

#include "package/packagearchivecompressedfile.h"

#include <memory>

struct PackageArchiveBzStream;

/// Reads a bzip2 stream (normal, not small, decompression mode).
class PackageArchiveCompressedBzInputFile : public PackageArchiveCompressedInputFile
{
public:
    explicit PackageArchiveCompressedBzInputFile(FILE *file);  // "cannot initialise inflate"
    ~PackageArchiveCompressedBzInputFile() override;

protected:
    void startCodec() override;
    void endCodec() override;   // "error decompressing stream"
    qint64 rawRead(char *data, qint64 size) override;

private:
    std::unique_ptr<PackageArchiveBzStream> m_stream;
    bool m_atEnd = false;
};

/// Writes a bzip2 stream whose block size, in units of 100 kB, is the level (1 to 9;
/// any other level cannot start the codec).
class PackageArchiveCompressedBzOutputFile : public PackageArchiveCompressedOutputFile
{
public:
    PackageArchiveCompressedBzOutputFile(FILE *file, int level);  // "cannot initialise deflate"
    ~PackageArchiveCompressedBzOutputFile() override;

protected:
    void rawWrite(const char *data, qint64 size) override;
    void startCodec() override;
    void finishCodec() override;

private:
    std::unique_ptr<PackageArchiveBzStream> m_stream;
};
