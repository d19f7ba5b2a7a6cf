#pragma once

#include "testsupport.h"

#include "loadfile/loadfile.h"
#include "loadfile/loadfilefactory.h"
#include "qtx/hexception.h"

#include <memory>
#include <string>

/// "0xADDR:BYTES" for each section, separated by blanks ("0x1000:0102 0x2000:"), then
/// " start 0xADDR" when there is a start address, so that a reader's whole result reads
/// as one literal.
inline std::string describeSections(LoadFileInterface &file)
{
    std::string text;
    LoadFileSections &sections = file.sections();
    for (int i = 0; i < sections.count(); ++i) {
        const LoadFileSectionInterface *section = sections.at(i);
        if (!text.empty())
            text += ' ';
        text += QString::asprintf("0x%llX:", section->address()).toStdString();
        text += QByteArray(reinterpret_cast<const char *>(section->data()), int(section->size()))
                    .toHex()
                    .toUpper()
                    .toStdString();
    }
    if (file.hasStartAddress())
        text += QString::asprintf(" start 0x%llX", file.startAddress()).toStdString();
    return text;
}

/// A temporary directory in which load files are written and read back.
class LoadFileTest : public TempDirTest
{
protected:
    std::unique_ptr<LoadFileInterface> load(const QString &format, const QByteArray &contents)
    {
        write("input", contents);
        return LoadFileFactory().create(path("input"), format);
    }
    /// The sections of `contents` read in `format`, made contiguous with `fill` unless it
    /// is negative, or "error: MESSAGE".
    std::string read(const QString &format, const QByteArray &contents, int fill = -1)
    {
        try {
            auto file = load(format, contents);
            if (file && fill >= 0)
                file->makeContiguous(quint8(fill));
            return file ? describeSections(*file) : std::string("no such format");
        } catch (const HException &error) {
            return "error: " + error.message().toStdString();
        }
    }
    using TempDirTest::read;
};
