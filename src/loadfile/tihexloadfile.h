#pragma once

#include "loadfile/loadfile.h"

#include <QString>

/// TI-TXT: "@ADDR" lines set the address in hex, data lines hold hex byte pairs
/// separated by one character each ("31 40 00 03"), and a line starting with 'q' ends
/// the file, which must have one.
class TIHexLoadFile : public StandardLoadFile
{
public:
    /// Reads the whole file; throws HException naming the fault and its line.
    explicit TIHexLoadFile(const QString &fileName);

private:
    void readAddress(const char *line, int length);
    void readData(const char *line, int length);

    quint32 m_address = 0;
};
