#include "srecordloadfile.h"

#include "loadfile/textloadfilereader_p.h"

SRecordLoadFile::SRecordLoadFile(const QString &fileName)
{
    readLoadFileLines(fileName, 530, [this](const char *line, int length) {
        readRecord(line, length);
        return true;
    });
}

void SRecordLoadFile::readRecord(const char *line, int length)
{
    if (length < 1 || line[0] != 'S')
        throw HException("no leading 'S' character");
    const char type = length > 1 ? line[1] : '\0';
    LoadFileRecordDecoder record(line, length, 2);
    const int count = record.byte();
    switch (type) {
    case '0':
        for (int i = 0; i < count - 1; ++i)
            record.byte();
        break;
    case '1':
    case '2':
    case '3': {
        const int addressBytes = type - '0' + 1;
        const quint32 address = record.bigEndian(addressBytes);
        const int dataBytes = count - addressBytes - 1;
        quint8 bytes[255];
        if (dataBytes > 0)
            record.bytes(bytes, dataBytes);
        const quint8 expected = quint8(~record.sum());
        if (record.byte() != expected)
            throw HException("invalid checksum");
        ++m_dataRecords;
        appendData(address, bytes, dataBytes > 0 ? quint32(dataBytes) : 0);
        return;
    }
    case '5':
        // The count is checked before the checksum of its record; S5 holds 16 bits and
        // wraps with them.
        if (record.bigEndian(2) != quint16(m_dataRecords))
            throw HException("incorrect data record count");
        break;
    case '6':
        // Writers switch to S6, a 24-bit count, past 65,535 data records.
        if (record.bigEndian(3) != (m_dataRecords & 0xFFFFFF))
            throw HException("incorrect data record count");
        break;
    case '7':
    case '8':
    case '9':
        setStartAddress(record.bigEndian('9' - type + 2));
        break;
    default:
        // S4 and unknown types: the checksum follows the count.
        break;
    }
    const quint8 expected = quint8(~record.sum());
    if (record.byte() != expected)
        throw HException("invalid checksum");
}
