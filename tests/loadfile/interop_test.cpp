// Interoperability with srec_cat, used as an independent oracle: files our writers
// produce must read back in srec_cat with the same bytes at the same addresses, and
// files srec_cat produces must read the same in our readers. Memory contents are
// compared, never text: the two tools lay out records differently.

#include "loadfiletestsupport.h"

#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <map>
#include <random>

namespace {

using Image = std::map<quint32, quint8>;
using ImageRuns = std::vector<std::pair<quint32, QByteArray>>;

// Runs chosen to cross a 64 KiB boundary, need 24- and 32-bit addresses, and leave gaps.
ImageRuns testRuns()
{
    std::mt19937 random(2026);
    ImageRuns runs = {{0x00000100, QByteArray(5, 0)}, {0x0000FFF0, QByteArray(300, 0)},
                      {0x00020000, QByteArray(17, 0)}, {0x00FFFFF8, QByteArray(3, 0)},
                      {0x01000000, QByteArray(40, 0)}};
    for (auto &run : runs)
        std::generate(run.second.begin(), run.second.end(), [&random] { return char(random()); });
    return runs;
}

Image imageOf(const ImageRuns &runs)
{
    Image image;
    for (const auto &[address, bytes] : runs) {
        for (int i = 0; i < bytes.size(); ++i)
            image[address + quint32(i)] = quint8(bytes.at(i));
    }
    return image;
}

Image imageOf(LoadFileInterface &file)
{
    Image image;
    LoadFileSections &sections = file.sections();
    for (int i = 0; i < sections.count(); ++i) {
        const LoadFileSectionInterface *section = sections.at(i);
        for (quint32 j = 0; j < section->size(); ++j)
            image[quint32(section->address() + j)] = section->data()[j];
    }
    return image;
}

// srec_cat's VMEM output with byte-wide words: lines "@ADDRESS XX XX ..." whose bytes
// follow one another from ADDRESS, and comment lines "/* ... */".
Image parseVmem(const QByteArray &text)
{
    Image image;
    for (const QByteArray &line : text.split('\n')) {
        const QList<QByteArray> words = line.simplified().split(' ');
        if (!words.front().startsWith('@'))
            continue;
        quint32 address = words.front().mid(1).toUInt(nullptr, 16);
        for (const QByteArray &word : words.mid(1))
            image[address++] = quint8(word.toUInt(nullptr, 16));
    }
    return image;
}

class SrecCatTest : public LoadFileTest
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("srec_cat").isEmpty())
            GTEST_SKIP() << "srec_cat is not installed (package srecord)";
    }
    // Runs srec_cat in the temporary directory; its standard output.
    QByteArray srecCat(const QStringList &arguments)
    {
        QProcess process;
        process.setWorkingDirectory(dir());
        process.start("srec_cat", arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
        return process.readAllStandardOutput();
    }
    // srec_cat's reading of a file, given with its format options.
    Image srecCatImage(QStringList input)
    {
        return parseVmem(srecCat(input << "-o" << "-" << "-vmem" << "8"));
    }
    // The runs as binary files placed by srec_cat's -offset, ready to be converted.
    QStringList srecCatInputs(const ImageRuns &runs)
    {
        QStringList arguments;
        for (const auto &[address, bytes] : runs) {
            const QString name = QString("run%1.bin").arg(arguments.size());
            write(name, bytes);
            arguments << name << "-binary" << "-offset" << QString::number(address);
        }
        return arguments;
    }
};

TEST_F(SrecCatTest, OurReadersReadWhatSrecCatWrites)
{
    const ImageRuns runs = testRuns();
    const QStringList inputs = srecCatInputs(runs);
    // 16-bit S-records hold only the first run, below 64 KiB; TI-TXT has no start address.
    const struct { const char *file; const char *reader; QStringList options; int runs; }
        formats[] = {{"theirs.hex", "ihex", {"-intel"}, 5},
                     {"long.hex", "ihex", {"-intel", "-obs=255"}, 5},
                     {"theirs.srec", "srec", {"-motorola"}, 5},
                     {"s19.srec", "srec", {"-motorola", "-address-length=2"}, 1},
                     {"theirs.txt", "tihex", {"-ti-txt"}, 5}};
    for (const auto &format : formats) {
        SCOPED_TRACE(format.file);
        const ImageRuns used(runs.begin(), runs.begin() + format.runs);
        srecCat(inputs.mid(0, format.runs * 4) << "-execution-start-address" << "0x08000101"
                                               << "-o" << format.file << format.options);
        auto file = LoadFileFactory().create(path(format.file), format.reader);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(imageOf(*file), imageOf(used));
        EXPECT_EQ(file->startAddress(), format.reader == QString("tihex") ? 0u : 0x08000101u);
    }
}

// Past 65,535 data records srec_cat ends the file with S6, a 24-bit count. Here 2^21
// one-byte records: their count is 0 in 16 bits.
TEST_F(SrecCatTest, CountOfMillionsOfRecordsInS6)
{
    srecCat({"-generate", "0", "0x200000", "-constant", "0x5A", "-o", "many.srec",
             "-Output_Block_Size", "1"});
    const QByteArray text = read("many.srec");
    EXPECT_EQ(text.count("\nS1") + text.count("\nS2") + text.count("\nS3"), 0x200000);
    EXPECT_EQ(text.mid(text.lastIndexOf('\n', text.size() - 2) + 1), "S604200000DB\n");
    auto file = LoadFileFactory().create(path("many.srec"), "srec");
    ASSERT_EQ(file->sections().count(), 1);
    const LoadFileSectionInterface *section = file->sections().at(0);
    EXPECT_EQ(section->address(), 0u);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(section->data()), int(section->size())),
              QByteArray(0x200000, 0x5A));
}

// The tool end to end, which also puts our writers before srec_cat: srec_cat writes
// Intel HEX, tessaload converts it to each format srec_cat reads, and srec_cat sees the
// original bytes.
TEST_F(SrecCatTest, TessaLoadConvertsWhatSrecCatReads)
{
    const ImageRuns runs = testRuns();
    srecCat(srecCatInputs(runs) << "-o" << "in.hex" << "-intel");
    const struct { const char *output; const char *srecCatFormat; } outputs[] = {
        {"out.s19", "-motorola"}, {"out.srec", "-motorola"}, {"out.txt", "-ti-txt"},
        {"out.tek", "-tektronix-extended"}, {"out.hex", "-intel"}};
    for (const auto &output : outputs) {
        SCOPED_TRACE(output.output);
        const ToolResult result = runTool("tessaload", {"convert", "in.hex", output.output},
                                          dir());
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        EXPECT_EQ(srecCatImage({output.output, output.srecCatFormat}), imageOf(runs));
    }
}

} // namespace
