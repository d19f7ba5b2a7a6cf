#include "highlighttestsupport.h"

#include "codeedit/codeeditparser.h"
#include "codeedit/codeeditpythonparser.h"
#include "codeedit/disassemblycodeeditparser.h"

namespace {

// A parser made of nothing but the shared word and other-character scanners, so that a
// keyword list can be tested apart from any language.
class WordParser : public CodeEditParser
{
public:
    ushort *parse(const ushort *line, ushort *output) override
    {
        if (!beginLine(line, output))
            return m_out;
        scanLeadingWhitespace();
        while (*m_in) {
            if (!scanWord() && !scanNumber())
                scanOther();
        }
        return scanLineEnd();
    }
};

TEST(CodeEditParserTest, OutputCapacityIsThreeUnitsPerCharacterPlusTwo)
{
    EXPECT_EQ(CodeEditParser::outputCapacity(0), 2);
    EXPECT_EQ(CodeEditParser::outputCapacity(10), 32);
}

TEST(CodeEditParserTest, WorstCaseFitsTheBuffer)
{
    // Alternating keyword and punctuation characters switch class at every character.
    WordParser parser;
    parser.setKeywords({"a"});
    EXPECT_EQ(highlight(parser, "a.a.a"), "{3}a{0}.{3}a{0}.{3}a");
}

TEST(CodeEditParserTest, KeywordsAreCaseSensitiveByDefault)
{
    WordParser parser;
    parser.setKeywords({"Begin"});
    EXPECT_EQ(highlight(parser, "Begin begin BEGIN"), "{3}Begin {0}begin BEGIN");
    EXPECT_EQ(parser.keywords(), QStringList{"Begin"});
}

TEST(CodeEditParserTest, KeywordsMayIgnoreCase)
{
    WordParser parser;
    parser.setKeywords({"Begin", "x"}, Qt::CaseInsensitive);
    EXPECT_EQ(highlight(parser, "Begin begin BEGIN begun X"),
              "{3}Begin begin BEGIN {0}begun {3}X");
}

TEST(CodeEditParserTest, ManyKeywordsAllFound)
{
    QStringList words;
    QString line;
    for (int i = 0; i < 500; ++i) {
        words.append(QStringLiteral("k%1").arg(i));
        line += QStringLiteral(" k%1").arg(i);
    }
    WordParser parser;
    parser.setKeywords(words);
    EXPECT_EQ(highlight(parser, line.trimmed() + " k500"), "{3}" + line.trimmed() + " {0}k500");
}

TEST(CodeEditParserTest, WhitespaceIsTheCLibrarySetPlusVisibleGlyphs)
{
    WordParser parser;
    parser.setKeywords({"if"});
    // Tab, vertical tab, form feed and the two glyphs keep the class; no-break space
    // does not count as whitespace.
    EXPECT_EQ(highlight(parser, "if\t\v\f\xc2\xb7\xc2\xbb."), "{3}if\t\v\f\xc2\xb7\xc2\xbb{0}.");
    EXPECT_EQ(highlight(parser, "if\xc2\xa0."), "{3}if{0}\xc2\xa0.");
}

TEST(CodeEditParserTest, LettersAreAsciiOnly)
{
    WordParser parser;
    parser.setKeywords({"if"});
    EXPECT_EQ(highlight(parser, "\xc3\xa9if"), "\xc3\xa9{3}if");
}

TEST(CodeEditParserTest, MarkupCarriesNulCharacters)
{
    CodeEditPythonParser parser;
    const QString line = QStringLiteral("if") + QChar(0) + QStringLiteral("x");
    const QString expected = QString(QChar(CodeEditParser::switchCode)) + QChar(3)
        + QStringLiteral("if") + QChar(CodeEditParser::switchCode) + QChar(0) + QChar(0)
        + QStringLiteral("x");
    EXPECT_EQ(parser.markup(line), expected);
}

TEST(CodeEditParserTest, ColourLineGivesRunsOverTheText)
{
    CodeEditPythonParser parser;
    QString text;
    QVector<CodeEditRun> runs;
    parser.colourLine(QStringLiteral("x = 'a' # c"), &text, &runs);
    EXPECT_EQ(text, QStringLiteral("x = 'a' # c"));
    ASSERT_EQ(runs.size(), 3);
    EXPECT_EQ(runs[0].colourClass, 0);
    EXPECT_EQ(runs[0].length, 4);
    EXPECT_EQ(runs[1].colourClass, 1);
    EXPECT_EQ(runs[1].length, 4);
    EXPECT_EQ(runs[2].colourClass, 2);
    EXPECT_EQ(runs[2].length, 3);
}

TEST(CodeEditParserTest, ColourLineKeepsTheSwitchCharacterAsText)
{
    CodeEditPythonParser parser;
    QString text;
    QVector<CodeEditRun> runs;
    const QString line = QStringLiteral("'") + QChar(CodeEditParser::switchCode) + QChar(3)
        + QStringLiteral("'");
    parser.colourLine(line, &text, &runs);
    EXPECT_EQ(text, line);
    ASSERT_EQ(runs.size(), 2);
    EXPECT_EQ(runs[0].length, 0);  // the string starts at once
    EXPECT_EQ(runs[1].colourClass, 1);
    EXPECT_EQ(runs[1].length, 4);
}

TEST(CodeEditParserTest, ColourLineShowsEmptyRunsForTrailingSwitches)
{
    DisassemblyCodeEditParser parser;
    QString text;
    QVector<CodeEditRun> runs;
    parser.colourLine(QStringLiteral("    a"), &text, &runs);
    ASSERT_EQ(runs.size(), 3);
    EXPECT_EQ(runs[1].colourClass, 4);
    EXPECT_EQ(runs[1].length, 5);
    EXPECT_EQ(runs[2].colourClass, 0);
    EXPECT_EQ(runs[2].length, 0);
}

TEST(CodeEditParserTest, ColourLineOfEmptyLine)
{
    CodeEditPythonParser parser;
    QString text = QStringLiteral("old");
    QVector<CodeEditRun> runs;
    parser.colourLine(QString(), &text, &runs);
    EXPECT_TRUE(text.isEmpty());
    ASSERT_EQ(runs.size(), 1);
    EXPECT_EQ(runs[0].length, 0);
}

} // namespace
