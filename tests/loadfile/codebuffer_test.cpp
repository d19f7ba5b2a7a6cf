#include "loadfiletestsupport.h"

#include "loadfile/codebuffer.h"
#include "loadfile/tekhexbuffer.h"

#include <QDir>

namespace {

QByteArray counting(int count, int first = 0)
{
    QByteArray bytes;
    for (int i = 0; i < count; ++i)
        bytes += char(first + i);
    return bytes;
}

class CodeBufferTest : public LoadFileTest
{
protected:
    /// Writes the runs to "ab.FORMAT" and returns the file. In bulk, each run goes through
    /// putBytes() but for its last byte, which goes through putByte(); otherwise every
    /// byte goes through putByte(). The writer is given the name relative to the
    /// directory, as the S-record header shows.
    QByteArray written(const QString &format, const ByteRuns &runs, quint32 start = 0,
                       bool bulk = false)
    {
        const QString previous = QDir::currentPath();
        EXPECT_TRUE(QDir::setCurrent(dir()));
        const QString name = "ab." + format;
        std::unique_ptr<CodeBuffer> buffer = format == "tek"
                                                 ? std::make_unique<TekHexBuffer>(name)
                                                 : createCodeBuffer(format, name);
        for (const auto &[address, bytes] : runs) {
            buffer->setAddress(quint32(address));
            const int single = bulk ? qMin(1, bytes.size()) : bytes.size();
            buffer->putBytes(reinterpret_cast<const quint8 *>(bytes.constData()),
                             quint32(bytes.size() - single));
            for (char byte : bytes.right(single))
                buffer->putByte(quint8(byte));
        }
        buffer->finish(start);
        buffer.reset();
        QDir::setCurrent(previous);
        return read(name);
    }
};

struct WriterCase
{
    const char *name;
    const char *format;
    ByteRuns runs;
    quint32 start;
    QByteArray expected;
};

class CodeBufferOutputTest : public CodeBufferTest,
                             public testing::WithParamInterface<WriterCase>
{
};

TEST_P(CodeBufferOutputTest, WritesTheRecordsByteByByteAndInBulk)
{
    EXPECT_EQ(written(GetParam().format, GetParam().runs, GetParam().start), GetParam().expected);
    EXPECT_EQ(written(GetParam().format, GetParam().runs, GetParam().start, true),
              GetParam().expected);
}

const WriterCase writerCases[] = {
    {"IntelHexRecordAndEnd", "hex", {{0x100, "\x01\x02"}}, 0x1234,
     ":020100000102FA\n:00000001FF\n"},
    {"IntelHexRecordsStopAt64KiBBoundaries", "hex", {{0xFFF8, counting(32)}}, 0,
     ":08FFF8000001020304050607E5\n:020000040001F9\n"
     ":1000000008090A0B0C0D0E0F1011121314151617F8\n:0800100018191A1B1C1D1E1F0C\n"
     ":00000001FF\n"},
    // The header carries the name the writer was given.
    {"SRecordsByAddressWidth", "srec",
     {{0x1000, "\xAA"}, {0x10000, "\xAA"}, {0xFFFFF0, "\x55"}, {0xFFFFFF, "\x55"}}, 0x21234,
     "S00861622E7372656359\nS1041000AA41\nS205010000AA4F\n"
     "S205FFFFF055B7\nS30600FFFFFF55A7\nS9031234B6\n"},
    {"TiTxtContinuesLinesWithoutAddress", "txt", {{0xF000, counting(20)}, {0xF100, "\xAB"}}, 0,
     "@0000F000\n00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n"
     "10 11 12 13\n@0000F100\nAB\nq\n"},
    {"HexListingLines", "lst", {{0, counting(17)}}, 0,
     "00000000 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n00000010 10\n"},
    {"RedundantSetAddressKeepsTheRecord", "lst", {{0x20, counting(8)}, {0x28, counting(8, 8)}},
     0, "00000020 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n"},
    {"TektronixRecords", "tek", {{0x1000, "\x12"}, {0, "\x12"}}, 0x1234,
     "%0C61A4100012\n%096131012\n%0A82041234\n"},
    {"BinaryFillsGapsByPage", "bin", {{0x1000, "\x11"}, {0x3000, "\x22"}}, 0,
     "\x11" + QByteArray(0xFFF, '\xFF') + QByteArray(0x1000, '\0') + "\x22"},
    {"BinaryWithoutBytesIsEmpty", "bin", {{0x1000, ""}}, 0, ""},
    {"BinaryRunAcrossPages", "bin", {{0x0FF0, counting(9000, 3)}}, 0, counting(9000, 3)},
};

INSTANTIATE_TEST_SUITE_P(All, CodeBufferOutputTest, testing::ValuesIn(writerCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(CodeBufferTest, UnknownFormatAndUnwritableFile)
{
    EXPECT_EQ(createCodeBuffer("ihex", path("out")), nullptr);
    EXPECT_EQ(createCodeBuffer("tek", path("out")), nullptr);
    auto buffer = createCodeBuffer("hex", path("missing/dir/out.hex"));
    ASSERT_NE(buffer, nullptr);
    EXPECT_FALSE(buffer->isOpen());
    buffer->putByte(0x12);
    buffer->finish(0);
    EXPECT_FALSE(QFile::exists(path("missing/dir/out.hex")));
}

// Every text writer's output reads back through the reader of its format.
TEST_F(CodeBufferTest, RoundTripThroughTheReaders)
{
    const ByteRuns runs = sampleRuns();
    for (const auto &[writer, reader] : {std::pair("hex", "ihex"), {"srec", "srec"},
                                         {"txt", "tihex"}, {"lst", "hex"}}) {
        written(writer, runs);
        const char *start = reader == std::string("srec") ? " start 0x0" : "";  // from S9
        EXPECT_EQ(describe(reader, path(QString("ab.") + writer)), describeRuns(runs) + start)
            << writer;
    }
}

} // namespace
