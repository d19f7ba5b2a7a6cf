#include "intelhexloadfile.h"

#include "loadfile/textloadfilereader_p.h"

namespace {

enum RecordType : quint8 {
    dataRecord = 0,
    endOfFileRecord = 1,
    extendedSegmentAddressRecord = 2,
    startSegmentAddressRecord = 3,
    extendedLinearAddressRecord = 4,
    startLinearAddressRecord = 5,
};

void checkChecksum(LoadFileRecordDecoder &record)
{
    const quint8 expected = quint8(-record.sum());
    if (record.byte() != expected)
        throw HException("invalid checksum");
}

} // namespace

IntelHexLoadFile::IntelHexLoadFile(const QString &fileName)
{
    readLoadFileLines(
        fileName, 530, [this](const char *line, int length) { return readRecord(line, length); },
        "invalid end of file in hex file");
}

bool IntelHexLoadFile::readRecord(const char *line, int length)
{
    if (length < 1 || line[0] != ':')
        throw HException("missing record mark in hex file");
    LoadFileRecordDecoder record(line, length, 1);
    const quint8 count = record.byte();
    const quint32 offset = record.bigEndian(2);
    const quint8 type = record.byte();
    switch (type) {
    case dataRecord: {
        quint8 bytes[255];
        record.bytes(bytes, count);
        checkChecksum(record);
        const quint32 address = m_segmentBase * 16 + ((m_upperLinearAddress << 16) | offset);
        appendData(address, bytes, count);
        return true;
    }
    case endOfFileRecord:
        checkChecksum(record);
        return false;
    case extendedSegmentAddressRecord:
        // Two payload bytes, whatever the count says.
        m_segmentBase = record.bigEndian(2);
        break;
    case extendedLinearAddressRecord:
        m_upperLinearAddress = record.bigEndian(2);
        break;
    case startSegmentAddressRecord:
    case startLinearAddressRecord: {
        // CS:IP is kept as one 32-bit number, not turned into a linear address.
        const qint32 start = qint32(record.bigEndian(4));
        checkChecksum(record);
        setStartAddress(quint64(qint64(start)));
        return true;
    }
    default:
        // Unknown types carry no payload we read: the next pair is the checksum.
        break;
    }
    checkChecksum(record);
    return true;
}
