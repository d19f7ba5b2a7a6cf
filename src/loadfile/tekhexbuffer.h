#pragma once

#include "loadfile/codebuffer.h"

/// Writes extended Tektronix hex: type 6 data records and a type 8 termination record
/// carrying the start address,
///   '%' length(2) type(1) checksum(2) addressLength(1) address data
/// where the length counts the characters after '%', the address has no leading zeros,
/// and the checksum is the sum of the values of every hex digit but its own.
class TekHexBuffer : public RecordCodeBuffer
{
public:
    explicit TekHexBuffer(const QString &fileName);

    void finish(quint32 startAddress) override;

protected:
    void writeRecord(const quint8 *bytes, quint32 count) override;

private:
    void writeLine(char type, const quint8 *bytes, quint32 count);
};
