#pragma once

#include "loadfile/codebuffer.h"

/// Writes the plain hex listing: an 8-digit address, then each byte after a space.
class HexBuffer : public RecordCodeBuffer
{
public:
    explicit HexBuffer(const QString &fileName);

    void finish(quint32 startAddress) override;

protected:
    void writeRecord(const quint8 *bytes, quint32 count) override;
};
