#include "loadfiletestsupport.h"

#include "loadfile/binarybuffer.h"
#include "loadfile/codebuffer.h"
#include "loadfile/tekhexbuffer.h"

#include <QDir>

#include <random>

namespace {

class CodeBufferTest : public LoadFileTest
{
protected:
    std::unique_ptr<CodeBuffer> writer(const char *format)
    {
        return createCodeBuffer(format, path("out"));
    }
    static void put(CodeBuffer &buffer, quint32 address, const QByteArray &bytes)
    {
        buffer.setAddress(address);
        for (char byte : bytes)
            buffer.putByte(quint8(byte));
    }
    static QByteArray counting(int count, int first = 0)
    {
        QByteArray bytes;
        for (int i = 0; i < count; ++i)
            bytes += char(first + i);
        return bytes;
    }
    QByteArray output() { return read("out"); }
};

TEST_F(CodeBufferTest, IntelHexRecordAndEnd)
{
    auto buffer = writer("hex");
    put(*buffer, 0x100, "\x01\x02");
    buffer->finish(0x1234);
    buffer.reset();
    EXPECT_EQ(output(), ":020100000102FA\n:00000001FF\n");
}

TEST_F(CodeBufferTest, IntelHexRecordsStopAt64KiBBoundaries)
{
    auto buffer = writer("hex");
    put(*buffer, 0xFFF8, counting(32));
    buffer->finish(0);
    buffer.reset();
    EXPECT_EQ(output(), ":08FFF8000001020304050607E5\n"
                        ":020000040001F9\n"
                        ":1000000008090A0B0C0D0E0F1011121314151617F8\n"
                        ":0800100018191A1B1C1D1E1F0C\n"
                        ":00000001FF\n");
}

TEST_F(CodeBufferTest, RedundantSetAddressKeepsTheRecord)
{
    auto buffer = writer("lst");
    put(*buffer, 0x20, counting(8));
    put(*buffer, 0x28, counting(8, 8));
    buffer->finish(0);
    buffer.reset();
    EXPECT_EQ(output(), "00000020 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n");
}

TEST_F(CodeBufferTest, SRecordsByAddressWidth)
{
    // The header carries the name the writer was given.
    const QString previous = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(dir()));
    auto buffer = createCodeBuffer("srec", "ab.srec");
    put(*buffer, 0x1000, "\xAA");
    put(*buffer, 0x10000, "\xAA");
    put(*buffer, 0xFFFFF0, "\x55");
    put(*buffer, 0xFFFFFF, "\x55");
    buffer->finish(0x21234);
    buffer.reset();
    QDir::setCurrent(previous);
    EXPECT_EQ(read("ab.srec"), "S00861622E7372656359\n"
                               "S1041000AA41\n"
                               "S205010000AA4F\n"
                               "S205FFFFF055B7\n"
                               "S30600FFFFFF55A7\n"
                               "S9031234B6\n");
}

TEST_F(CodeBufferTest, TiTxtContinuesLinesWithoutAddress)
{
    auto buffer = writer("txt");
    put(*buffer, 0xF000, counting(20));
    put(*buffer, 0xF100, "\xAB");
    buffer->finish(0);
    buffer.reset();
    EXPECT_EQ(output(), "@0000F000\n"
                        "00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n"
                        "10 11 12 13\n"
                        "@0000F100\n"
                        "AB\n"
                        "q\n");
}

TEST_F(CodeBufferTest, HexListingLines)
{
    auto buffer = writer("lst");
    put(*buffer, 0, counting(17));
    buffer->finish(0);
    buffer.reset();
    EXPECT_EQ(output(), "00000000 00 01 02 03 04 05 06 07 08 09 0A 0B 0C 0D 0E 0F\n"
                        "00000010 10\n");
}

TEST_F(CodeBufferTest, TektronixRecords)
{
    auto buffer = std::make_unique<TekHexBuffer>(path("out"));
    put(*buffer, 0x1000, "\x12");
    put(*buffer, 0, "\x12");
    buffer->finish(0x1234);
    buffer.reset();
    EXPECT_EQ(output(), "%0C61A4100012\n"
                        "%096131012\n"
                        "%0A82041234\n");
}

TEST_F(CodeBufferTest, BinaryFillsGapsByPage)
{
    auto buffer = writer("bin");
    put(*buffer, 0x1000, "\x11");
    put(*buffer, 0x3000, "\x22");
    buffer->finish(0);
    buffer.reset();
    const QByteArray bytes = output();
    ASSERT_EQ(bytes.size(), 0x2001);
    EXPECT_EQ(bytes.at(0), '\x11');
    EXPECT_EQ(bytes.mid(1, 0xFFF), QByteArray(0xFFF, '\xFF'));
    EXPECT_EQ(bytes.mid(0x1000, 0x1000), QByteArray(0x1000, '\0'));
    EXPECT_EQ(bytes.at(0x2000), '\x22');
}

TEST_F(CodeBufferTest, BinaryWithoutBytesIsEmpty)
{
    auto buffer = writer("bin");
    buffer->setAddress(0x1000);
    buffer->finish(0);
    buffer.reset();
    EXPECT_EQ(output(), "");
}

TEST_F(CodeBufferTest, BinaryBulkAndSingleBytesAgree)
{
    auto bulk = createCodeBuffer("bin", path("bulk"));
    const QByteArray data = counting(9000, 3);
    bulk->setAddress(0x0FF0);
    bulk->putBytes(reinterpret_cast<const quint8 *>(data.constData()), quint32(data.size()));
    bulk->putByte(0x77);
    bulk->finish(0);
    bulk.reset();
    auto single = writer("bin");
    put(*single, 0x0FF0, data + "\x77");
    single->finish(0);
    single.reset();
    EXPECT_EQ(read("bulk"), output());
    EXPECT_EQ(output().size(), 9001);
}

TEST_F(CodeBufferTest, UnknownFormatAndUnwritableFile)
{
    EXPECT_EQ(createCodeBuffer("ihex", path("out")), nullptr);
    EXPECT_EQ(createCodeBuffer("tek", path("out")), nullptr);
    auto buffer = createCodeBuffer("hex", path("missing/dir/out.hex"));
    ASSERT_NE(buffer, nullptr);
    EXPECT_FALSE(buffer->isOpen());
    put(*buffer, 0, "abc");
    buffer->finish(0);
    EXPECT_FALSE(QFile::exists(path("missing/dir/out.hex")));
}

// Every text writer's output reads back through the reader of its format.
TEST_F(CodeBufferTest, RoundTripThroughTheReaders)
{
    const struct { const char *writer; const char *reader; } formats[] = {
        {"hex", "ihex"}, {"srec", "srec"}, {"txt", "tihex"}, {"lst", "hex"}};
    std::mt19937 random(7);
    QByteArray first(70000, 0), second(300, 0);
    for (char &byte : first)
        byte = char(random());
    for (char &byte : second)
        byte = char(random());
    for (const auto &format : formats) {
        SCOPED_TRACE(format.writer);
        auto buffer = writer(format.writer);
        put(*buffer, 0x0FFF0, first);
        put(*buffer, 0x01000000, second);
        buffer->finish(0);
        buffer.reset();
        auto file = LoadFileFactory().create(path("out"), format.reader);
        file->makeContiguous(0);  // records become one section per run
        file->sortSections();
        LoadFileSections &sections = file->sections();
        ASSERT_EQ(sections.count(), 1);
        // The image spans both runs; compare them at their places.
        const quint8 *image = sections.at(0)->data();
        EXPECT_EQ(sections.at(0)->address(), 0x0FFF0u);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(image), first.size()), first);
        EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(image) + (0x01000000 - 0x0FFF0),
                             second.size()),
                  second);
    }
}

} // namespace
