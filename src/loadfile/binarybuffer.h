#pragma once

#include "loadfile/codebuffer.h"

#include <map>
#include <memory>

/// Writes a raw image from the lowest to the highest address written. Bytes are kept
/// in 4 KiB pages made on first use, so a sparse image costs memory for what was
/// written only. Unwritten bytes of a page come out as 0xFF; pages never touched come
/// out as 0x00.
class BinaryBuffer : public CodeBuffer
{
public:
    static constexpr quint32 pageSize = 4096;

    explicit BinaryBuffer(const QString &fileName);
    ~BinaryBuffer() override;

    void setAddress(quint32 address) override;
    void putByte(quint8 value) override;
    void putBytes(const quint8 *bytes, quint32 count) override;
    /// Writes nothing when no byte was put.
    void finish(quint32 startAddress) override;

    bool isEmpty() const { return m_pages.empty(); }
    quint32 lowestAddress() const { return m_lowest; }
    quint32 highestAddress() const { return m_highest; }

private:
    quint8 *page(quint32 number);

    std::map<quint32, std::unique_ptr<quint8[]>> m_pages;
    quint32 m_lowest = 0xFFFFFFFF;
    quint32 m_highest = 0;
    quint32 m_lastPageNumber = 0;
    quint8 *m_lastPage = nullptr;
};
