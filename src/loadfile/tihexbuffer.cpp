#include "tihexbuffer.h"

TIHexBuffer::TIHexBuffer(const QString &fileName) : RecordCodeBuffer(fileName)
{
}

void TIHexBuffer::writeRecord(const quint8 *bytes, quint32 count)
{
    char line[11 + 3 * recordSize + 1];
    char *out = line;
    if (m_recordStart != m_lineEnd) {
        *out++ = '@';
        for (int shift = 24; shift >= 0; shift -= 8)
            out = putHexByte(out, quint8(m_recordStart >> shift));
        *out++ = '\n';
    }
    for (quint32 i = 0; i < count; ++i) {
        out = putHexByte(out, bytes[i]);
        *out++ = ' ';
    }
    out[-1] = '\n';
    output(line, size_t(out - line));
    m_lineEnd = m_address;
}

void TIHexBuffer::finish(quint32)
{
    writePending();
    output("q\n", 2);
    flush();
}
