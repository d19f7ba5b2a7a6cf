#include "loadfilelist.h"

#include "loadfile/addressrange.h"
#include "loadfile/loadfile.h"

#include <algorithm>

namespace {

quint32 firstAddress(LoadFileInterface *loadFile)
{
    return quint32(loadFile->sections().firstAddress());
}

// The inclusive address ranges of a file's sections; empty sections cover nothing.
AddressRangeList sectionRanges(LoadFileInterface *loadFile)
{
    AddressRangeList ranges;
    const LoadFileSections &sections = loadFile->sections();
    for (int i = 0; i < sections.count(); ++i) {
        const LoadFileSectionInterface *section = sections.at(i);
        if (section->size())
            ranges.insert(section->address(), section->address() + section->size() - 1);
    }
    return ranges;
}

} // namespace

void LoadFileList::append(LoadFileInterface *loadFile, const QString &name, bool flag)
{
    m_entries.append({loadFile, name, flag});
}

void LoadFileList::sort()
{
    for (const Entry &entry : std::as_const(m_entries))
        entry.loadFile->sortSections();
    std::stable_sort(m_entries.begin(), m_entries.end(), [](const Entry &a, const Entry &b) {
        return firstAddress(a.loadFile) < firstAddress(b.loadFile);
    });
}

bool LoadFileList::overlaps() const
{
    if (m_entries.size() < 2)
        return false;
    AddressRangeList covered = sectionRanges(m_entries.first().loadFile);
    for (int i = 1; i < m_entries.size(); ++i) {
        const AddressRangeList ranges = sectionRanges(m_entries.at(i).loadFile);
        if (covered.intersectsAny(ranges))
            return true;
        for (const AddressRange &range : ranges)
            covered.insert(range);
    }
    return false;
}
