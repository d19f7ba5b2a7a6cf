#pragma once

#include "loadfile/loadfile.h"

#include <QString>

/// Motorola S-records: one record per line,
///   'S' type count(1) address(2, 3 or 4) data checksum(1)
/// in hex digit pairs, the count covering address, data and checksum, the checksum
/// being the ones' complement of the sum of count, address and data. S0 is a header,
/// S1/S2/S3 data with 16/24/32-bit addresses, S5 (16 bits) or S6 (24 bits) the count
/// of data records so far, S7/S8/S9 the start address (32/24/16 bits). No termination
/// record is required.
class SRecordLoadFile : public StandardLoadFile
{
public:
    /// Reads the whole file; throws HException naming the fault and its line.
    explicit SRecordLoadFile(const QString &fileName);

private:
    void readRecord(const char *line, int length);

    // Counted in full; each count record compares as many low bits as it holds.
    quint32 m_dataRecords = 0;
};
