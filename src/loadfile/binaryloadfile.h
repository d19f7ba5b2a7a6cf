#pragma once

#include "loadfile/loadfile.h"

#include <QString>

#include <memory>

/// A raw memory image. The file carries no addresses: its single section "data" lies
/// at the load address (0 unless set), and is built again when that changes.
class BinaryLoadFile : public StandardLoadFile
{
public:
    /// Reads the whole file; throws "cannot open <path>" or "cannot read <path>".
    explicit BinaryLoadFile(const QString &fileName);
    ~BinaryLoadFile() override;

    bool isAddressed() const override;
    void setLoadAddress(quint64 address) override;
    bool readSections() override;

    quint64 loadAddress() const { return m_loadAddress; }
    quint32 fileSize() const { return m_fileSize; }

private:
    std::unique_ptr<quint8[]> m_contents;
    quint32 m_fileSize = 0;
    quint64 m_loadAddress = 0;
};
