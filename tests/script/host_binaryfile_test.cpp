// BinaryFile: loading, patching and saving an image as a post-build script does, the
// byte-order and clipping rules, bad offsets and byte arrays, and the CRC checked
// against the block CRC that libbz2 writes into its streams.

#include "scriptharness.h"

#include "script/host/binaryfileesclass.h"

#include <QFile>

#include <bzlib.h>
#include <sys/stat.h>

namespace {

struct BinaryFileRow
{
    const char *name;
    const char *script;  // runs after `var dir` names the directory holding img.bin
    const char *value;   // to-string of the result, or the error "Kind: message"
};

class BinaryFileTest : public TempDirTest
{
protected:
    void SetUp() override
    {
        QByteArray image;
        for (int i = 0; i < 16; ++i)
            image += char(i);
        write("img.bin", image);
        BinaryFileESClass::installInto(m_harness.context());
        m_harness.run("var dir = '" + dir() + "';");
    }
    QString run(const QString &script)
    {
        const ScriptRun run = m_harness.run(script);
        return run.kind == ESCompletion::Normal ? run.value : run.errorClass + ": " + run.message;
    }

    ScriptHarness m_harness;
};

class BinaryFileTable : public BinaryFileTest, public testing::WithParamInterface<BinaryFileRow>
{
};

TEST_P(BinaryFileTable, GivesTheResult)
{
    EXPECT_EQ(run(GetParam().script), GetParam().value);
}

// img.bin holds the bytes 0 to 15.
INSTANTIATE_TEST_SUITE_P(Table, BinaryFileTable, testing::Values(
    BinaryFileRow{"NoImageBeforeLoad", "BinaryFile.length() + ',' + BinaryFile.peekUint32(0)",
                  "0,undefined"},
    BinaryFileRow{"LoadGivesTheLength",
                  "BinaryFile.load(dir + '/img.bin') + ',' + BinaryFile.length()", "true,16"},
    BinaryFileRow{"PeekLittleEndianUnlessFalse",
                  "BinaryFile.load(dir + '/img.bin'); [BinaryFile.peekUint32(0),"
                  " BinaryFile.peekUint32(0, true), BinaryFile.peekUint32(0, false)]",
                  "50462976,50462976,66051"},
    BinaryFileRow{"PeekAtTheLastWordOnly",
                  "BinaryFile.load(dir + '/img.bin');"
                  " BinaryFile.peekUint32(12) + ',' + BinaryFile.peekUint32(13)",
                  "252579084,undefined"},
    BinaryFileRow{"PokeBigEndianThenPeekBytes",
                  "BinaryFile.load(dir + '/img.bin');"
                  " BinaryFile.pokeUint32(4, 0x11223344, false) + ':' + BinaryFile.peekBytes(3, 6)",
                  "true:3,17,34,51,68,8"},
    BinaryFileRow{"PokeLittleEndianByDefault",
                  "BinaryFile.load(dir + '/img.bin'); BinaryFile.pokeUint32(12, -2);"
                  " BinaryFile.peekBytes(12, 4)", "254,255,255,255"},
    BinaryFileRow{"PokePastTheEndChangesNothing",
                  "BinaryFile.load(dir + '/img.bin');"
                  " BinaryFile.pokeUint32(13, 0) + ':' + BinaryFile.peekBytes(12, 4)",
                  "false:12,13,14,15"},
    BinaryFileRow{"OffsetsBeyondFourGiBDoNotWrap",
                  "BinaryFile.load(dir + '/img.bin'); [BinaryFile.peekUint32(4294967296),"
                  " BinaryFile.pokeUint32(4294967296 + 4, 1), BinaryFile.peekBytes(-1, 2),"
                  " BinaryFile.crc32(-16, 32), BinaryFile.peekUint32(4)]",
                  ",false,,,117835012"},
    BinaryFileRow{"PeekBytesClippedAtTheEnd",
                  "BinaryFile.load(dir + '/img.bin');"
                  " BinaryFile.peekBytes(14, 10) + ':' + BinaryFile.peekBytes(16, 1)"
                  " + ':' + BinaryFile.peekBytes(0, 0)",
                  "14,15:undefined:undefined"},
    BinaryFileRow{"PokeBytesClippedAtTheEnd",
                  "BinaryFile.load(dir + '/img.bin'); var r = BinaryFile.pokeBytes(14, [1, 2, 3]);"
                  " r + ':' + BinaryFile.peekBytes(12, 8) + ':' + BinaryFile.length()",
                  "true:12,13,1,2:16"},
    BinaryFileRow{"PokeBytesOutsideIsFalse",
                  "BinaryFile.load(dir + '/img.bin');"
                  " BinaryFile.pokeBytes(16, [1]) + ',' + BinaryFile.pokeBytes(0, [])",
                  "false,false"},
    BinaryFileRow{"CrcOfAnEmptyRangeIsUndefined",
                  "BinaryFile.load(dir + '/img.bin');"
                  " BinaryFile.crc32(0, 0) + ',' + BinaryFile.crc32(16, 4)",
                  "undefined,undefined"},
    BinaryFileRow{"CrcRangeClippedAtTheEnd",
                  "BinaryFile.load(dir + '/img.bin');"
                  " BinaryFile.crc32(8, 100) == BinaryFile.crc32(8, 8)", "true"},
    BinaryFileRow{"ResizePadsWithFF",
                  "BinaryFile.load(dir + '/img.bin'); var r = BinaryFile.resize(18);"
                  " r + ':' + BinaryFile.peekBytes(15, 8)", "true:15,255,255"},
    BinaryFileRow{"ResizePadsWithTheFill",
                  "BinaryFile.load(dir + '/img.bin'); BinaryFile.resize(18, 0x5A);"
                  " BinaryFile.peekBytes(15, 8)", "15,90,90"},
    BinaryFileRow{"ResizeShrinks",
                  "BinaryFile.load(dir + '/img.bin'); BinaryFile.resize(2);"
                  " BinaryFile.length() + ':' + BinaryFile.peekBytes(0, 8)", "2:0,1"},
    BinaryFileRow{"ResizeMakesAnImage",
                  "BinaryFile.resize(4, 0) + ':' + BinaryFile.peekUint32(0)", "true:0"},
    BinaryFileRow{"EnormousResizeFails",
                  "BinaryFile.load(dir + '/img.bin'); [BinaryFile.resize(1e12),"
                  " BinaryFile.resize(4294967296 * 4), BinaryFile.resize(-1), BinaryFile.length()]",
                  "false,false,false,16"},
    BinaryFileRow{"LoadAppend",
                  "BinaryFile.load(dir + '/img.bin'); BinaryFile.loadAppend(dir + '/img.bin');"
                  " BinaryFile.length() + ':' + BinaryFile.peekBytes(14, 4)", "32:14,15,0,1"},
    BinaryFileRow{"FailedLoadDropsTheImage",
                  "BinaryFile.load(dir + '/img.bin'); var r = BinaryFile.load(dir + '/none');"
                  " r + ',' + BinaryFile.length()", "false,0"},
    BinaryFileRow{"LoadOfADirectoryFails",
                  "BinaryFile.load(dir + '/img.bin'); var r = BinaryFile.loadAppend(dir);"
                  " r + ',' + BinaryFile.length() + ',' + BinaryFile.load(dir)", "false,16,false"},
    BinaryFileRow{"SaveWithoutImageFails",
                  "BinaryFile.save(dir + '/out.bin') + ','"
                  " + BinaryFile.saveRange(dir + '/out.bin', 0, 1)",
                  "false,false"},
    BinaryFileRow{"SaveRangeOutsideFails",
                  "BinaryFile.load(dir + '/img.bin');"
                  " BinaryFile.saveRange(dir + '/out.bin', 16, 1)",
                  "false"},
    BinaryFileRow{"SaveIntoADirectoryFails",
                  "BinaryFile.load(dir + '/img.bin'); BinaryFile.save(dir)", "false"},
    BinaryFileRow{"NotAnArray",
                  "BinaryFile.resize(4); BinaryFile.pokeBytes(0, '1,2')",
                  "TypeError: array argument expected"},
    BinaryFileRow{"NonNumericElement",
                  "BinaryFile.resize(4); BinaryFile.pokeBytes(0, [1, '2'])",
                  "TypeError: byte array element 1 is not a number"},
    BinaryFileRow{"ElementOutOfRange",
                  "BinaryFile.resize(4); BinaryFile.pokeBytes(0, [1, 2, 256])",
                  "RangeError: byte array element 2 out of range"},
    BinaryFileRow{"FractionalElement",
                  "BinaryFile.resize(4); BinaryFile.pokeBytes(0, [0.5])",
                  "RangeError: byte array element 0 out of range"},
    BinaryFileRow{"ElementsPastTheEndAreNotRead",
                  "BinaryFile.resize(1); BinaryFile.pokeBytes(0, [7, 'x'])", "true"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(BinaryFileTest, SavesTheImageAndRanges)
{
    EXPECT_EQ(run("BinaryFile.load(dir + '/img.bin'); BinaryFile.pokeUint32(0, 0xAABBCCDD);"
                  "[BinaryFile.save(dir + '/out.bin'),"
                  " BinaryFile.saveRange(dir + '/part.bin', 14, 9),"
                  " BinaryFile.saveRange(dir + '/first.bin', 0, 1)]"),
              "true,true,true");
    QByteArray expected = read("img.bin");
    expected.replace(0, 4, "\xDD\xCC\xBB\xAA");
    EXPECT_EQ(read("out.bin"), expected);
    EXPECT_EQ(read("part.bin"), QByteArray("\x0E\x0F"));
    EXPECT_EQ(read("first.bin"), QByteArray("\xDD"));
    struct stat info;
    ASSERT_EQ(stat(QFile::encodeName(path("out.bin")).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
}

TEST_F(BinaryFileTest, SaveTruncatesALongerFile)
{
    write("out.bin", QByteArray(100, 'x'));
    EXPECT_EQ(run("BinaryFile.resize(3, 1); BinaryFile.save(dir + '/out.bin')"), "true");
    EXPECT_EQ(read("out.bin"), QByteArray("\x01\x01\x01"));
}

// libbz2 stores the CRC of each block's data right after the block magic, big-endian:
// the same CRC, computed by code of its own.
quint32 bzip2BlockCrc(const QByteArray &data)
{
    QByteArray out(data.size() * 2 + 1024, '\0');
    unsigned int outLength = unsigned(out.size());
    if (BZ2_bzBuffToBuffCompress(out.data(), &outLength, const_cast<char *>(data.constData()),
                                 unsigned(data.size()), 9, 0, 0) != BZ_OK)
        return 0;
    const uchar *crc = reinterpret_cast<const uchar *>(out.constData()) + 10;
    return quint32(crc[0]) << 24 | quint32(crc[1]) << 16 | quint32(crc[2]) << 8 | crc[3];
}

TEST_F(BinaryFileTest, CrcMatchesTheBzip2BlockCrc)
{
    QByteArray data;
    quint32 seed = 12345;
    for (int i = 0; i < 1000; ++i) {
        seed = seed * 1103515245u + 12345u;
        data += char(seed >> 16);
    }
    write("data.bin", data);
    run("BinaryFile.load(dir + '/data.bin')");
    for (int length : {1, 3, 4, 255, 256, 257, 999, 1000}) {
        SCOPED_TRACE(length);
        const QString crc = run(QStringLiteral("BinaryFile.crc32(0, %1)").arg(length));
        EXPECT_EQ(crc, QString::number(bzip2BlockCrc(data.left(length))));
    }
    write("check.txt", "123456789");
    EXPECT_EQ(run("BinaryFile.load(dir + '/check.txt'); BinaryFile.crc32(0, 9).toString(16)"),
              "fc891918");
}

} // namespace
