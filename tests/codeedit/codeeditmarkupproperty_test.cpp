#include "codeedit/codeeditparser.h"
#include "codeedit/codeeditparserfactory.h"
#include "codeedit/disassemblycodeeditparser.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

// For every parser and any input, the markup without its switches is the input: the
// parsers colour text, they never change it (except for the rule that disassembly
// separators draw as).

namespace {

// Characters and fragments that open and close the constructs of the languages.
const char *const fragments[] = {
    "\"", "'", "`", "\\", "\"\"\"", "/*", "*/", "//", "#", "#include ", "#define", "${",
    "}", "{", "(", ")", "R\"x(", ")x\"", "u8R\"(", "<!--", "-->", "<", ">", "</script",
    "<script>", "<![CDATA[", "]]>", "```", "~~~", "---", "--", "%", "%%i", "!", "&", "*",
    "_", "-", "+", ":", "::", ";", "@", "$", "rem ", "REM", "if", "def", "class", "int",
    "0x1F", "12", "1.5e-3", "e", " ", "    ", "\t", "\xc2\xb7", "\xc2\xbb", "\xc3\xa9",
    "\xe2\x80\x94", "abc", "[", "](", "|", "?", "\xef\xbf\xbf"};

QString randomLine(std::mt19937 &random, bool withSpecials)
{
    QString line;
    const int pieces = int(random() % 24);
    for (int i = 0; i < pieces; ++i) {
        const unsigned pick = random() % 100;
        if (withSpecials && pick < 3) {
            line += QChar(0);
        } else if (withSpecials && pick < 6) {
            line += QChar(CodeEditParser::switchCode);
        } else if (pick < 9) {
            line += QChar(ushort(0xD800 + random() % 0x800));  // a lone surrogate
        } else if (pick < 12) {
            line += QChar(ushort(1 + random() % 0xFFFE));
        } else {
            line += QString::fromUtf8(fragments[random() % std::size(fragments)]);
        }
    }
    return line;
}

// What the text of a line becomes: unchanged, but for disassembly separators.
QString expectedText(const QString &language, const QString &line)
{
    if (language != QLatin1String("disassembly") || !line.startsWith(QLatin1String("---")))
        return line;
    QString rule = line;
    rule.replace(QLatin1Char('-'), QChar(DisassemblyCodeEditParser::ruleCharacter));
    return rule;
}

void checkRuns(const QVector<CodeEditRun> &runs, int length)
{
    int total = 0;
    for (int i = 0; i < runs.size(); ++i) {
        EXPECT_LT(runs[i].colourClass, CodeEditParser::classCount);
        if (i > 0) {
            EXPECT_NE(runs[i].colourClass, runs[i - 1].colourClass);
        }
        total += runs[i].length;
    }
    EXPECT_EQ(runs.value(0).colourClass, 0);
    EXPECT_EQ(total, length);
}

class CodeEditMarkupPropertyTest : public testing::TestWithParam<QString> {};

TEST_P(CodeEditMarkupPropertyTest, TextSurvivesAnyInput)
{
    const QString language = GetParam();
    const auto parser = CodeEditParserFactory::create(language);
    ASSERT_TRUE(parser);
    std::mt19937 random(12345);
    QString text;
    QVector<CodeEditRun> runs;
    // Now and then a state restored from elsewhere, sensible or not, must not matter.
    const int states[] = {0, 1, '"', '\'', '`', '(', 256, 0x1000, 0x1022, 0x1127, 0x2000,
                          0x3000, 0x4000, 0x5000, 0x10000 | ('`' << 8) | 3, 0x40000123, -1,
                          0x7FFFFFFF};
    for (int i = 0; i < 3000; ++i) {
        if (i % 50 == 49)
            parser->setState(i % 100 == 99 ? int(random()) : states[random() % std::size(states)]);
        const QString line = randomLine(random, true);
        parser->colourLine(line, &text, &runs);
        ASSERT_EQ(text, expectedText(language, line)) << "line " << i;
        checkRuns(runs, line.size());
    }
}

TEST_P(CodeEditMarkupPropertyTest, RawMarkupWithoutSwitchesIsTheInput)
{
    const QString language = GetParam();
    const auto parser = CodeEditParserFactory::create(language);
    ASSERT_TRUE(parser);
    std::mt19937 random(54321);
    for (int i = 0; i < 3000; ++i) {
        const QString line = randomLine(random, false);
        std::vector<ushort> input(line.utf16(), line.utf16() + line.size() + 1);
        std::vector<ushort> output(size_t(CodeEditParser::outputCapacity(line.size())));
        const ushort *end = parser->parse(input.data(), output.data());
        ASSERT_TRUE(end > output.data() && end <= output.data() + output.size())
            << "line " << i << ": " << (end - output.data()) << " of " << output.size() << " "
            << line.toStdString();
        ASSERT_EQ(end[-1], 0);
        QString stripped;
        int current = 0;
        for (const ushort *p = output.data(); p < end - 1; ++p) {
            if (*p == CodeEditParser::switchCode) {
                ASSERT_NE(int(p[1]), current) << "line " << i;
                current = *++p;
            } else {
                stripped += QChar(*p);
            }
        }
        ASSERT_EQ(stripped, expectedText(language, line)) << "line " << i;
    }
}

TEST_P(CodeEditMarkupPropertyTest, MissingAndEmptyLinesYieldOnlyTheTerminator)
{
    const auto parser = CodeEditParserFactory::create(GetParam());
    const ushort empty = 0;
    for (const ushort *line : {static_cast<const ushort *>(nullptr), &empty}) {
        ushort output[4] = {1, 1, 1, 1};
        EXPECT_EQ(parser->parse(line, output), output + 1);
        EXPECT_EQ(output[0], 0);
        EXPECT_EQ(output[1], 1);
    }
}

TEST_P(CodeEditMarkupPropertyTest, MegabyteLine)
{
    const QString language = GetParam();
    const auto parser = CodeEditParserFactory::create(language);
    std::mt19937 random(777);
    QString line;
    while (line.size() < (1 << 20))
        line += randomLine(random, true);
    QString text;
    QVector<CodeEditRun> runs;
    parser->colourLine(line, &text, &runs);
    EXPECT_TRUE(text == expectedText(language, line));
    checkRuns(runs, line.size());
    // A line of one repeated opener must not upset the parser either.
    for (const char *opener : {"(", "\"", "<", "/*", "${", "`", "-"}) {
        const QString repeated = QString::fromLatin1(opener).repeated((1 << 20) / 2);
        parser->colourLine(repeated, &text, &runs);
        EXPECT_TRUE(text == expectedText(language, repeated)) << opener;
    }
}

// Lines built to make a searching parser quadratic: each must take linear time (a
// quadratic parser would run into the test's time limit on them).
TEST_P(CodeEditMarkupPropertyTest, AdversarialLinesStayLinear)
{
    const QString language = GetParam();
    const auto parser = CodeEditParserFactory::create(language);
    QString increasingRuns;
    for (int length = 1; increasingRuns.size() < (1 << 20); ++length)
        increasingRuns += QString(length, QLatin1Char('`')) + QLatin1Char('x');
    const QString lines[] = {
        increasingRuns,
        QStringLiteral("%").repeated(1 << 19) + QStringLiteral("x"),
        (QStringLiteral("' ") + QString(64, QLatin1Char(' '))).repeated(1 << 14),
        QStringLiteral("a: ").repeated(1 << 18),
        QStringLiteral("&{").repeated(1 << 19),
        QStringLiteral(")\"x").repeated(1 << 18),
    };
    QString text;
    QVector<CodeEditRun> runs;
    for (const QString &line : lines) {
        parser->setState(CodeEditParser::normalState);
        parser->colourLine(QStringLiteral("R\"x(") , &text, &runs);
        parser->colourLine(line, &text, &runs);
        EXPECT_TRUE(text == expectedText(language, line));
    }
}

INSTANTIATE_TEST_SUITE_P(AllLanguages, CodeEditMarkupPropertyTest,
                         testing::ValuesIn(CodeEditParserFactory::languages()),
                         [](const testing::TestParamInfo<QString> &info) {
                             return info.param.toStdString();
                         });

} // namespace
