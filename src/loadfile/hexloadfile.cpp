#include "hexloadfile.h"

#include "loadfile/textloadfilereader_p.h"

HexLoadFile::HexLoadFile(const QString &fileName)
{
    readLoadFileLines(fileName, 64, [this](const char *line, int length) {
        readLine(line, length);
        return true;
    });
}

void HexLoadFile::readLine(const char *line, int length)
{
    if (length < 8)
        throw HException("invalid address");
    LoadFileRecordDecoder record(line, length, 0);
    const quint32 address = record.bigEndian(4);
    // The line end counts towards the length, so "00001000 01 02 03" reads three bytes
    // with or without it.
    const int count = (length - 8) / 3;
    quint8 bytes[64];
    for (int i = 0; i < count; ++i) {
        if (line[8 + 3 * i] != ' ')
            throw HException("invalid separator");
        LoadFileRecordDecoder pair(line, length, 9 + 3 * i);
        bytes[i] = pair.byte();
    }
    appendData(address, bytes, quint32(count));
}
