#include "loadfiletestsupport.h"

#include "loadfile/binaryloadfile.h"

namespace {

class IntelHexReaderTest : public LoadFileTest
{
};

TEST_F(IntelHexReaderTest, EndRecordAloneGivesNothing)
{
    auto file = load("ihex", ":00000001FF\n");
    EXPECT_EQ(file->sections().count(), 0);
    EXPECT_FALSE(file->hasStartAddress());
    EXPECT_TRUE(file->isAddressed());
}

TEST_F(IntelHexReaderTest, LinesAfterTheEndRecordAreIgnored)
{
    EXPECT_EQ(read("ihex", ":0100000055AA\n:00000001FF\ngarbage\n"), "0x0:55");
}

TEST_F(IntelHexReaderTest, ConsecutiveRecordsShareASection)
{
    const QByteArray file = ":10000000000102030405060708090A0B0C0D0E0F78\n"
                            ":10001000101112131415161718191A1B1C1D1E1F68\n"
                            ":00000001FF\n";
    EXPECT_EQ(read("ihex", file), "0x0:000102030405060708090A0B0C0D0E0F"
                                  "101112131415161718191A1B1C1D1E1F");
}

TEST_F(IntelHexReaderTest, GapsAndBackwardRecordsStartNewSections)
{
    EXPECT_EQ(read("ihex", ":0100000011EE\n:0100200022BD\n:00000001FF\n"), "0x0:11 0x20:22");
    // Filling the gap exactly still starts a new section: only the current one grows.
    EXPECT_EQ(read("ihex", ":0100010011ED\n:0100000022DD\n:00000001FF\n"), "0x1:11 0x0:22");
}

TEST_F(IntelHexReaderTest, SegmentAndLinearAddresses)
{
    EXPECT_EQ(read("ihex", ":020000021000EC\n:01000400AA51\n:00000001FF\n"), "0x10004:AA");
    EXPECT_EQ(read("ihex", ":020000040800F2\n:01000000AA55\n:00000001FF\n"), "0x8000000:AA");
}

TEST_F(IntelHexReaderTest, StartAddressRecords)
{
    auto linear = load("ihex", ":0400000508000101ED\n:00000001FF\n");
    EXPECT_TRUE(linear->hasStartAddress());
    EXPECT_EQ(linear->startAddress(), 0x08000101u);
    // CS:IP is taken as one number; a high bit set extends the sign.
    auto segment = load("ihex", ":040000038000123433\n:00000001FF\n");
    EXPECT_EQ(segment->startAddress(), 0xFFFFFFFF80001234ull);
}

TEST_F(IntelHexReaderTest, LowerCaseDigits)
{
    EXPECT_EQ(read("ihex", ":02000000abcd86\n:00000001ff\n"), "0x0:ABCD");
}

TEST_F(IntelHexReaderTest, UnknownTypeWithoutDataIsIgnored)
{
    EXPECT_EQ(read("ihex", ":00000006FA\n:00000001FF\n"), "");
    EXPECT_EQ(read("ihex", ":01000006AA4F\n:00000001FF\n"), "error: invalid checksum : line 1");
}

struct BadInput
{
    const char *name;
    const char *format;
    const char *text;
    const char *error;
};

class ReaderErrorTest : public LoadFileTest, public testing::WithParamInterface<BadInput>
{
};

TEST_P(ReaderErrorTest, NamesTheFaultAndTheLine)
{
    EXPECT_EQ(read(GetParam().format, GetParam().text), std::string("error: ") + GetParam().error);
}

INSTANTIATE_TEST_SUITE_P(All, ReaderErrorTest, testing::Values(
    BadInput{"IhexNoEndRecord", "ihex", ":0100000055AA\n:0100010055A9\n",
             "invalid end of file in hex file : line 3"},
    BadInput{"IhexEmptyFile", "ihex", "", "invalid end of file in hex file : line 1"},
    BadInput{"IhexBlankLine", "ihex", ":0100000055AA\n\n:00000001FF\n",
             "missing record mark in hex file : line 2"},
    BadInput{"IhexBadChecksum", "ihex", ":0100000055AB\n:00000001FF\n",
             "invalid checksum : line 1"},
    BadInput{"IhexBadDigit", "ihex", ":01000000G5AA\n", "invalid ASCII encoded byte : line 1"},
    BadInput{"IhexTruncated", "ihex", ":10000000000102\n", "invalid ASCII encoded byte : line 1"},
    BadInput{"IhexTruncatedNoNewline", "ihex", ":0100000055",
             "invalid ASCII encoded byte : line 1"},
    BadInput{"SrecBlankLine", "srec", "\n", "no leading 'S' character : line 1"},
    BadInput{"SrecChecksum", "srec", "S1041000AA42\n", "invalid checksum : line 1"},
    BadInput{"SrecCount", "srec", "S1041000AA41\nS1041001AA40\nS1041002AA3F\nS5030002FA\n",
             "incorrect data record count : line 4"},
    BadInput{"SrecCountBeforeChecksum", "srec", "S5030001FF\n",
             "incorrect data record count : line 1"},
    BadInput{"SrecShortRecord", "srec", "S1041000\n", "invalid ASCII encoded byte : line 1"},
    BadInput{"TiNoQuit", "tihex", "@F000\n31 40\n", "unexpected end of file : line 3"},
    BadInput{"TiBadByte", "tihex", "@F000\n31 4x\nq\n", "invalid ASCII encoded byte : line 2"},
    BadInput{"ListingBlankLine", "hex", "\n", "invalid address : line 1"},
    BadInput{"ListingShortLine", "hex", "00001000 01\n0000\n", "invalid address : line 2"},
    BadInput{"ListingSeparator", "hex", "00001000,01 02 03\n", "invalid separator : line 1"},
    BadInput{"ListingBadAddress", "hex", "0000100G 01\n", "invalid ASCII encoded byte : line 1"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(LoadFileTest, ChecksumOfTheEndRecordIsChecked)
{
    EXPECT_EQ(read("ihex", ":00000001FE\n"), "error: invalid checksum : line 1");
}

TEST_F(LoadFileTest, LongLinesAreTakenInPieces)
{
    // 529 characters fill the line buffer; the line end is then a line of its own.
    QByteArray line = ":" + QByteArray(528, '0') + "\n";
    EXPECT_EQ(read("ihex", line), "error: missing record mark in hex file : line 2");
    // A line of a million characters fails on its first piece without trouble.
    EXPECT_EQ(read("srec", "S" + QByteArray(1000000, '1') + "\n"),
              "error: invalid checksum : line 1");
    EXPECT_EQ(read("hex", QByteArray(1000000, '0')), "error: invalid separator : line 1");
    // TI-TXT pieces are 63 characters: 21 bytes, then the rest of the line.
    QByteArray bytes;
    for (int i = 0; i < 22; ++i)
        bytes += "AB ";
    EXPECT_EQ(read("tihex", "@0\n" + bytes + "\nq\n"),
              "0x0:" + QByteArray("AB").repeated(22).toStdString());
}

TEST_F(LoadFileTest, SRecordFile)
{
    const QByteArray text = "S00600004844521B\n"
                            "S1041000AA41\n"
                            "S20501000001F8\n"
                            "S306200000000ACF\n"
                            "S5030003F9\n"
                            "S9031234B6\n";
    auto file = load("srec", text);
    EXPECT_EQ(describeSections(*file), "0x1000:AA 0x10000:01 0x20000000:0A");
    EXPECT_TRUE(file->hasStartAddress());
    EXPECT_EQ(file->startAddress(), 0x1234u);
}

TEST_F(LoadFileTest, SRecordStartAddressWidths)
{
    EXPECT_EQ(load("srec", "S70520000101D8\n")->startAddress(), 0x20000101u);
    EXPECT_EQ(load("srec", "S8041234565F\n")->startAddress(), 0x123456u);
    // S4, S6 and unknown types carry only a checksum after the count.
    EXPECT_EQ(read("srec", "S403FC\nSX00FF\n"), "");
}

TEST_F(LoadFileTest, TiTxtFile)
{
    EXPECT_EQ(read("tihex", "@F000\n31 40 00 03\nq\n"), "0xF000:31400003");
    EXPECT_EQ(read("tihex", "@F000\r\n31 40 00 03\r\n@F004\r\n05\r\n@1000\n06\nq\r\n"),
              "0xF000:3140000305 0x1000:06");
    // Separators are not examined.
    EXPECT_EQ(read("tihex", "@10\n01x02y03\nq\n"), "0x10:010203");
    // A blank line is a data line with no bytes: it may start an empty section.
    EXPECT_EQ(read("tihex", "@20\n\n01\nq\n"), "0x20:01");
    EXPECT_EQ(read("tihex", "@20\n01\n@40\n\n@50\n02\nq\n"), "0x20:01 0x40: 0x50:02");
}

TEST_F(LoadFileTest, TiTxtAddressParsing)
{
    EXPECT_EQ(read("tihex", "@\n01\nq\n"), "0x0:01");
    EXPECT_EQ(read("tihex", "@ 1000\n01\nq\n"), "0x0:01");
    EXPECT_EQ(read("tihex", "@1x2\n01\nq\n"), "0xFFFFFFF2:01");
    EXPECT_EQ(read("tihex", "@123456789\n01\nq\n"), "0x23456789:01");
}

TEST_F(LoadFileTest, HexListingFile)
{
    EXPECT_EQ(read("hex", "00001000 01 02 03\n"), "0x1000:010203");
    EXPECT_EQ(read("hex", "00001000 01 02 03"), "0x1000:010203");
    EXPECT_EQ(read("hex", "00001000 01 02 03\r\n00001003 04\n"), "0x1000:01020304");
    EXPECT_EQ(read("hex", "00002000\n"), "0x2000:");
}

TEST_F(LoadFileTest, MissingFile)
{
    for (const char *format : {"ihex", "srec", "tihex", "hex", "bin"}) {
        try {
            LoadFileFactory().create(path("absent.file"), format);
            ADD_FAILURE() << format;
        } catch (const HException &error) {
            EXPECT_EQ(error.message(), "cannot open " + path("absent.file"));
        }
    }
    EXPECT_THROW(LoadFileFactory().create(dir(), "ihex"), HException);
    EXPECT_THROW(LoadFileFactory().create(dir(), "bin"), HException);
}

TEST_F(LoadFileTest, BinaryFileFollowsItsLoadAddress)
{
    auto file = load("bin", "0123456789");
    EXPECT_FALSE(file->isAddressed());
    ASSERT_EQ(file->sections().count(), 1);
    EXPECT_STREQ(file->sections().at(0)->name(), "data");
    EXPECT_EQ(file->sections().at(0)->size(), 10u);
    EXPECT_EQ(file->sections().at(0)->address(), 0u);
    file->setLoadAddress(0x2000);
    ASSERT_EQ(file->sections().count(), 1);
    EXPECT_EQ(file->sections().at(0)->address(), 0x2000u);
    EXPECT_EQ(read("bin", ""), "0x0:");
}

TEST_F(LoadFileTest, TextFormatsIgnoreTheLoadAddress)
{
    auto file = load("ihex", ":0100000055AA\n:00000001FF\n");
    file->setLoadAddress(0x1000);
    EXPECT_EQ(describeSections(*file), "0x0:55");
    EXPECT_FALSE(file->hasDebugInformation());
    EXPECT_EQ(file->debugInformation(), nullptr);
}

TEST_F(LoadFileTest, MakeContiguousFillsTheGaps)
{
    auto file = load("hex", "00000100 01 02 03 04\n00000108 09 0A 0B 0C\n");
    file->makeContiguous(0xFF);
    ASSERT_EQ(file->sections().count(), 1);
    EXPECT_STREQ(file->sections().at(0)->name(), "Contiguous section");
    EXPECT_EQ(describeSections(*file), "0x100:01020304FFFFFFFF090A0B0C");
}

TEST_F(LoadFileTest, MakeContiguousLaterSectionsWinAndOrderDoesNotMatter)
{
    auto file = load("hex", "00000104 AA BB\n00000100 01 02 03 04 05 06\n");
    file->makeContiguous(0x00);
    EXPECT_EQ(describeSections(*file), "0x100:010203040506");
    auto reversed = load("hex", "00000100 01 02 03 04 05 06\n00000104 AA BB\n");
    reversed->makeContiguous(0x00);
    EXPECT_EQ(describeSections(*reversed), "0x100:01020304AABB");
    reversed->makeContiguous(0x00);  // a second time changes nothing
    EXPECT_EQ(describeSections(*reversed), "0x100:01020304AABB");
}

TEST_F(LoadFileTest, MakeContiguousAtTheTopOfTheAddressSpace)
{
    auto file = load("hex", "FFFFFFF0 01\nFFFFFFFE 02 03\n");
    file->makeContiguous(0xEE);
    EXPECT_EQ(describeSections(*file), "0xFFFFFFF0:01EEEEEEEEEEEEEEEEEEEEEEEEEE0203");
    auto empty = load("ihex", ":00000001FF\n");
    empty->makeContiguous(0);
    EXPECT_EQ(empty->sections().count(), 0);
}

TEST_F(LoadFileTest, MakeContiguousRefusesHugeAndWrappingImages)
{
    auto far = load("hex", "00000000 01\nF0000000 02\n");
    try {
        far->makeContiguous(0xFF);
        ADD_FAILURE();
    } catch (const HException &error) {
        EXPECT_EQ(error.message(), "contiguous image 0x00000000..0xF0000000 of 4026531841 bytes "
                                   "exceeds the limit of 268435456 bytes");
    }
    EXPECT_EQ(far->sections().count(), 2);  // untouched
    auto wrapping = load("bin", "0123");
    wrapping->setLoadAddress(0xFFFFFFFE);
    EXPECT_THROW(wrapping->makeContiguous(0), HException);
}

TEST_F(LoadFileTest, SectionsFindAndSort)
{
    auto file = load("hex", "00000200 01 02\n00000100 03 04\n");
    LoadFileSections &sections = file->sections();
    EXPECT_EQ(sections.totalSize(), 4u);
    EXPECT_EQ(sections.firstAddress(), 0x200u);
    EXPECT_EQ(sections.find(0x100, 2), sections.at(1));
    EXPECT_EQ(sections.find(0x101, 2), nullptr);
    EXPECT_EQ(sections.find(0x100, 0), nullptr);
    file->sortSections();
    EXPECT_EQ(describeSections(*file), "0x100:0304 0x200:0102");
}

TEST_F(LoadFileTest, WorkingCopies)
{
    auto file = load("hex", "00000100 01 02\n");
    LoadFileSectionInterface *section = file->sections().at(0);
    EXPECT_EQ(section->data(true), section->data(false));
    quint8 *copy = section->workingCopy();
    EXPECT_EQ(section->workingCopy(), copy);
    copy[0] = 0x55;
    EXPECT_EQ(section->data(true)[0], 0x55);
    EXPECT_EQ(section->data(false)[0], 0x01);
    section->releaseWorkingCopy();
    EXPECT_EQ(section->data(true)[0], 0x01);
}

TEST(LoadFileFactoryTest, FormatForFileName)
{
    const LoadFileFactory factory;
    struct Row { const char *name; const char *format; };
    const Row rows[] = {
        {"a.bin", "bin"}, {"A.BIN", "bin"}, {"x.rom", "bin"}, {"x.ROM", "bin"},
        {"a.hex", "ihex"}, {"a.HEX", "ihex"}, {"a.lst", "hex"}, {"a.LST", "hex"},
        {"a.txt", "tihex"}, {"a.TXT", "tihex"}, {"a.srec", "srec"}, {"a.SREC", "srec"},
        {"dir/a.s19", "srec"}, {"a.S19", "srec"}, {"a.Hex", nullptr}, {"a.s28", nullptr},
        {"", nullptr}, {"hex", nullptr},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.name);
        EXPECT_EQ(factory.formatForFileName(row.name),
                  row.format ? QString(row.format) : QString());
        EXPECT_EQ(factory.formatForFileName(row.name).isNull(), row.format == nullptr);
    }
}

TEST(LoadFileFactoryTest, UnknownFormatGivesNone)
{
    LoadFileFactory factory;
    EXPECT_EQ(factory.create("whatever", "Intel"), nullptr);
    EXPECT_EQ(factory.create("whatever", "IHEX"), nullptr);
    ASSERT_EQ(factory.formats().size(), 5);
    EXPECT_EQ(factory.formats().at(4).description, "Motorola S-Record");
    EXPECT_EQ(factory.formats().at(0).filter, "*.bin *.rom");
    factory.destroy(nullptr);
}

} // namespace
