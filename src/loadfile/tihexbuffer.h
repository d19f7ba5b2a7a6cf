#pragma once

#include "loadfile/codebuffer.h"

/// Writes TI-TXT: an "@ADDR" line where the data do not continue the previous line,
/// lines of up to 16 bytes separated by single spaces, and the final "q".
class TIHexBuffer : public RecordCodeBuffer
{
public:
    explicit TIHexBuffer(const QString &fileName);

    void finish(quint32 startAddress) override;

protected:
    void writeRecord(const quint8 *bytes, quint32 count) override;

private:
    quint32 m_lineEnd = 0xFFFFFFFF;
};
