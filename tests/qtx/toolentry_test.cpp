// The rules every tool of apps/ shares through the entry helper, checked on each built
// tool end to end.

#include <gtest/gtest.h>

#include "testsupport.h"

#include <QProcess>

namespace {

class ToolEntryTest : public testing::TestWithParam<const char *>
{
protected:
    QString tool() const { return QString::fromLatin1(GetParam()); }
    QByteArray banner() const
    {
        return "Tessarune for ARM " + tool().toLatin1() + " - Release 5.4.0.2026012200.60945\n";
    }
};

TEST_P(ToolEntryTest, UsageOnStandardOutputWithHelpElseOnStandardError)
{
    const ToolResult help = runTool(tool(), {"-x", "-help"});  // -help wins over errors
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_TRUE(help.out.startsWith(banner())) << help.out.toStdString();
    EXPECT_TRUE(help.out.contains("\nUsage: " + tool().toLatin1() + " "));
    EXPECT_TRUE(help.out.contains("\n  -help                  Print options help\n"));
    const ToolResult bare = runTool(tool(), {});
    EXPECT_EQ(bare.exitCode, 0);
    EXPECT_EQ(bare.out, "");
    EXPECT_EQ(bare.err, help.out);
}

TEST_P(ToolEntryTest, CommandLineErrorsNameTheToolAndFail)
{
    const ToolResult result = runTool(tool(), {"-nosuchoption", "@/nonexistent/args"});
    EXPECT_EQ(result.exitCode, 1);
    EXPECT_EQ(result.err, tool().toLatin1() + ": error: unrecognised option -nosuchoption\n"
                              + tool().toLatin1()
                              + ": error: can't open indirect file /nonexistent/args: "
                                "No such file or directory\n");
}

TEST_P(ToolEntryTest, UnwritableStandardOutputFails)
{
    QProcess process;
    process.setStandardOutputFile("/dev/full");
    process.start(toolPath(tool()), {"-help"});
    ASSERT_TRUE(process.waitForFinished(10000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(process.readAllStandardError(), tool().toLatin1()
                  + ": error: cannot write standard output: No space left on device\n");
}

INSTANTIATE_TEST_SUITE_P(Tools, ToolEntryTest, testing::Values(TESSA_TOOLS),
                         [](const auto &info) { return std::string(info.param); });

} // namespace
