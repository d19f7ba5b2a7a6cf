// Interoperability with srec_cat, used as an independent oracle: files our writers
// produce must read back in srec_cat with the same bytes at the same addresses, and
// files srec_cat produces must read the same in our readers. Memory contents are
// compared, never text: the two tools lay out records differently.

#include "loadfiletestsupport.h"

#include "loadfile/codebuffer.h"

#include <QProcess>
#include <QStandardPaths>

#include <map>
#include <random>

namespace {

using Image = std::map<quint32, quint8>;

struct ImageRun
{
    quint32 address;
    QByteArray bytes;
};

// Runs chosen to cross a 64 KiB boundary, need 24- and 32-bit addresses, and leave gaps.
std::vector<ImageRun> testRuns()
{
    std::mt19937 random(2026);
    const std::pair<quint32, int> layout[] = {
        {0x00000100, 5}, {0x0000FFF0, 300}, {0x00020000, 17}, {0x00FFFFF8, 3}, {0x01000000, 40}};
    std::vector<ImageRun> runs;
    for (const auto &[address, size] : layout) {
        QByteArray bytes(size, 0);
        for (char &byte : bytes)
            byte = char(random());
        runs.push_back({address, bytes});
    }
    return runs;
}

Image imageOf(const std::vector<ImageRun> &runs)
{
    Image image;
    for (const ImageRun &run : runs) {
        for (int i = 0; i < run.bytes.size(); ++i)
            image[run.address + quint32(i)] = quint8(run.bytes.at(i));
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
    QStringList srecCatInputs(const std::vector<ImageRun> &runs)
    {
        QStringList arguments;
        for (size_t i = 0; i < runs.size(); ++i) {
            const QString name = QString("run%1.bin").arg(i);
            write(name, runs[i].bytes);
            arguments << name << "-binary" << "-offset"
                      << QString("0x%1").arg(runs[i].address, 0, 16);
        }
        return arguments;
    }
};

void fill(Image &image, quint32 from, quint32 to, quint8 value)
{
    for (quint32 address = from; address < to; ++address)
        image[address] = value;
}

TEST_F(SrecCatTest, ReadsOurBinaryImage)
{
    const std::vector<ImageRun> runs = {{0x2000, "\x01\x02\x03"}, {0x4F00, QByteArray(300, 'z')}};
    auto buffer = createCodeBuffer("bin", path("ours.bin"));
    for (const ImageRun &run : runs) {
        buffer->setAddress(run.address);
        buffer->putBytes(reinterpret_cast<const quint8 *>(run.bytes.constData()),
                         quint32(run.bytes.size()));
    }
    buffer->finish(0);
    buffer.reset();
    Image expected = imageOf(runs);
    fill(expected, 0x2003, 0x3000, 0xFF);  // unwritten bytes of a written page
    fill(expected, 0x3000, 0x4000, 0x00);  // a page never written
    fill(expected, 0x4000, 0x4F00, 0xFF);
    // Our image starts at the lowest address written; srec_cat reads it at 0.
    EXPECT_EQ(srecCatImage({"ours.bin", "-binary", "-offset", "0x2000"}), expected);
}

TEST_F(SrecCatTest, OurReadersReadWhatSrecCatWrites)
{
    const std::vector<ImageRun> runs = testRuns();
    const QStringList inputs = srecCatInputs(runs);
    // 16-bit S-records hold only the first run, below 64 KiB.
    const struct { const char *file; const char *reader; QStringList options; int runs; }
        formats[] = {{"theirs.hex", "ihex", {"-intel"}, 5},
                     {"long.hex", "ihex", {"-intel", "-obs=255"}, 5},
                     {"theirs.srec", "srec", {"-motorola"}, 5},
                     {"s19.srec", "srec", {"-motorola", "-address-length=2"}, 1},
                     {"theirs.txt", "tihex", {"-ti-txt"}, 5}};
    for (const auto &format : formats) {
        SCOPED_TRACE(format.file);
        const std::vector<ImageRun> used(runs.begin(), runs.begin() + format.runs);
        srecCat(inputs.mid(0, format.runs * 4) << "-o" << format.file << format.options);
        auto file = LoadFileFactory().create(path(format.file), format.reader);
        ASSERT_NE(file, nullptr);
        EXPECT_EQ(imageOf(*file), imageOf(used));
    }
}

TEST_F(SrecCatTest, StartAddressFromSrecCat)
{
    write("one.bin", "\x10\x20");
    for (const auto &[format, option] : {std::pair("srec", "-motorola"), {"ihex", "-intel"}}) {
        srecCat({"one.bin", "-binary", "-offset", "0x08000000", "-execution-start-address",
                 "0x08000101", "-o", "start", option});
        EXPECT_EQ(LoadFileFactory().create(path("start"), format)->startAddress(), 0x08000101u)
            << format;
    }
}

// The tool end to end, which also puts our writers before srec_cat: srec_cat writes
// Intel HEX, tessaload converts it to each format srec_cat reads, and srec_cat sees the
// original bytes.
TEST_F(SrecCatTest, TessaLoadConvertsWhatSrecCatReads)
{
    const std::vector<ImageRun> runs = testRuns();
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
    // A contiguous binary of the runs below 64 KiB + 300.
    const std::vector<ImageRun> low(runs.begin(), runs.begin() + 2);
    srecCat(srecCatInputs(low) << "-o" << "low.hex" << "-intel");
    ASSERT_EQ(runTool("tessaload", {"convert", "low.hex", "low.bin", "-fill", "0x5A"}, dir())
                  .exitCode,
              0);
    Image expected = imageOf(low);
    fill(expected, 0x105, 0xFFF0, 0x5A);
    EXPECT_EQ(srecCatImage({"low.bin", "-binary", "-offset", "0x100"}), expected);
}

} // namespace
