#include "intelhexbuffer.h"

// ':' count offset(2) type payload checksum, the checksum being the two's complement of
// the byte sum after ':'.
char *IntelHexBuffer::formatRecord(char *out, quint16 offset, quint8 type,
                                   const quint8 *bytes, quint32 count)
{
    *out++ = ':';
    quint8 sum = quint8(count + (offset >> 8) + offset + type);
    out = putHexByte(out, quint8(count));
    out = putHexByte(out, quint8(offset >> 8));
    out = putHexByte(out, quint8(offset));
    out = putHexByte(out, type);
    for (quint32 i = 0; i < count; ++i) {
        sum = quint8(sum + bytes[i]);
        out = putHexByte(out, bytes[i]);
    }
    out = putHexByte(out, quint8(-sum));
    *out++ = '\n';
    return out;
}

IntelHexBuffer::IntelHexBuffer(const QString &fileName) : RecordCodeBuffer(fileName, true)
{
}

void IntelHexBuffer::writeRecord(const quint8 *bytes, quint32 count)
{
    char line[2 * (5 + recordSize) + 2 + 32];
    char *out = line;
    const quint32 upper = m_recordStart >> 16;
    if (upper != m_upperAddress) {
        const quint8 payload[2] = {quint8(upper >> 8), quint8(upper)};
        out = formatRecord(out, 0, 4, payload, 2);
        m_upperAddress = upper;
    }
    out = formatRecord(out, quint16(m_recordStart), 0, bytes, count);
    output(line, size_t(out - line));
}

void IntelHexBuffer::finish(quint32)
{
    writePending();
    output(":00000001FF\n", 12);
    flush();
}
