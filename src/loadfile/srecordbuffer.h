#pragma once

#include "loadfile/codebuffer.h"

/// Writes Motorola S-records: an S0 header carrying the file name, S1, S2 or S3 data
/// records by the width their address needs, and an S9 record with the low 16 bits of
/// the start address.
class SRecordBuffer : public RecordCodeBuffer
{
public:
    /// Writes the header at once.
    explicit SRecordBuffer(const QString &fileName);

    void finish(quint32 startAddress) override;

protected:
    void writeRecord(const quint8 *bytes, quint32 count) override;

private:
    void writeLine(char type, quint32 address, int addressBytes, const quint8 *bytes,
                   quint32 count);
};
