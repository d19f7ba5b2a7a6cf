// TRSys: file operations that answer by their result, byte arrays, child processes with
// their captured lines, word packing and the prompt read from an input stream.

#include "scriptharness.h"

#include "script/host/trsysesclass.h"

#include <cstdio>

namespace {

struct TRSysRow
{
    const char *name;
    const char *script;  // runs after `var dir` names the directory, holding a.txt ("hello")
    const char *value;   // to-string of the result, or the error "Kind: message"
};

class TRSysTest : public TempDirTest
{
protected:
    void SetUp() override
    {
        write("a.txt", "hello");
        write("sub/b.txt", "b");
        m_trsys = TRSysESClass::installInto(m_harness.context());
        m_harness.run("var dir = '" + dir() + "';");
    }
    QString run(const QString &script)
    {
        const ScriptRun run = m_harness.run(script);
        return run.kind == ESCompletion::Normal ? run.value : run.errorClass + ": " + run.message;
    }

    ScriptHarness m_harness;
    TRSysESClass *m_trsys = nullptr;
};

class TRSysTable : public TRSysTest, public testing::WithParamInterface<TRSysRow>
{
};

TEST_P(TRSysTable, GivesTheResult)
{
    EXPECT_EQ(run(GetParam().script), GetParam().value);
}

INSTANTIATE_TEST_SUITE_P(Table, TRSysTable, testing::Values(
    TRSysRow{"Rename",
             "[TRSys.renameFile(dir + '/a.txt', dir + '/c.txt'), TRSys.fileExists(dir + '/a.txt'),"
             " TRSys.readStringFromFile(dir + '/c.txt'),"
             " TRSys.renameFile(dir + '/a.txt', dir + '/d')]",
             "true,false,hello,false"},
    TRSysRow{"CopyOverwrites",
             "[TRSys.copyFile(dir + '/a.txt', dir + '/sub/b.txt'),"
             " TRSys.readStringFromFile(dir + '/sub/b.txt'), TRSys.fileExists(dir + '/a.txt')]",
             "true,hello,true"},
    TRSysRow{"CopyOfWhatIsNoFileFails",
             "[TRSys.copyFile(dir + '/none', dir + '/x'), TRSys.copyFile(dir + '/sub', dir + '/x'),"
             " TRSys.copyFile(dir + '/a.txt', dir + '/none/x'), TRSys.fileExists(dir + '/x')]",
             "false,false,false,false"},
    TRSysRow{"RemoveFile",
             "[TRSys.removeFile(dir + '/a.txt'), TRSys.removeFile(dir + '/a.txt'),"
             " TRSys.removeFile(dir + '/sub'), TRSys.fileExists(dir + '/sub')]",
             "true,false,false,true"},
    TRSysRow{"FileSize",
             "TRSys.fileSize(dir + '/a.txt') + ',' + TRSys.fileSize(dir + '/none')", "5,undefined"},
    TRSysRow{"Directories",
             "[TRSys.makeDirectory(dir + '/d'), TRSys.makeDirectory(dir + '/d'),"
             " TRSys.makeDirectory(dir + '/x/y'), TRSys.removeDirectory(dir + '/sub'),"
             " TRSys.removeDirectory(dir + '/d'), TRSys.fileExists(dir + '/d')]",
             "true,false,false,false,true,false"},
    TRSysRow{"StringsRoundTrip",
             "[TRSys.writeStringToFile(dir + '/s.txt', 'line 1\\n\\u00e9'),"
             " TRSys.appendStringToFile(dir + '/s.txt', '!'), TRSys.fileSize(dir + '/s.txt'),"
             " TRSys.readStringFromFile(dir + '/s.txt')].join('|')",
             "true|true|10|line 1\n\xC3\xA9!"},
    TRSysRow{"AppendCreates",
             "TRSys.appendStringToFile(dir + '/n.txt', 'x')"
             " + TRSys.readStringFromFile(dir + '/n.txt')",
             "truex"},
    TRSysRow{"TextFilesThatCannotBeOpened",
             "[TRSys.readStringFromFile(dir + '/none'), TRSys.readStringFromFile(dir + '/sub'),"
             " TRSys.writeStringToFile(dir + '/none/x', 'a'),"
             " TRSys.appendStringToFile(dir + '/sub', 'a')]"
             ".join('|')",
             "||false|false"},
    TRSysRow{"ByteArraysRoundTrip",
             "[TRSys.writeByteArrayToFile(dir + '/b.bin', [0, 255, 10, 13]),"
             " TRSys.readByteArrayFromFile(dir + '/b.bin').join('.'),"
             " TRSys.readByteArrayFromFile(dir + '/none'),"
             " TRSys.readByteArrayFromFile(dir + '/sub'),"
             " TRSys.writeByteArrayToFile(dir + '/sub', [1])]",
             "true,0.255.10.13,,,false"},
    TRSysRow{"BadByteArray",
             "TRSys.writeByteArrayToFile(dir + '/b.bin', [1, -1])",
             "RangeError: byte array element 1 out of range"},
    TRSysRow{"HugeSparseArray",
             "var a = []; a.length = 4000000000; TRSys.crc32(a)",
             "RangeError: byte array too long"},
    TRSysRow{"CrcCheckValue",
             "TRSys.crc32([0x31, 0x32, 0x33, 0x34, 0x35, 0x36, 0x37, 0x38, 0x39]).toString(16)"
             " + ',' + TRSys.crc32([]).toString(16)",
             "fc891918,0"},
    TRSysRow{"CrcOfANonArray", "TRSys.crc32(5)", "TypeError: array argument expected"},
    TRSysRow{"PackLittleEndian",
             "var a = [9]; TRSys.packU32(a, 2, 0x11223344, true); a.join('.')", "9..68.51.34.17"},
    TRSysRow{"PackBigEndianUnlessTrue",
             "var a = []; TRSys.packU32(a, 0, -1 - 0xFF); TRSys.packU32(a, 4, 1, false);"
             " a.join('.')",
             "255.255.255.0.0.0.0.1"},
    TRSysRow{"UnpackBothOrders",
             "var a = [1, 2, 3, 4, 5]; [TRSys.unpackU32(a, 1, true), TRSys.unpackU32(a, 1, false),"
             " TRSys.unpackU32(a, 2, true), TRSys.unpackU32(a, -1, true)]",
             "84148994,33752069,,"},
    TRSysRow{"PackAtANegativeOffset", "TRSys.packU32([], -4, 1, true)",
             "RangeError: offset out of range"},
    TRSysRow{"UnpackOfABadByte", "TRSys.unpackU32([1, 2, 'x', 4], 0, true)",
             "TypeError: byte array element 2 is not a number"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST_F(TRSysTest, RunCapturesTheLinesOfAWaitedChild)
{
    EXPECT_EQ(run("TRSys.run('sh -c \"echo one; echo two; echo err >&2; exit 3\"', true)"), "3");
    EXPECT_EQ(run("TRSys.getRunStdout() + '|' + TRSys.getRunStderr()"), "one\ntwo|err");
    // Not waiting: nothing captured, the earlier lines stay.
    EXPECT_EQ(run("TRSys.run('true', false)"), "0");
    EXPECT_EQ(run("TRSys.getRunStdout()"), "one\ntwo");
}

TEST_F(TRSysTest, RunOfAMissingProgram)
{
    EXPECT_EQ(run("TRSys.run('sh -c \"echo x\"', true)"), "0");
    EXPECT_EQ(run("[TRSys.run(dir + '/none', true), TRSys.getRunStdout(),"
                  " TRSys.run(dir + '/none', false), TRSys.run('', true)].join('|')"),
              "-1||-1|-1");
}

struct PromptRow
{
    const char *name;
    const char *input;
    const char *value;
    const char *output;
};

class TRSysPopup : public TRSysTest, public testing::WithParamInterface<PromptRow>
{
};

TEST_P(TRSysPopup, AsksUntilYesOrNo)
{
    FILE *input = std::tmpfile();
    ASSERT_TRUE(input);
    std::fputs(GetParam().input, input);
    std::rewind(input);
    m_trsys->setPromptInput(input);
    testing::internal::CaptureStdout();
    const QString value = run("TRSys.popup('Flash it? ')");
    std::fflush(stdout);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), GetParam().output);
    EXPECT_EQ(value, GetParam().value);
    std::fclose(input);
}

INSTANTIATE_TEST_SUITE_P(Table, TRSysPopup, testing::Values(
    PromptRow{"Yes", "yes\n", "true", "Flash it? [yes/no] "},
    PromptRow{"NoInAnyCase", "nO\n", "false", "Flash it? [yes/no] "},
    PromptRow{"AsksAgainOnOtherAnswers", "nope\ny\n yes\nyes please\nYES\n", "true",
              "Flash it? [yes/no] [yes/no] [yes/no] [yes/no] [yes/no] "},
    PromptRow{"EndOfInputIsNo", "maybe\n", "false", "Flash it? [yes/no] [yes/no] "},
    PromptRow{"AnswerNeedsItsLineFeed", "yes", "false", "Flash it? [yes/no] [yes/no] "}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
