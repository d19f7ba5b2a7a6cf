#pragma once

#include "loadfile/loadfilesection.h"

#include <memory>

class ExpandingLoadFileSection;

/// An image of target memory read from a file: a list of sections, each a run of bytes
/// at a target address, and an optional start (entry) address. Readers throw
/// HException while constructing; a constructed load file is complete.
class LoadFileInterface
{
public:
    virtual ~LoadFileInterface() = default;

    virtual bool hasStartAddress() const = 0;
    virtual void setStartAddress(quint64 address) = 0;
    virtual quint64 startAddress() const = 0;
    /// False when the file carries no addresses of its own (raw binary).
    virtual bool isAddressed() const = 0;
    /// Where an unaddressed file is loaded; formats with addresses ignore it.
    virtual void setLoadAddress(quint64 address) = 0;
    /// Replaces all sections with one covering lowest to highest address, gaps filled
    /// with `fill` and later sections winning where sections overlap. Throws HException
    /// when the image would exceed maxContiguousSize or pass the 4 GiB address limit.
    virtual void makeContiguous(quint8 fill) = 0;
    virtual void sortSections() = 0;
    /// Debug information carried by the file: none of the supported formats has any.
    virtual bool hasDebugInformation() const = 0;
    virtual const void *debugInformation() const = 0;
    /// Builds the section list; false when the sections cannot be read.
    virtual bool readSections() = 0;

    /// The sections, read on first use; throws "cannot read sections from load file".
    virtual LoadFileSections &sections() = 0;

    /// The largest image makeContiguous builds: 256 MiB.
    static constexpr quint64 maxContiguousSize = quint64(256) << 20;
};

/// State and behaviour shared by the load-file formats: the section list, whether it
/// was read, and the start address. Text readers append their data through
/// appendData(), which extends the current section or starts a new one.
class StandardLoadFile : public LoadFileInterface
{
public:
    ~StandardLoadFile() override;
    StandardLoadFile(const StandardLoadFile &) = delete;
    StandardLoadFile &operator=(const StandardLoadFile &) = delete;

    bool hasStartAddress() const override;
    void setStartAddress(quint64 address) override;
    quint64 startAddress() const override;
    bool isAddressed() const override;
    void setLoadAddress(quint64 address) override;
    void makeContiguous(quint8 fill) override;
    void sortSections() override;
    bool hasDebugInformation() const override;
    const void *debugInformation() const override;
    bool readSections() override;

    LoadFileSections &sections() override;

protected:
    StandardLoadFile();

    /// Appends bytes at `address`: to the current section when they continue it,
    /// otherwise to a new unnamed section that becomes current. Older sections are
    /// never extended, so overlapping data stay in separate sections.
    void appendData(quint64 address, const quint8 *bytes, quint32 count);
    /// Drops the built sections so that they are read again on next use.
    void forgetSections();

    LoadFileSections m_sections;
    bool m_sectionsRead = false;
    bool m_sectionsReadable = true;
    bool m_startAddressPresent = false;
    quint64 m_startAddress = 0;

private:
    ExpandingLoadFileSection *m_currentSection = nullptr;
    std::unique_ptr<quint8[]> m_contiguousImage;
};
