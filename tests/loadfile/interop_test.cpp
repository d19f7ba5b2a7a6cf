// Interoperability with srec_cat, used as an independent oracle: files our writers
// produce must read back in srec_cat with the same bytes at the same addresses, and
// files srec_cat produces must read the same in our readers. Memory contents are
// compared, never our text against theirs: the two tools lay out records differently.

#include "loadfiletestsupport.h"

#include <QProcess>
#include <QStandardPaths>

namespace {

class SrecCatTest : public LoadFileTest
{
protected:
    void SetUp() override
    {
        if (QStandardPaths::findExecutable("srec_cat").isEmpty())
            GTEST_SKIP() << "srec_cat is not installed (package srecord)";
        // srec_cat's input: the runs as binary files placed by its -offset.
        for (const auto &[address, bytes] : runs) {
            const QString name = QString("run%1.bin").arg(inputs.size());
            write(name, bytes);
            inputs << name << "-binary" << "-offset" << QString::number(address);
        }
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
    // srec_cat's listing of the memory its input holds, after the comment that carries
    // the header: the same memory lists the same, however the records were laid out.
    QByteArray memoryListing(const QStringList &input)
    {
        const QByteArray listing = srecCat(QStringList(input) << "-o" << "-" << "-vmem" << "8");
        return listing.mid(listing.indexOf("*/\n") + 3);
    }

    const ByteRuns runs = sampleRuns();
    QStringList inputs;
};

TEST_F(SrecCatTest, OurReadersReadWhatSrecCatWrites)
{
    // 16-bit S-records hold only the first run, below 64 KiB; TI-TXT has no start address.
    const struct { const char *file; const char *reader; QStringList options; int runs; }
        formats[] = {{"theirs.hex", "ihex", {"-intel"}, 5},
                     {"long.hex", "ihex", {"-intel", "-obs=255"}, 5},
                     {"theirs.srec", "srec", {"-motorola"}, 5},
                     {"s19.srec", "srec", {"-motorola", "-address-length=2"}, 1},
                     {"theirs.txt", "tihex", {"-ti-txt"}, 5}};
    for (const auto &format : formats) {
        SCOPED_TRACE(format.file);
        srecCat(inputs.mid(0, format.runs * 4) << "-execution-start-address" << "0x08000101"
                                               << "-o" << format.file << format.options);
        const ByteRuns used(runs.begin(), runs.begin() + format.runs);
        const char *start = format.reader == QString("tihex") ? "" : " start 0x8000101";
        EXPECT_EQ(describe(format.reader, path(format.file)), describeRuns(used) + start);
    }
}

// Past 65,535 data records srec_cat ends the file with S6, a 24-bit count. Here 2^21
// one-byte records: their count is 0 in 16 bits.
TEST_F(SrecCatTest, CountOfMillionsOfRecordsInS6)
{
    srecCat({"-generate", "0", "0x200000", "-constant", "0x5A", "-o", "many.srec",
             "-Output_Block_Size", "1"});
    const QByteArray text = read("many.srec");
    ASSERT_EQ(text.mid(text.lastIndexOf('\n', text.size() - 2) + 1), "S604200000DB\n");
    const std::string sections = describe("srec", path("many.srec"));
    const std::string expected = "0x0:" + QByteArray("5A").repeated(0x200000).toStdString();
    EXPECT_TRUE(sections == expected) << sections.substr(0, 100);
}

// The tool end to end, which also puts our writers before srec_cat: srec_cat writes
// Intel HEX, tessaload converts it to each format srec_cat reads, and srec_cat sees the
// original bytes.
TEST_F(SrecCatTest, TessaLoadConvertsWhatSrecCatReads)
{
    srecCat(QStringList(inputs) << "-o" << "in.hex" << "-intel");
    const QByteArray original = memoryListing(inputs);
    const struct { const char *output; const char *srecCatFormat; } outputs[] = {
        {"out.s19", "-motorola"}, {"out.srec", "-motorola"}, {"out.txt", "-ti-txt"},
        {"out.tek", "-tektronix-extended"}, {"out.hex", "-intel"}};
    for (const auto &output : outputs) {
        SCOPED_TRACE(output.output);
        const ToolResult result = runTool("tessaload", {"convert", "in.hex", output.output},
                                          dir());
        ASSERT_EQ(result.exitCode, 0) << result.err.toStdString();
        EXPECT_EQ(memoryListing({output.output, output.srecCatFormat}), original);
    }
}

} // namespace
