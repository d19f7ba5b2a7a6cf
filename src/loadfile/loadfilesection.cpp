#include "loadfilesection.h"

#include "qtx/hexception.h"

#include <algorithm>
#include <cstring>

namespace {

quint64 sectionBytes = 0;

} // namespace

quint64 LoadFileSectionInterface::bytesConstructed()
{
    return sectionBytes;
}

void LoadFileSectionInterface::countBytes(quint32 size)
{
    sectionBytes += size;
}

StandardLoadFileSection::StandardLoadFileSection(const QByteArray &name, quint64 address,
                                                 quint32 size, const quint8 *data)
    : m_name(name), m_address(address), m_size(size), m_data(data)
{
    countBytes(size);
}

StandardLoadFileSection::~StandardLoadFileSection() = default;

const char *StandardLoadFileSection::name() const
{
    return m_name.constData();
}

quint64 StandardLoadFileSection::address() const
{
    return m_address;
}

quint32 StandardLoadFileSection::size() const
{
    return m_size;
}

const quint8 *StandardLoadFileSection::data(bool preferWorkingCopy) const
{
    if (preferWorkingCopy && m_workingCopy)
        return m_workingCopy.get();
    return m_data;
}

quint8 *StandardLoadFileSection::workingCopy()
{
    if (!m_workingCopy) {
        m_workingCopy.reset(new quint8[m_size ? m_size : 1]);
        if (m_size)
            std::memcpy(m_workingCopy.get(), m_data, m_size);
    }
    return m_workingCopy.get();
}

void StandardLoadFileSection::releaseWorkingCopy()
{
    m_workingCopy.reset();
}

ExpandingLoadFileSection::ExpandingLoadFileSection(const QByteArray &name, quint64 address)
    : StandardLoadFileSection(name, address, 0, nullptr)
{
}

ExpandingLoadFileSection::~ExpandingLoadFileSection() = default;

void ExpandingLoadFileSection::append(const quint8 *bytes, quint32 count)
{
    if (count == 0)
        return;
    if (quint64(m_size) + count > 0xFFFFFFFFu)
        throw HException("section larger than 4 GiB");
    // A working copy taken earlier would no longer match the size.
    m_workingCopy.reset();
    m_buffer.insert(m_buffer.end(), bytes, bytes + count);
    m_size += count;
    m_data = m_buffer.data();
}

LoadFileSections::LoadFileSections() = default;

LoadFileSections::~LoadFileSections() = default;

void LoadFileSections::append(LoadFileSectionInterface *section)
{
    m_sections.emplace_back(section);
}

void LoadFileSections::clear()
{
    m_sections.clear();
}

quint64 LoadFileSections::totalSize() const
{
    quint64 total = 0;
    for (const auto &section : m_sections)
        total += section->size();
    return total;
}

quint64 LoadFileSections::firstAddress() const
{
    return m_sections.empty() ? 0 : m_sections.front()->address();
}

LoadFileSectionInterface *LoadFileSections::find(quint64 address, quint32 length) const
{
    if (length == 0)
        return nullptr;
    for (const auto &section : m_sections) {
        if (section->address() <= address
            && address + length <= section->address() + section->size())
            return section.get();
    }
    return nullptr;
}

void LoadFileSections::sort()
{
    std::stable_sort(m_sections.begin(), m_sections.end(),
                     [](const auto &a, const auto &b) { return a->address() < b->address(); });
}
