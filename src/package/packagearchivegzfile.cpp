#include "packagearchivegzfile.h"

#include "qtx/hexception.h"

#include <zlib.h>

#include <algorithm>
#include <climits>

// Owns one z_stream and ends it on every path, so that a throwing read or write
// never leaks the codec's state.
struct PackageArchiveZStream
{
    enum class Direction { Inflate, Deflate };

    explicit PackageArchiveZStream(Direction direction) : direction(direction) {}
    ~PackageArchiveZStream() { end(); }
    PackageArchiveZStream(const PackageArchiveZStream &) = delete;
    PackageArchiveZStream &operator=(const PackageArchiveZStream &) = delete;

    int end()
    {
        if (!started)
            return Z_OK;
        started = false;
        return direction == Direction::Inflate ? inflateEnd(&stream) : deflateEnd(&stream);
    }

    z_stream stream{};
    Direction direction;
    bool started = false;
};

// zlib counts in uInt; larger requests are served in pieces by the callers' loops.
static uInt clampToUInt(qint64 size)
{
    return uInt(std::min<qint64>(size, UINT_MAX));
}

PackageArchiveCompressedGzInputFile::PackageArchiveCompressedGzInputFile(FILE *file)
    : PackageArchiveCompressedInputFile(file),
      m_stream(std::make_unique<PackageArchiveZStream>(PackageArchiveZStream::Direction::Inflate))
{
    startCodec();
}

PackageArchiveCompressedGzInputFile::~PackageArchiveCompressedGzInputFile() = default;

void PackageArchiveCompressedGzInputFile::startCodec()
{
    m_stream->end();
    m_stream->stream = z_stream{};
    if (inflateInit(&m_stream->stream) != Z_OK)
        throw HException("cannot initialise inflate");
    m_stream->started = true;
    m_atEnd = false;
}

void PackageArchiveCompressedGzInputFile::endCodec()
{
    m_stream->end();
}

qint64 PackageArchiveCompressedGzInputFile::rawRead(char *data, qint64 size)
{
    z_stream &stream = m_stream->stream;
    if (m_atEnd || !m_stream->started)
        return 0;
    stream.next_out = reinterpret_cast<Bytef *>(data);
    stream.avail_out = clampToUInt(size);
    const uInt wanted = stream.avail_out;
    while (stream.avail_out > 0) {
        if (stream.avail_in == 0) {
            const size_t count = fillBuffer();
            if (count == 0)
                throw HException("error reading stream");  // the file ends inside the stream
            stream.next_in = reinterpret_cast<Bytef *>(buffer());
            stream.avail_in = uInt(count);
        }
        const int result = inflate(&stream, Z_NO_FLUSH);
        if (result == Z_STREAM_END) {
            m_atEnd = true;
            break;
        }
        if (result != Z_OK)
            throw HException("error reading from compressed stream");
    }
    return qint64(wanted - stream.avail_out);
}

PackageArchiveCompressedGzOutputFile::PackageArchiveCompressedGzOutputFile(FILE *file,
                                                                           int level)
    : PackageArchiveCompressedOutputFile(file, level),
      m_stream(std::make_unique<PackageArchiveZStream>(PackageArchiveZStream::Direction::Deflate))
{
    startCodec();
}

PackageArchiveCompressedGzOutputFile::~PackageArchiveCompressedGzOutputFile() = default;

void PackageArchiveCompressedGzOutputFile::startCodec()
{
    m_stream->end();
    m_stream->stream = z_stream{};
    if (deflateInit(&m_stream->stream, level()) != Z_OK)
        throw HException("cannot initialise deflate");
    m_stream->started = true;
}

void PackageArchiveCompressedGzOutputFile::rawWrite(const char *data, qint64 size)
{
    z_stream &stream = m_stream->stream;
    while (size > 0) {
        const uInt piece = clampToUInt(size);
        stream.next_in = reinterpret_cast<Bytef *>(const_cast<char *>(data));
        stream.avail_in = piece;
        do {
            stream.next_out = reinterpret_cast<Bytef *>(buffer());
            stream.avail_out = packageArchiveBufferSize;
            if (deflate(&stream, Z_NO_FLUSH) == Z_STREAM_ERROR)
                throw HException("error compressing stream");
            writeOut(buffer(), packageArchiveBufferSize - stream.avail_out);
        } while (stream.avail_in > 0 || stream.avail_out == 0);
        data += piece;
        size -= piece;
    }
}

void PackageArchiveCompressedGzOutputFile::finishCodec()
{
    z_stream &stream = m_stream->stream;
    stream.next_in = nullptr;
    stream.avail_in = 0;
    int result;
    do {
        stream.next_out = reinterpret_cast<Bytef *>(buffer());
        stream.avail_out = packageArchiveBufferSize;
        result = deflate(&stream, Z_FINISH);
        if (result != Z_OK && result != Z_STREAM_END && result != Z_BUF_ERROR)
            throw HException("error compressing stream");
        writeOut(buffer(), packageArchiveBufferSize - stream.avail_out);
    } while (result != Z_STREAM_END);
    if (m_stream->end() != Z_OK)
        throw HException("error compressing stream");
}
