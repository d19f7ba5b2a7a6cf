#pragma once

#include "loadfile/codebuffer.h"

/// Writes Intel HEX: data records of up to 16 bytes that never cross a 64 KiB
/// boundary, an extended linear address record (type 4) whenever the upper 16 address
/// bits change, and the end record. No start-address record is written.
class IntelHexBuffer : public RecordCodeBuffer
{
public:
    explicit IntelHexBuffer(const QString &fileName);

    void finish(quint32 startAddress) override;

protected:
    void writeRecord(const quint8 *bytes, quint32 count) override;

private:
    /// One record at `out`, line end included; returns the position after it.
    static char *formatRecord(char *out, quint16 offset, quint8 type, const quint8 *bytes,
                              quint32 count);

    quint32 m_upperAddress = 0;
};
