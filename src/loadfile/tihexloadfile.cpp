#include "tihexloadfile.h"

#include "loadfile/textloadfilereader_p.h"

TIHexLoadFile::TIHexLoadFile(const QString &fileName)
{
    readLoadFileLines(
        fileName, 64,
        [this](const char *line, int length) {
            if (line[0] == 'q')
                return false;
            if (line[0] == '@')
                readAddress(line, length);
            else
                readData(line, length);
            return true;
        },
        "unexpected end of file");
}

void TIHexLoadFile::readAddress(const char *line, int length)
{
    // Digits run up to the first blank or control character. Anything else that is
    // not a hex digit poisons the address rather than failing the file.
    quint32 address = 0;
    for (int i = 1; i < length && static_cast<unsigned char>(line[i]) > 32; ++i) {
        const int digit = loadFileHexDigitValue(line[i]);
        address = digit < 0 ? 0xFFFFFFFFu : (address << 4) | quint32(digit);
    }
    m_address = address;
}

void TIHexLoadFile::readData(const char *line, int length)
{
    // Pairs at 0, 3, 6, ...: the separators are not examined, and a line end counts
    // towards the length so that "01 02 03" reads three bytes with or without one.
    const int count = (length + 1) / 3;
    quint8 bytes[64];
    for (int i = 0; i < count; ++i) {
        LoadFileRecordDecoder pair(line, length, 3 * i);
        bytes[i] = pair.byte();
    }
    appendData(m_address, bytes, quint32(count));
    m_address += quint32(count);
}
