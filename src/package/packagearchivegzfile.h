#pragma once

#include "package/packagearchivecompressedfile.h"

#include <memory>

struct PackageArchiveZStream;

/// Reads a zlib-format stream (zlib header and checksum, no gzip framing).
class PackageArchiveCompressedGzInputFile : public PackageArchiveCompressedInputFile
{
public:
    explicit PackageArchiveCompressedGzInputFile(FILE *file);  // "cannot initialise inflate"
    ~PackageArchiveCompressedGzInputFile() override;

protected:
    void startCodec() override;
    void endCodec() override;
    qint64 rawRead(char *data, qint64 size) override;

private:
    std::unique_ptr<PackageArchiveZStream> m_stream;
    bool m_atEnd = false;
};

/// Writes a zlib-format stream at a compression level from 0 to 9.
class PackageArchiveCompressedGzOutputFile : public PackageArchiveCompressedOutputFile
{
public:
    PackageArchiveCompressedGzOutputFile(FILE *file, int level);  // "cannot initialise deflate"
    ~PackageArchiveCompressedGzOutputFile() override;

protected:
    void rawWrite(const char *data, qint64 size) override;
    void startCodec() override;
    void finishCodec() override;

private:
    std::unique_ptr<PackageArchiveZStream> m_stream;
};
