#include "loadfile.h"

#include "qtx/hexception.h"

#include <cstring>

StandardLoadFile::StandardLoadFile() = default;

StandardLoadFile::~StandardLoadFile() = default;

bool StandardLoadFile::hasStartAddress() const
{
    return m_startAddressPresent;
}

void StandardLoadFile::setStartAddress(quint64 address)
{
    m_startAddress = address;
    m_startAddressPresent = true;
}

quint64 StandardLoadFile::startAddress() const
{
    return m_startAddress;
}

bool StandardLoadFile::isAddressed() const
{
    return true;
}

void StandardLoadFile::setLoadAddress(quint64)
{
}

bool StandardLoadFile::hasDebugInformation() const
{
    return false;
}

const void *StandardLoadFile::debugInformation() const
{
    return nullptr;
}

bool StandardLoadFile::readSections()
{
    // Text formats build their sections while the file is read.
    return true;
}

LoadFileSections &StandardLoadFile::sections()
{
    if (!m_sectionsRead && m_sectionsReadable) {
        if (!readSections())
            throw HException("cannot read sections from load file");
        m_sectionsRead = true;
    }
    return m_sections;
}

void StandardLoadFile::forgetSections()
{
    m_currentSection = nullptr;
    m_sections.clear();
    m_sectionsRead = false;
}

void StandardLoadFile::sortSections()
{
    sections().sort();
}

void StandardLoadFile::appendData(quint64 address, const quint8 *bytes, quint32 count)
{
    if (!m_currentSection || m_currentSection->endAddress() != address) {
        m_currentSection = new ExpandingLoadFileSection(QByteArray(""), address);
        m_sections.append(m_currentSection);
    }
    m_currentSection->append(bytes, count);
}

void StandardLoadFile::makeContiguous(quint8 fill)
{
    LoadFileSections &list = sections();
    if (list.isEmpty())
        return;
    // Addresses are those of a 32-bit target: an image may end exactly at 4 GiB but a
    // section must not wrap around it, or its bytes would land at the bottom.
    quint64 lowest = ~quint64(0);
    quint64 highestEnd = 0;
    for (int i = 0; i < list.count(); ++i) {
        const LoadFileSectionInterface *section = list.at(i);
        const quint64 end = section->address() + section->size();
        if (end > (quint64(1) << 32) || end < section->address())
            throw HException(QString::asprintf(
                "section at 0x%llX of %u bytes wraps around the 4 GiB address limit",
                section->address(), section->size()));
        lowest = qMin(lowest, section->address());
        highestEnd = qMax(highestEnd, end);
    }
    if (highestEnd == 0)
        return;
    const quint64 size = highestEnd - lowest;
    if (size > maxContiguousSize)
        throw HException(QString::asprintf(
            "contiguous image 0x%08llX..0x%08llX of %llu bytes exceeds the limit of %llu bytes",
            lowest, highestEnd - 1, size, maxContiguousSize));

    std::unique_ptr<quint8[]> image(new quint8[size ? size : 1]);
    std::memset(image.get(), fill, size);
    for (int i = 0; i < list.count(); ++i) {
        const LoadFileSectionInterface *section = list.at(i);
        if (section->size())
            std::memcpy(image.get() + (section->address() - lowest), section->data(),
                        section->size());
    }
    list.clear();
    m_currentSection = nullptr;
    list.append(new StandardLoadFileSection(QByteArray("Contiguous section"), lowest,
                                            quint32(size), image.get()));
    m_contiguousImage = std::move(image);
}
