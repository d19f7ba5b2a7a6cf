#include "binarybuffer.h"

#include <cstring>

BinaryBuffer::BinaryBuffer(const QString &fileName) : CodeBuffer(fileName, true)
{
}

BinaryBuffer::~BinaryBuffer() = default;

void BinaryBuffer::setAddress(quint32 address)
{
    m_address = address;
}

quint8 *BinaryBuffer::page(quint32 number)
{
    if (m_lastPage && number == m_lastPageNumber)
        return m_lastPage;
    std::unique_ptr<quint8[]> &slot = m_pages[number];
    if (!slot) {
        slot.reset(new quint8[pageSize]);
        std::memset(slot.get(), 0xFF, pageSize);
    }
    m_lastPageNumber = number;
    m_lastPage = slot.get();
    return m_lastPage;
}

void BinaryBuffer::putByte(quint8 value)
{
    page(m_address / pageSize)[m_address % pageSize] = value;
    m_lowest = qMin(m_lowest, m_address);
    m_highest = qMax(m_highest, m_address);
    ++m_address;
}

void BinaryBuffer::putBytes(const quint8 *bytes, quint32 count)
{
    while (count) {
        // Copy page by page; the address wraps at 4 GiB as putByte's does.
        const quint32 offset = m_address % pageSize;
        const quint32 chunk = qMin(count, pageSize - offset);
        std::memcpy(page(m_address / pageSize) + offset, bytes, chunk);
        m_lowest = qMin(m_lowest, m_address);
        m_highest = qMax(m_highest, m_address + chunk - 1);
        m_address += chunk;
        bytes += chunk;
        count -= chunk;
    }
}

void BinaryBuffer::finish(quint32)
{
    if (m_pages.empty())
        return;
    static const char zeros[pageSize] = {};
    const quint32 first = m_lowest / pageSize;
    const quint32 last = m_highest / pageSize;
    auto next = m_pages.lower_bound(first);
    for (quint64 number = first; number <= last; ++number) {
        const quint32 from = number == first ? m_lowest % pageSize : 0;
        const quint32 to = number == last ? m_highest % pageSize + 1 : pageSize;
        if (next != m_pages.end() && next->first == number) {
            output(reinterpret_cast<const char *>(next->second.get()) + from, to - from);
            ++next;
        } else {
            output(zeros, to - from);
        }
    }
    flush();
}
