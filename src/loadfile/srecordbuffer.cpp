#include "srecordbuffer.h"

#include <QFile>

SRecordBuffer::SRecordBuffer(const QString &fileName) : RecordCodeBuffer(fileName)
{
    // The header has no address field: its count is the name length plus one. The
    // count must fit in a byte, so a very long name is cut.
    const QByteArray name = QFile::encodeName(fileName).left(254);
    writeLine('0', 0, 0, reinterpret_cast<const quint8 *>(name.constData()),
              quint32(name.size()));
}

// 'S' type count address data checksum; the count covers address, data and checksum,
// the checksum is the ones' complement of the sum of count, address and data.
void SRecordBuffer::writeLine(char type, quint32 address, int addressBytes,
                              const quint8 *bytes, quint32 count)
{
    char line[4 + 2 * (4 + 255) + 2];
    char *out = line;
    *out++ = 'S';
    *out++ = type;
    const quint8 length = quint8(count + addressBytes + 1);
    quint8 sum = length;
    out = putHexByte(out, length);
    for (int shift = 8 * (addressBytes - 1); shift >= 0; shift -= 8) {
        const quint8 part = quint8(address >> shift);
        sum = quint8(sum + part);
        out = putHexByte(out, part);
    }
    for (quint32 i = 0; i < count; ++i) {
        sum = quint8(sum + bytes[i]);
        out = putHexByte(out, bytes[i]);
    }
    out = putHexByte(out, quint8(~sum));
    *out++ = '\n';
    output(line, size_t(out - line));
}

void SRecordBuffer::writeRecord(const quint8 *bytes, quint32 count)
{
    if (m_recordStart < 0x10000)
        writeLine('1', m_recordStart, 2, bytes, count);
    else if (m_recordStart < 0xFFFFFF)
        writeLine('2', m_recordStart, 3, bytes, count);
    else
        writeLine('3', m_recordStart, 4, bytes, count);
}

void SRecordBuffer::finish(quint32 startAddress)
{
    writePending();
    writeLine('9', startAddress & 0xFFFF, 2, nullptr, 0);
    flush();
}
