#include "textloadfilereader_p.h"

#include <QFile>

#include <cstring>

#include <sys/stat.h>

namespace {

constexpr int readChunk = 1 << 16;

} // namespace


LoadFileLineReader::LoadFileLineReader(const QString &fileName, int lineBufferSize)
    : m_maxPiece(lineBufferSize - 1), m_capacity(readChunk + lineBufferSize)
{
    m_file = std::fopen(QFile::encodeName(fileName).constData(), "r");
    struct stat status;
    if (m_file && (fstat(fileno(m_file), &status) != 0 || S_ISDIR(status.st_mode)))
        close();
    if (!m_file)
        throw HException(QStringLiteral("cannot open ") + fileName);
    m_buffer.reset(new char[size_t(m_capacity)]);
}

LoadFileLineReader::~LoadFileLineReader()
{
    close();
}

void LoadFileLineReader::close()
{
    if (m_file)
        std::fclose(m_file);
    m_file = nullptr;
}

bool LoadFileLineReader::refill()
{
    if (m_eof || !m_file)
        return false;
    if (m_begin > 0) {
        std::memmove(m_buffer.get(), m_buffer.get() + m_begin, size_t(m_end - m_begin));
        m_end -= m_begin;
        m_begin = 0;
    }
    const size_t got = std::fread(m_buffer.get() + m_end, 1, size_t(m_capacity - m_end), m_file);
    if (got == 0)
        m_eof = true;
    m_end += int(got);
    return got > 0;
}

bool LoadFileLineReader::next()
{
    ++m_lineNumber;
    while (m_end - m_begin < m_maxPiece && refill()) {
    }
    const int available = m_end - m_begin;
    if (available == 0)
        return false;
    const int window = available < m_maxPiece ? available : m_maxPiece;
    const char *start = m_buffer.get() + m_begin;
    const void *newline = std::memchr(start, '\n', size_t(window));
    m_length = newline ? int(static_cast<const char *>(newline) - start) + 1 : window;
    m_line = start;
    m_begin += m_length;
    return true;
}

void LoadFileLineReader::fail(const HException &error) const
{
    throw HException(error.message() + QString::asprintf(" : line %d", m_lineNumber));
}
