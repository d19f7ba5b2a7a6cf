#include "tekhexbuffer.h"

namespace {

int digitValue(char digit)
{
    return digit <= '9' ? digit - '0' : digit - 'A' + 10;
}

} // namespace

TekHexBuffer::TekHexBuffer(const QString &fileName) : RecordCodeBuffer(fileName)
{
}

void TekHexBuffer::writeLine(char type, const quint8 *bytes, quint32 count)
{
    char address[8];
    int addressLength = 0;
    for (int shift = 28; shift >= 0; shift -= 4) {
        const int digit = (m_recordStart >> shift) & 15;
        if (digit || addressLength || shift == 0)
            address[addressLength++] = "0123456789ABCDEF"[digit];
    }
    char line[1 + 6 + 8 + 2 * recordSize + 1];
    char *out = line;
    *out++ = '%';
    out = putHexByte(out, quint8(6 + addressLength + 2 * count));
    *out++ = type;
    char *checksum = out;
    out += 2;
    *out++ = "0123456789ABCDEF"[addressLength];
    for (int i = 0; i < addressLength; ++i)
        *out++ = address[i];
    for (quint32 i = 0; i < count; ++i)
        out = putHexByte(out, bytes[i]);
    int sum = 0;
    for (const char *digit = line + 1; digit < out; ++digit) {
        if (digit != checksum && digit != checksum + 1)
            sum += digitValue(*digit);
    }
    putHexByte(checksum, quint8(sum));
    *out++ = '\n';
    output(line, size_t(out - line));
}

void TekHexBuffer::writeRecord(const quint8 *bytes, quint32 count)
{
    writeLine('6', bytes, count);
}

void TekHexBuffer::finish(quint32 startAddress)
{
    writePending();
    m_recordStart = m_address = startAddress;
    writeLine('8', nullptr, 0);
    flush();
}
