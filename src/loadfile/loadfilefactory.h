#pragma once

#include <QList>
#include <QString>

#include <memory>

class LoadFileInterface;

/// A load-file format as file dialogs show it.
struct LoadFileFormat
{
    QString name;         // "bin", "ihex", "hex", "tihex", "srec"
    QString filter;       // "*.bin *.rom"
    QString description;  // "Binary"
};

/// Creates load files by format name. The format of a file is never sniffed from its
/// contents: it is named by the caller or taken from the file-name extension.
class LoadFileFactory
{
public:
    LoadFileFactory();
    virtual ~LoadFileFactory();

    /// Reads `fileName` in the format `formatName` (compared case-sensitively). None
    /// for an unknown format; throws HException when the file cannot be read.
    virtual std::unique_ptr<LoadFileInterface> create(const QString &fileName,
                                                      const QString &formatName);
    /// Deletes a load file released from create(); none is fine.
    virtual void destroy(LoadFileInterface *loadFile);
    /// The format whose extension ends `fileName` exactly (".hex" and ".HEX", not
    /// ".Hex"); a null string when none does.
    virtual QString formatForFileName(const QString &fileName) const;

    const QList<LoadFileFormat> &formats() const { return m_formats; }

private:
    QList<LoadFileFormat> m_formats;
};
