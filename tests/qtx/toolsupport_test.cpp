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
    const char *outcome;  // the value in decimal, or "error: " and the reason
};

class ParseNumberTest : public testing::TestWithParam<NumberRow> {};

TEST_P(ParseNumberTest, ValueOrReason)
{
    const NumberRow &row = GetParam();
    QString outcome;
    try {
        outcome = QString::number(
            QTx::parseNumber(row.text, row.minimum, row.maximum, "number", row.hexadecimal));
    } catch (const HException &error) {
        const QString culprit = QString("invalid number '%1': ").arg(row.text);
        outcome = QString(error.message()).replace(culprit, "error: ");
    }
    EXPECT_EQ(outcome, QString(row.outcome));
}

constexpr qint64 u32 = 0xFFFFFFFF;
constexpr qint64 i64min = std::numeric_limits<qint64>::min();

INSTANTIATE_TEST_SUITE_P(Table, ParseNumberTest, testing::Values(
    NumberRow{"LeadingZeroIsNotOctal", "010", 0, u32, false, "10"},
    NumberRow{"UpperHexPrefix", "0XfF", 0, u32, false, "255"},
    NumberRow{"TopOfRange", "0xFFFFFFFF", 0, u32, false, "4294967295"},
    NumberRow{"HexDigitsWithoutPrefix", "a5", 0, 255, true, "165"},
    NumberRow{"Negative", "-1", -1, 9, false, "-1"},
    NumberRow{"MostNegative", "-9223372036854775808", i64min, 0, false, "-9223372036854775808"},
    NumberRow{"PastTheTop", "0x100000000", 0, u32, false, "error: not within 0 to 0xFFFFFFFF"},
    NumberRow{"BelowTheBottom", "-2", -1, 9, false, "error: not within -1 to 9"},
    NumberRow{"SignNotAllowed", "-1", 0, 9, false, "error: not a number"},
    NumberRow{"PlusSign", "+1", 0, 9, false, "error: not a number"},
    NumberRow{"Empty", "", 0, 9, false, "error: not a number"},
    NumberRow{"PrefixOnly", "0x", 0, 9, false, "error: not a number"},
    NumberRow{"HexDigitInDecimal", "1f", 0, 99, false, "error: not a number"},
    NumberRow{"NonAsciiDigit", "\xd9\xa3", 0, 9, false, "error: not a number"},
    NumberRow{"Overflow", "99999999999999999999", 0, u32, false,
              "error: not within 0 to 4294967295"}),
    [](const auto &info) { return std::string(info.param.name); });

class SaveFileTest : public TempDirTest
{
protected:
    bool save(const QString &name, const QByteArray &contents, QString *error = nullptr)
    {
        return QTx::SaveFile::writeFile(path(name), contents, error);
    }
    unsigned mode(const QString &name) const
    {
        struct stat status;
        return stat(QFile::encodeName(path(name)).constData(), &status) == 0
                   ? status.st_mode & 0777 : ~0u;
    }
    // Every name in the directory, temporary files left behind included.
    QStringList entries() const
    {
        return QDir(dir()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot);
    }
};

TEST_F(SaveFileTest, ReplacesAFileOnlyOnCommitKeepingItsMode)
{
    write("out.bin", "old contents");
    QFile::setPermissions(path("out.bin"), QFile::ReadOwner | QFile::WriteOwner);
    const mode_t mask = umask(027);
    ASSERT_TRUE(save("out.bin", "new"));
    ASSERT_TRUE(save("fresh.txt", "x"));
    umask(mask);
    EXPECT_EQ(read("out.bin"), "new");
    EXPECT_EQ(mode("out.bin"), 0600u);
    EXPECT_EQ(mode("fresh.txt"), 0640u);  // a new file: 0666 less the umask
    {
        QTx::SaveFile file(path("out.bin"));
        ASSERT_TRUE(file.open());
        std::fputs("half", file.stream());
    }  // discarded without a commit
    EXPECT_EQ(read("out.bin"), "new");
    EXPECT_EQ(entries(), QStringList({"fresh.txt", "out.bin"}));
}

TEST_F(SaveFileTest, LinksAreKeptAndTheirTargetsWritten)
{
    write("data/real.hex", "old");
    ASSERT_EQ(symlink("data/real.hex", QFile::encodeName(path("link.hex")).constData()), 0);
    ASSERT_EQ(symlink("made.txt", QFile::encodeName(path("dangling.txt")).constData()), 0);
    ASSERT_TRUE(save("link.hex", "new"));
    ASSERT_TRUE(save("dangling.txt", "made"));
    EXPECT_EQ(read("data/real.hex"), "new");
    EXPECT_EQ(read("made.txt"), "made");
    EXPECT_TRUE(QFileInfo(path("link.hex")).isSymLink());
    EXPECT_TRUE(QFileInfo(path("dangling.txt")).isSymLink());
    EXPECT_EQ(entries(), QStringList({"dangling.txt", "data", "link.hex", "made.txt"}));
}

TEST_F(SaveFileTest, CreateFailuresNameFileAndReason)
{
    QString error;
    ASSERT_TRUE(QDir(dir()).mkdir("sub"));
    EXPECT_FALSE(save("sub", "x", &error));
    EXPECT_EQ(error, "cannot create '" + path("sub") + "': Is a directory");
    ASSERT_EQ(symlink("loop", QFile::encodeName(path("loop")).constData()), 0);
    EXPECT_FALSE(save("loop", "x", &error));
    EXPECT_EQ(error, "cannot create '" + path("loop") + "': Too many levels of symbolic links");
}

class ExampleToolArgs : public QTx::ToolArgParse
{
public:
    explicit ExampleToolArgs(DiagnosticSink *sink)
        : ToolArgParse("example", "list FILE [option]...\nmake OUT FILE... [option]...",
                       "ADDR is decimal or 0x-prefixed hexadecimal.", sink)
    {
        addValue("-format", "NAME", &format, "Input format\n(default: from the extension)");
        addFlag("-q", &quiet, "Quiet");
        addFlag("-secret", &quiet, QString());
        addValue("-a-very-long-option", "VALUE", &format, "Placed on its own line");
    }

    QString format;
    bool quiet = false;
};

TEST(ToolArgParseTest, UsageComesFromTheOptionTable)
{
    std::ostringstream errors;
    DiagnosticSink sink("example", errors);
    const QByteArray usage = ExampleToolArgs(&sink).usageText();
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

} // namespace
