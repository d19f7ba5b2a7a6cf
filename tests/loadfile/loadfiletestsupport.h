#pragma once

#include "testsupport.h"

#include "loadfile/loadfile.h"
#include "loadfile/loadfilefactory.h"
#include "qtx/hexception.h"

#include <algorithm>
#include <memory>
#include <random>
#include <string>
#include <utility>
#include <vector>

/// Runs of bytes at target addresses: what a writer is given, what a reader gives back.
using ByteRuns = std::vector<std::pair<quint64, QByteArray>>;

/// "0xADDR:BYTES" for each run, separated by blanks ("0x1000:0102 0x2000:"), so that a
/// whole image reads as one literal.
inline std::string describeRuns(const ByteRuns &runs)
{
    std::string text;
    for (const auto &[address, bytes] : runs) {
        text += QString::asprintf(text.empty() ? "0x%llX:" : " 0x%llX:", address).toStdString();
        text += bytes.toHex().toUpper().toStdString();
    }
    return text;
}

/// The sections of a load file as describeRuns() shows them, then " start 0xADDR" when
/// the file has a start address.
inline std::string describeSections(LoadFileInterface &file)
{
    ByteRuns runs;
    LoadFileSections &sections = file.sections();
    for (int i = 0; i < sections.count(); ++i) {
        const LoadFileSectionInterface *section = sections.at(i);
        const auto *data = reinterpret_cast<const char *>(section->data());
        runs.emplace_back(section->address(), QByteArray(data, int(section->size())));
    }
    const QByteArray start = QByteArray::number(file.startAddress(), 16).toUpper();
    return describeRuns(runs) + (file.hasStartAddress() ? " start 0x" + start : "").toStdString();
}

/// Pseudo-random runs that cross a 64 KiB boundary, need 24- and 32-bit addresses, and
/// leave gaps.
inline ByteRuns sampleRuns()
{
    std::mt19937 random(2026);
    ByteRuns runs = {{0x00000100, QByteArray(5, 0)}, {0x0000FFF0, QByteArray(300, 0)},
                     {0x00020000, QByteArray(17, 0)}, {0x00FFFFF8, QByteArray(3, 0)},
                     {0x01000000, QByteArray(40, 0)}};
    for (auto &run : runs)
        std::generate(run.second.begin(), run.second.end(), [&random] { return char(random()); });
    return runs;
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
    /// The sections of `fileName` read in `format`, made contiguous with `fill` unless it
    /// is negative, or "error: MESSAGE".
    std::string describe(const QString &format, const QString &fileName, int fill = -1)
    {
        try {
            auto file = LoadFileFactory().create(fileName, format);
            if (!file)
                return "no such format";
            if (fill >= 0)
                file->makeContiguous(quint8(fill));
            return describeSections(*file);
        } catch (const HException &error) {
            return "error: " + error.message().toStdString();
        }
    }
    std::string read(const QString &format, const QByteArray &contents, int fill = -1)
    {
        write("input", contents);
        return describe(format, path("input"), fill);
    }
    using TempDirTest::read;
};
