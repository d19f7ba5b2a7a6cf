#include "qtx/diagnosticsink.h"
#include "qtx/hexception.h"
#include "qtx/savefile.h"
#include "qtx/toolentry.h"
#include "qtx/toolsupport.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "testsupport.h"

#include <QFile>
#include <QFileInfo>

#include <sstream>

#include <sys/stat.h>
#include <unistd.h>

namespace {

struct NumberRow
{
    const char *name;
    const char *text;
    qint64 minimum;
    qint64 maximum;
    bool hexadecimal;
    qint64 value;       // when `error` is null
    const char *error;  // the message after "invalid number 'TEXT': "
};

class ParseNumberTest : public testing::TestWithParam<NumberRow> {};

TEST_P(ParseNumberTest, ValueOrReason)
{
    const NumberRow &row = GetParam();
    const auto parse = [&] {
        return QTx::parseNumber(row.text, row.minimum, row.maximum, "number", row.hexadecimal);
    };
    if (!row.error) {
        EXPECT_EQ(parse(), row.value);
        return;
    }
    EXPECT_THAT(parse, testing::ThrowsMessage<HException>(testing::StrEq(
                           QString("invalid number '%1': %2").arg(row.text, row.error)
                               .toStdString())));
}

constexpr qint64 u32 = 0xFFFFFFFF;

INSTANTIATE_TEST_SUITE_P(Table, ParseNumberTest, testing::Values(
    NumberRow{"Decimal", "4096", 0, u32, false, 4096, nullptr},
    NumberRow{"LeadingZeroIsNotOctal", "010", 0, u32, false, 10, nullptr},
    NumberRow{"HexPrefix", "0x1F", 0, u32, false, 31, nullptr},
    NumberRow{"UpperHexPrefix", "0XfF", 0, u32, false, 255, nullptr},
    NumberRow{"TopOfRange", "0xFFFFFFFF", 0, u32, false, u32, nullptr},
    NumberRow{"HexDigitsWithoutPrefix", "a5", 0, 255, true, 0xA5, nullptr},
    NumberRow{"Negative", "-1", -1, 9, false, -1, nullptr},
    NumberRow{"MostNegative", "-9223372036854775808", std::numeric_limits<qint64>::min(),
              0, false, std::numeric_limits<qint64>::min(), nullptr},
    NumberRow{"PastTheTop", "0x100000000", 0, u32, false, 0, "not within 0 to 0xFFFFFFFF"},
    NumberRow{"BelowTheBottom", "-2", -1, 9, false, 0, "not within -1 to 9"},
    NumberRow{"SignNotAllowed", "-1", 0, 9, false, 0, "not a number"},
    NumberRow{"PlusSign", "+1", 0, 9, false, 0, "not a number"},
    NumberRow{"Empty", "", 0, 9, false, 0, "not a number"},
    NumberRow{"PrefixOnly", "0x", 0, 9, false, 0, "not a number"},
    NumberRow{"Blank", " 1", 0, 9, false, 0, "not a number"},
    NumberRow{"HexDigitInDecimal", "1f", 0, 99, false, 0, "not a number"},
    NumberRow{"NonAsciiDigit", "\xd9\xa3", 0, 9, false, 0, "not a number"},
    NumberRow{"Overflow", "99999999999999999999", 0, u32, false, 0, "not within 0 to 4294967295"}),
    [](const auto &info) { return std::string(info.param.name); });

class SaveFileTest : public TempDirTest
{
protected:
    bool save(const QString &name, const QByteArray &contents, QString *error = nullptr)
    {
        return QTx::SaveFile::writeFile(path(name), contents, error);
    }
    // Names in the directory besides the given ones: temporary files left behind.
    QStringList strays(const QStringList &expected) const
    {
        QStringList names = QDir(dir()).entryList(QDir::AllEntries | QDir::Hidden
                                                  | QDir::System | QDir::NoDotAndDotDot);
        for (const QString &name : expected)
            names.removeAll(name);
        return names;
    }
};

TEST_F(SaveFileTest, ReplacesFileKeepingItsMode)
{
    write("out.bin", "old contents");
    QFile::setPermissions(path("out.bin"), QFile::ReadOwner | QFile::WriteOwner);
    ASSERT_TRUE(save("out.bin", "new"));
    EXPECT_EQ(read("out.bin"), "new");
    struct stat status;
    ASSERT_EQ(stat(QFile::encodeName(path("out.bin")).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0600u);
    EXPECT_THAT(strays({"out.bin"}), testing::IsEmpty());
}

TEST_F(SaveFileTest, NewFileGetsModeLessUmask)
{
    const mode_t mask = umask(027);
    ASSERT_TRUE(save("fresh.txt", "x"));
    umask(mask);
    struct stat status;
    ASSERT_EQ(stat(QFile::encodeName(path("fresh.txt")).constData(), &status), 0);
    EXPECT_EQ(status.st_mode & 0777, 0640u);
}

TEST_F(SaveFileTest, LinkIsKeptAndItsTargetReplaced)
{
    write("data/real.hex", "old");
    ASSERT_EQ(symlink("data/real.hex", QFile::encodeName(path("link.hex")).constData()), 0);
    ASSERT_TRUE(save("link.hex", "new"));
    EXPECT_TRUE(QFileInfo(path("link.hex")).isSymLink());
    EXPECT_EQ(read("data/real.hex"), "new");
    EXPECT_THAT(strays({"data", "link.hex"}), testing::IsEmpty());
}

TEST_F(SaveFileTest, DanglingLinkCreatesItsTarget)
{
    ASSERT_EQ(symlink("made.txt", QFile::encodeName(path("link.txt")).constData()), 0);
    ASSERT_TRUE(save("link.txt", "made"));
    EXPECT_TRUE(QFileInfo(path("link.txt")).isSymLink());
    EXPECT_EQ(read("made.txt"), "made");
}

TEST_F(SaveFileTest, FailedWriteToDeviceKeepsTheLink)
{
    if (!QFileInfo::exists("/dev/full"))
        GTEST_SKIP() << "no /dev/full";
    ASSERT_EQ(symlink("/dev/full", QFile::encodeName(path("full")).constData()), 0);
    QString error;
    EXPECT_FALSE(save("full", QByteArray(100000, 'x'), &error));
    EXPECT_EQ(error, "cannot write '" + path("full") + "': No space left on device");
    EXPECT_TRUE(QFileInfo(path("full")).isSymLink());
    EXPECT_TRUE(QFileInfo("/dev/full").exists());
}

TEST_F(SaveFileTest, DiscardedWriteLeavesOldFile)
{
    write("keep.txt", "old");
    {
        QTx::SaveFile file(path("keep.txt"));
        ASSERT_TRUE(file.open());
        std::fputs("half", file.stream());
    }  // no commit
    EXPECT_EQ(read("keep.txt"), "old");
    EXPECT_THAT(strays({"keep.txt"}), testing::IsEmpty());
}

TEST_F(SaveFileTest, CreateFailuresNameFileAndReason)
{
    QString error;
    EXPECT_FALSE(save("missing/out.txt", "x", &error));
    EXPECT_EQ(error, "cannot create '" + path("missing/out.txt") + "': No such file or directory");
    ASSERT_TRUE(QDir(dir()).mkdir("sub"));
    EXPECT_FALSE(save("sub", "x", &error));
    EXPECT_EQ(error, "cannot create '" + path("sub") + "': Is a directory");
    ASSERT_EQ(symlink("loop", QFile::encodeName(path("loop")).constData()), 0);
    EXPECT_FALSE(save("loop", "x", &error));
    EXPECT_THAT(error.toStdString(), testing::EndsWith("Too many levels of symbolic links"));
}

class ExampleToolArgs : public QTx::ToolArgParse
{
public:
    explicit ExampleToolArgs(DiagnosticSink *sink)
        : ToolArgParse("example", "list FILE [option]...\nmake OUT FILE... [option]...",
                       "ADDR is decimal or 0x-prefixed hexadecimal.", sink)
    {
        addValue("-format", "NAME", &format, "Input format\n(default: from the extension)",
                 &formatGiven);
        addFlag("-q", &quiet, "Quiet");
        addFlag("-secret", &quiet, QString());
        addValue("-a-very-long-option", "VALUE", &format, "Placed on its own line");
    }

    QString format;
    bool formatGiven = false;
    bool quiet = false;
};

class ToolArgParseTest : public testing::Test
{
protected:
    std::ostringstream m_errors;
    DiagnosticSink m_sink{"example", m_errors};
    ExampleToolArgs m_args{&m_sink};
};

TEST_F(ToolArgParseTest, UsageComesFromTheOptionTable)
{
    const QByteArray usage = m_args.usageText();
    EXPECT_TRUE(usage.startsWith("Tessarune for ARM example - Release 5.4.0.2026012200.60945\n"));
    EXPECT_THAT(usage.mid(usage.indexOf("\n\nUsage")).toStdString(), testing::StrEq(
        "\n\n"
        "Usage: example list FILE [option]...\n"
        "       example make OUT FILE... [option]...\n"
        "\n"
        "  -a-very-long-option VALUE\n"
        "                         Placed on its own line\n"
        "  -format NAME           Input format\n"
        "                         (default: from the extension)\n"
        "  -help                  Print options help\n"
        "  -q                     Quiet\n"
        "\n"
        "ADDR is decimal or 0x-prefixed hexadecimal.\n"
        "\n"));
}

TEST_F(ToolArgParseTest, CommonRules)
{
    EXPECT_EQ(m_args.parseCommandLine({"list", "-", "-format", "ihex", "a.hex"}), std::nullopt);
    EXPECT_EQ(m_args.positional, QStringList({"list", "-", "a.hex"}));
    EXPECT_TRUE(m_args.formatGiven);
    EXPECT_EQ(m_args.format, "ihex");
    EXPECT_EQ(m_errors.str(), "");

    ExampleToolArgs bad(&m_sink);
    EXPECT_EQ(bad.parseCommandLine({"list", "-x"}), 1);
    EXPECT_EQ(m_errors.str(), "example: error: unrecognised option -x\n");
}

} // namespace
