#pragma once

#include "loadfile/loadfile.h"

#include <QString>

class TextLineReader;

/// Intel HEX: one record per line,
///   ':' count(1) offset(2) type(1) payload(count) checksum(1)
/// in hex digit pairs, the checksum being the two's complement of the sum of the other
/// bytes. Types: 0 data, 1 end of file, 2 extended segment address (base × 16),
/// 3 start segment address, 4 extended linear address (upper 16 bits), 5 start linear
/// address. The file must end with a type 1 record; lines after it are not read.
class IntelHexLoadFile : public StandardLoadFile
{
public:
    /// Reads the whole file; throws HException naming the fault and its line.
    explicit IntelHexLoadFile(const QString &fileName);

private:
    /// Handles one record; false after the end-of-file record.
    bool readRecord(const char *line, int length);

    quint32 m_segmentBase = 0;
    quint32 m_upperLinearAddress = 0;
};
