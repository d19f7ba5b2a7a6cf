#include "packagearchivebzfile.h"

#include "qtx/hexception.h"

#include <bzlib.h>

#include <algorithm>
#include <climits>

namespace {

constexpr int bzVerbosity = 0;
constexpr int bzWorkFactor = 30;
constexpr int bzSmallDecompress = 0;

unsigned clampToUnsigned(qint64 size)
{
    return unsigned(std::min<qint64>(size, UINT_MAX));
}

} // namespace

// Owns one bz_stream and ends it on every path, so that a throwing read or write never
// leaks the codec's state.
struct PackageArchiveBzStream
{
    enum class Direction { Decompress, Compress };

    explicit PackageArchiveBzStream(Direction direction) : direction(direction) {}
    ~PackageArchiveBzStream() { end(); }
    PackageArchiveBzStream(const PackageArchiveBzStream &) = delete;
    PackageArchiveBzStream &operator=(const PackageArchiveBzStream &) = delete;

    int end()
    {
        if (!started)
            return BZ_OK;
        started = false;
        return direction == Direction::Decompress ? BZ2_bzDecompressEnd(&stream)
                                                  : BZ2_bzCompressEnd(&stream);
    }

    bz_stream stream{};
    Direction direction;
    bool started = false;
};

PackageArchiveCompressedBzInputFile::PackageArchiveCompressedBzInputFile(FILE *file)
    : PackageArchiveCompressedInputFile(file),
      m_stream(std::make_unique<PackageArchiveBzStream>(
          PackageArchiveBzStream::Direction::Decompress))
{
    startCodec();
}

PackageArchiveCompressedBzInputFile::~PackageArchiveCompressedBzInputFile() = default;

void PackageArchiveCompressedBzInputFile::startCodec()
{
    m_stream->end();
    m_stream->stream = bz_stream{};
    if (BZ2_bzDecompressInit(&m_stream->stream, bzVerbosity, bzSmallDecompress) != BZ_OK)
        throw HException("cannot initialise inflate");
    m_stream->started = true;
    m_atEnd = false;
}

void PackageArchiveCompressedBzInputFile::endCodec()
{
    if (m_stream->end() != BZ_OK)
        throw HException("error decompressing stream");
}

qint64 PackageArchiveCompressedBzInputFile::rawRead(char *data, qint64 size)
{
    bz_stream &stream = m_stream->stream;
    if (m_atEnd || !m_stream->started)
        return 0;
    stream.next_out = data;
    stream.avail_out = clampToUnsigned(size);
    const unsigned wanted = stream.avail_out;
    while (stream.avail_out > 0) {
        if (stream.avail_in == 0) {
            const size_t count = fillBuffer();
            if (count == 0)  // the file ends inside the stream
                throw HException("error reading from compressed stream");
            stream.next_in = buffer();
            stream.avail_in = unsigned(count);
        }
        const int result = BZ2_bzDecompress(&stream);
        if (result == BZ_STREAM_END) {
            m_atEnd = true;
            break;
        }
        if (result != BZ_OK)
            throw HException("error reading from compressed stream");
    }
    return qint64(wanted - stream.avail_out);
}

PackageArchiveCompressedBzOutputFile::PackageArchiveCompressedBzOutputFile(FILE *file,
                                                                           int level)
    : PackageArchiveCompressedOutputFile(file, level),
      m_stream(std::make_unique<PackageArchiveBzStream>(
          PackageArchiveBzStream::Direction::Compress))
{
    startCodec();
}

PackageArchiveCompressedBzOutputFile::~PackageArchiveCompressedBzOutputFile() = default;

void PackageArchiveCompressedBzOutputFile::startCodec()
{
    m_stream->end();
    m_stream->stream = bz_stream{};
    if (BZ2_bzCompressInit(&m_stream->stream, level(), bzVerbosity, bzWorkFactor) != BZ_OK)
        throw HException("cannot initialise deflate");
    m_stream->started = true;
}

void PackageArchiveCompressedBzOutputFile::rawWrite(const char *data, qint64 size)
{
    bz_stream &stream = m_stream->stream;
    while (size > 0) {
        const unsigned piece = clampToUnsigned(size);
        stream.next_in = const_cast<char *>(data);
        stream.avail_in = piece;
        while (stream.avail_in > 0) {
            stream.next_out = buffer();
            stream.avail_out = packageArchiveBufferSize;
            if (BZ2_bzCompress(&stream, BZ_RUN) != BZ_RUN_OK)
                throw HException("error compressing stream");
            writeOut(buffer(), packageArchiveBufferSize - stream.avail_out);
        }
        data += piece;
        size -= piece;
    }
}

void PackageArchiveCompressedBzOutputFile::finishCodec()
{
    bz_stream &stream = m_stream->stream;
    stream.next_in = nullptr;
    stream.avail_in = 0;
    int result;
    do {
        stream.next_out = buffer();
        stream.avail_out = packageArchiveBufferSize;
        result = BZ2_bzCompress(&stream, BZ_FINISH);
        if (result != BZ_FINISH_OK && result != BZ_STREAM_END)
            throw HException("error compressing stream");
        writeOut(buffer(), packageArchiveBufferSize - stream.avail_out);
    } while (result != BZ_STREAM_END);
    if (m_stream->end() != BZ_OK)
        throw HException("error compressing stream");
}
