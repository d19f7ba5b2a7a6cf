#pragma once

#include <QByteArray>

#include <memory>
#include <vector>

/// One run of consecutive bytes of a load file at a target address. The bytes are
/// read-only; a caller that needs to patch them (to verify flash, or relocate) takes
/// a working copy, which the section keeps until it is released.
class LoadFileSectionInterface
{
public:
    virtual ~LoadFileSectionInterface() = default;

    /// The section name as zero-terminated text ("" when the format has none).
    virtual const char *name() const = 0;
    virtual quint64 address() const = 0;
    virtual quint32 size() const = 0;
    /// The bytes; with `preferWorkingCopy` the working copy when one exists.
    virtual const quint8 *data(bool preferWorkingCopy = false) const = 0;
    /// A private, writable copy of the bytes, made on the first call and kept.
    virtual quint8 *workingCopy() = 0;
    virtual void releaseWorkingCopy() = 0;

    /// Bytes of all sections ever constructed in this process (a statistic).
    static quint64 bytesConstructed();

protected:
    LoadFileSectionInterface() = default;
    static void countBytes(quint32 size);
};

/// A section over bytes owned by its load file (the whole-file buffer of a binary file
/// or the image made by makeContiguous), which must outlive it.
class StandardLoadFileSection : public LoadFileSectionInterface
{
public:
    StandardLoadFileSection(const QByteArray &name, quint64 address, quint32 size,
                            const quint8 *data);
    ~StandardLoadFileSection() override;
    StandardLoadFileSection(const StandardLoadFileSection &) = delete;
    StandardLoadFileSection &operator=(const StandardLoadFileSection &) = delete;

    const char *name() const override;
    quint64 address() const override;
    quint32 size() const override;
    const quint8 *data(bool preferWorkingCopy = false) const override;
    quint8 *workingCopy() override;
    void releaseWorkingCopy() override;

protected:
    QByteArray m_name;
    quint64 m_address;
    quint32 m_size;
    const quint8 *m_data;
    std::unique_ptr<quint8[]> m_workingCopy;
};

/// A section that owns its bytes and grows while a text reader appends to it.
class ExpandingLoadFileSection : public StandardLoadFileSection
{
public:
    ExpandingLoadFileSection(const QByteArray &name, quint64 address);
    ~ExpandingLoadFileSection() override;

    /// Appends `count` bytes; throws HException when the section would pass 4 GiB.
    void append(const quint8 *bytes, quint32 count);
    /// Address + size: where the next byte must lie to extend this section.
    quint64 endAddress() const { return m_address + m_size; }

private:
    std::vector<quint8> m_buffer;
};

/// The sections of a load file, owned, in file order until sorted.
class LoadFileSections
{
public:
    LoadFileSections();
    ~LoadFileSections();
    LoadFileSections(const LoadFileSections &) = delete;
    LoadFileSections &operator=(const LoadFileSections &) = delete;

    /// Takes ownership of `section`.
    void append(LoadFileSectionInterface *section);
    void clear();

    int count() const { return int(m_sections.size()); }
    bool isEmpty() const { return m_sections.empty(); }
    LoadFileSectionInterface *at(int index) const { return m_sections[size_t(index)].get(); }
    /// Sum of the section sizes.
    quint64 totalSize() const;
    /// Address of the first section; 0 when there is none.
    quint64 firstAddress() const;
    /// The first section holding all of address..address+length−1; none for length 0.
    LoadFileSectionInterface *find(quint64 address, quint32 length) const;
    /// Orders the sections by ascending address.
    void sort();

private:
    std::vector<std::unique_ptr<LoadFileSectionInterface>> m_sections;
};
