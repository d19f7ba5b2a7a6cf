#include "hexbuffer.h"

HexBuffer::HexBuffer(const QString &fileName) : RecordCodeBuffer(fileName)
{
}

void HexBuffer::writeRecord(const quint8 *bytes, quint32 count)
{
    char line[8 + 3 * recordSize + 1];
    char *out = line;
    for (int shift = 24; shift >= 0; shift -= 8)
        out = putHexByte(out, quint8(m_recordStart >> shift));
    for (quint32 i = 0; i < count; ++i) {
        *out++ = ' ';
        out = putHexByte(out, bytes[i]);
    }
    *out++ = '\n';
    output(line, size_t(out - line));
}

void HexBuffer::finish(quint32)
{
    writePending();
    flush();
}
