#include "loadfiletestsupport.h"

namespace {

std::string repeated(const char *text, int count)
{
    return QByteArray(text).repeated(count).toStdString();
}

/// One file in one format and what reading it gives: its sections and start address, or
/// "error: MESSAGE". A non-negative `fill` first makes the image contiguous with it.
struct ReaderCase
{
    const char *name;
    const char *format;
    std::string text;
    std::string expected;
    int fill = -1;
};

class LoadFileReaderTest : public LoadFileTest, public testing::WithParamInterface<ReaderCase>
{
};

TEST_P(LoadFileReaderTest, ReadsSectionsOrNamesTheFaultAndLine)
{
    EXPECT_EQ(read(GetParam().format, QByteArray::fromStdString(GetParam().text),
                   GetParam().fill),
              GetParam().expected);
}

const ReaderCase readerCases[] = {
    {"IhexLinesAfterEndIgnored", "ihex", ":0100000055AA\n:00000001FF\ngarbage\n", "0x0:55"},
    // Only the current section grows: the record at 0 does not join the one at 1 that
    // it adjoins, and the overlap at 1 is kept.
    {"IhexOnlyTheCurrentSectionGrows", "ihex",
     ":0100010011ED\n:0100000022DD\n:0100010033CB\n:00000001FF\n", "0x1:11 0x0:2233"},
    {"IhexSegmentAddress", "ihex", ":020000021000EC\n:01000400AA51\n:00000001FF\n", "0x10004:AA"},
    {"IhexLinearAddress", "ihex", ":020000040800F2\n:01000000AA55\n:00000001FF\n", "0x8000000:AA"},
    {"IhexLinearStart", "ihex", ":0400000508000101ED\n:00000001FF\n", " start 0x8000101"},
    // CS:IP is taken as one number; a high bit set extends the sign.
    {"IhexSegmentStart", "ihex", ":040000038000123433\n:00000001FF\n",
     " start 0xFFFFFFFF80001234"},
    {"IhexLowerCaseDigits", "ihex", ":02000000abcd86\n:00000001ff\n", "0x0:ABCD"},
    {"IhexUnknownTypeWithoutData", "ihex", ":00000006FA\n:00000001FF\n", ""},
    {"IhexUnknownTypeWithData", "ihex", ":01000006AA4F\n", "error: invalid checksum : line 1"},
    {"IhexEndRecordChecksum", "ihex", ":00000001FE\n", "error: invalid checksum : line 1"},
    {"IhexNoEndRecord", "ihex", ":0100000055AA\n:0100010055A9\n",
     "error: invalid end of file in hex file : line 3"},
    {"IhexBlankLine", "ihex", "\n", "error: missing record mark in hex file : line 1"},
    {"IhexBadChecksum", "ihex", ":0100000055AB\n", "error: invalid checksum : line 1"},
    {"IhexBadDigit", "ihex", ":01000000G5AA\n", "error: invalid ASCII encoded byte : line 1"},
    {"IhexTruncated", "ihex", ":0100000055", "error: invalid ASCII encoded byte : line 1"},
    // 529 characters fill the line buffer; the line end is then a line of its own.
    {"IhexLineFillsTheBuffer", "ihex", ":" + std::string(528, '0') + "\n",
     "error: missing record mark in hex file : line 2"},
    {"SrecFile", "srec",
     "S00600004844521B\nS1041000AA41\nS20501000001F8\nS306200000000ACF\n"
     "S5030003F9\nS9031234B6\n",
     "0x1000:AA 0x10000:01 0x20000000:0A start 0x1234"},
    {"SrecS7Start", "srec", "S70520000101D8\n", " start 0x20000101"},
    {"SrecS8Start", "srec", "S8041234565F\n", " start 0x123456"},
    // S4 and unknown types carry only a checksum after the count.
    {"SrecRecordsWithoutData", "srec", "S403FC\nSX00FF\n", ""},
    {"SrecBlankLine", "srec", "\n", "error: no leading 'S' character : line 1"},
    {"SrecChecksum", "srec", "S1041000AA42\n", "error: invalid checksum : line 1"},
    {"SrecCountBeforeSum", "srec", "S5030001FF\n", "error: incorrect data record count : line 1"},
    // 65,537 empty data records: S5 counts them modulo 65,536, S6 in 24 bits.
    {"SrecS5CountWraps", "srec", repeated("S1030000FC\n", 65537) + "S5030001FB\n", "0x0:"},
    {"SrecS6Count", "srec", repeated("S1030000FC\n", 65537) + "S604010001F9\n", "0x0:"},
    {"SrecS6CountRightIn16BitsOnly", "srec", "S1041000AA41\nS604010001F9\n",
     "error: incorrect data record count : line 2"},
    {"SrecS6Checksum", "srec", "S604000000FA\n", "error: invalid checksum : line 1"},
    {"SrecShortRecord", "srec", "S1041000\n", "error: invalid ASCII encoded byte : line 1"},
    // A line of a million characters fails on its first piece without trouble.
    {"SrecMillionCharacterLine", "srec", "S" + std::string(1000000, '1') + "\n",
     "error: invalid checksum : line 1"},
    {"TiCrLfAndSections", "tihex",
     "@F000\r\n31 40 00 03\r\n@F004\r\n05\r\n@1000\n06\nq\r\n",
     "0xF000:3140000305 0x1000:06"},
    {"TiSeparatorsNotExamined", "tihex", "@10\n01x02y03\nq\n", "0x10:010203"},
    // A blank line is a data line with no bytes: it may start an empty section.
    {"TiEmptySection", "tihex", "@20\n01\n@40\n\n@50\n02\nq\n", "0x20:01 0x40: 0x50:02"},
    {"TiAddressAfterBlank", "tihex", "@ 1000\n01\nq\n", "0x0:01"},
    {"TiAddressBadDigit", "tihex", "@1x2\n01\nq\n", "0xFFFFFFF2:01"},
    {"TiAddressTooLong", "tihex", "@123456789\n01\nq\n", "0x23456789:01"},
    // Lines are read in pieces of 63 characters: 21 bytes, then the rest of the line.
    {"TiLineInPieces", "tihex", "@0\n" + repeated("AB ", 22) + "\nq\n",
     "0x0:" + repeated("AB", 22)},
    {"TiNoQuit", "tihex", "@F000\n31 40\n", "error: unexpected end of file : line 3"},
    {"TiBadByte", "tihex", "@F000\n31 4x\nq\n", "error: invalid ASCII encoded byte : line 2"},
    {"ListingNoFinalNewline", "hex", "00001000 01 02 03", "0x1000:010203"},
    {"ListingCrLfContinued", "hex", "00001000 01 02 03\r\n00001003 04\n", "0x1000:01020304"},
    {"ListingAddressOnly", "hex", "00002000\n", "0x2000:"},
    {"ListingShortLine", "hex", "00001000 01\n0000\n", "error: invalid address : line 2"},
    {"ListingSeparator", "hex", "00001000,01 02 03\n", "error: invalid separator : line 1"},
    {"ListingBadAddress", "hex", "0000100G 01\n", "error: invalid ASCII encoded byte : line 1"},
    {"ListingMillionCharacterLine", "hex", std::string(1000000, '0'),
     "error: invalid separator : line 1"},
    {"BinaryEmpty", "bin", "", "0x0:"},
    {"ContiguousFillsTheGaps", "hex", "00000100 01 02 03 04\n00000108 09 0A 0B 0C\n",
     "0x100:01020304FFFFFFFF090A0B0C", 0xFF},
    {"ContiguousLaterSectionsWin", "hex", "00000104 AA BB\n00000100 01 02 03 04 05 06\n",
     "0x100:010203040506", 0},
    {"ContiguousAtTheTop", "hex", "FFFFFFF0 01\nFFFFFFFE 02 03\n",
     "0xFFFFFFF0:01EEEEEEEEEEEEEEEEEEEEEEEEEE0203", 0xEE},
    {"ContiguousOfNothing", "ihex", ":00000001FF\n", "", 0},
    {"ContiguousTooLarge", "hex", "00000000 01\nF0000000 02\n",
     "error: contiguous image 0x00000000..0xF0000000 of 4026531841 bytes exceeds the "
     "limit of 268435456 bytes", 0xFF},
};

INSTANTIATE_TEST_SUITE_P(All, LoadFileReaderTest, testing::ValuesIn(readerCases),
                         [](const auto &info) { return std::string(info.param.name); });

TEST_F(LoadFileTest, MakeContiguousKeepsTheSectionsOnFailureAndOnRepetition)
{
    auto file = load("hex", "00000100 01 02\n00000104 05\n");
    file->makeContiguous(0);
    file->makeContiguous(0xFF);  // a second time changes nothing
    EXPECT_EQ(describeSections(*file), "0x100:0102000005");
    auto far = load("hex", "00000000 01\nF0000000 02\n");
    EXPECT_THROW(far->makeContiguous(0xFF), HException);
    EXPECT_EQ(far->sections().count(), 2);
}

TEST_F(LoadFileTest, MissingFileOrDirectoryCannotBeOpened)
{
    for (const char *format : {"ihex", "srec", "tihex", "hex", "bin"}) {
        SCOPED_TRACE(format);
        for (const QString &name : {path("absent.file"), dir()})
            EXPECT_EQ(describe(format, name), "error: cannot open " + name.toStdString());
    }
}

TEST_F(LoadFileTest, OnlyBinaryFilesFollowTheLoadAddress)
{
    auto file = load("bin", "0123456789");
    file->setLoadAddress(0x2000);
    EXPECT_EQ(describeSections(*file), "0x2000:30313233343536373839");
    file->setLoadAddress(0xFFFFFFFE);  // its end would wrap around 4 GiB
    EXPECT_THROW(file->makeContiguous(0), HException);
    auto text = load("ihex", ":0100000055AA\n:00000001FF\n");
    text->setLoadAddress(0x1000);
    EXPECT_EQ(describeSections(*text), "0x0:55");
}

TEST_F(LoadFileTest, SectionsFindAndSort)
{
    auto file = load("hex", "00000200 01 02\n00000100 03 04\n");
    LoadFileSections &sections = file->sections();
    EXPECT_EQ(sections.totalSize(), 4u);
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
    quint8 *copy = section->workingCopy();
    EXPECT_EQ(section->workingCopy(), copy);
    copy[0] = 0x55;
    EXPECT_EQ(section->data(true)[0], 0x55);
    EXPECT_EQ(section->data(false)[0], 0x01);
    section->releaseWorkingCopy();
    EXPECT_EQ(section->data(true)[0], 0x01);
}

// Extensions match case-sensitively, in the two spellings listed only; format names too.
TEST(LoadFileFactoryTest, FormatForFileNameAndUnknownFormats)
{
    LoadFileFactory factory;
    const std::pair<const char *, const char *> rows[] = {
        {"x.ROM", "bin"}, {"a.HEX", "ihex"}, {"a.lst", "hex"}, {"a.TXT", "tihex"},
        {"dir/a.s19", "srec"}, {"a.S19", "srec"}, {"a.SREC", "srec"}, {"a.Hex", nullptr},
        {"a.s28", nullptr}, {"", nullptr}, {"hex", nullptr}};
    for (const auto &[name, format] : rows) {
        const QString found = factory.formatForFileName(name);
        EXPECT_EQ(found, format ? QString(format) : QString()) << name;
        EXPECT_EQ(found.isNull(), format == nullptr) << name;
    }
    EXPECT_EQ(factory.create("whatever", "Intel"), nullptr);
    EXPECT_EQ(factory.create("whatever", "IHEX"), nullptr);
    factory.destroy(nullptr);
}

} // namespace
