#include "cptextstream.h"

#include <QIODevice>

namespace {
constexpr int chunkSize = 1 << 20;
}

bool CpTextReader::fill()
{
    if (m_atEnd)
        return false;
    // Drop what was consumed before growing, so a file of short lines never holds
    // more than a chunk and the rest of one line.
    if (m_position > 0) {
        m_buffer.remove(0, m_position);
        m_position = 0;
    }
    const int oldSize = m_buffer.size();
    if (m_buffer.capacity() < oldSize + chunkSize)
        m_buffer.reserve(qMax(oldSize + chunkSize, 2 * m_buffer.capacity()));  // long lines
    m_buffer.resize(oldSize + chunkSize);
    const qint64 got = m_device->read(m_buffer.data() + oldSize, chunkSize);
    m_buffer.resize(oldSize + int(qMax<qint64>(got, 0)));
    if (got <= 0)
        m_atEnd = true;
    return got > 0;
}

bool CpTextReader::readLine(QString *line)
{
    int searchFrom = m_position;
    for (;;) {
        const int newline = m_buffer.indexOf('\n', searchFrom);
        if (newline >= 0) {
            int end = newline;
            if (end > m_position && m_buffer.at(end - 1) == '\r')
                --end;
            *line = QString::fromLatin1(m_buffer.constData() + m_position, end - m_position);
            m_position = newline + 1;
            return true;
        }
        const int scanned = m_buffer.size() - m_position;
        if (!fill())
            break;
        searchFrom = m_position + scanned;
    }
    if (m_position >= m_buffer.size())
        return false;
    int end = m_buffer.size();
    if (m_buffer.at(end - 1) == '\r')
        --end;
    *line = QString::fromLatin1(m_buffer.constData() + m_position, end - m_position);
    m_position = m_buffer.size();
    return true;
}

void CpTextWriter::writeLine(const QString &line)
{
    m_buffer += line.toLatin1();
    m_buffer += '\n';
    if (m_buffer.size() >= chunkSize)
        flush();
}

bool CpTextWriter::flush()
{
    if (m_buffer.isEmpty())
        return true;
    const bool complete = m_device->write(m_buffer) == m_buffer.size();
    m_buffer.clear();
    return complete;
}
