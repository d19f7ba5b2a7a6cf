#include "highlighttestsupport.h"

#include "codeedit/codeeditparser.h"
#include "codeedit/codeeditparserfactory.h"

namespace {

// A parser made of nothing but the shared word, number and other-character scanners,
// so that a keyword list can be tested apart from any language.
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

struct WordRow
{
    const char *keywords;  // blank-separated
    Qt::CaseSensitivity sensitivity;
    const char *input;
    const char *expected;
};

TEST(CodeEditParserTest, SharedScannersFollowTheKeywordList)
{
    const WordRow rows[] = {
        // A switch at every character is the worst case the buffer is sized for.
        {"a", Qt::CaseSensitive, "a.a.a", "{3}a{0}.{3}a{0}.{3}a"},
        {"Begin", Qt::CaseSensitive, "Begin begin BEGIN", "{3}Begin {0}begin BEGIN"},
        {"Begin x", Qt::CaseInsensitive, "Begin begin BEGIN begun X",
         "{3}Begin begin BEGIN {0}begun {3}X"},
        // Tab, vertical tab, form feed and the two visible-space glyphs keep the class;
        // a no-break space is not whitespace, and letters are ASCII only.
        {"if", Qt::CaseSensitive, "if\t\v\f\xc2\xb7\xc2\xbb.", "{3}if\t\v\f\xc2\xb7\xc2\xbb{0}."},
        {"if", Qt::CaseSensitive, "if\xc2\xa0.", "{3}if{0}\xc2\xa0."},
        {"if", Qt::CaseSensitive, "\xc3\xa9if", "\xc3\xa9{3}if"},
        {"x1", Qt::CaseSensitive, "x1 1x x1_", "{3}x1 {1}1x {0}x1_"},
    };
    for (const WordRow &row : rows) {
        SCOPED_TRACE(row.input);
        WordParser parser;
        parser.setKeywords(QString::fromLatin1(row.keywords).split(' '), row.sensitivity);
        EXPECT_EQ(highlight(parser, QString::fromUtf8(row.input)),
                  QString::fromUtf8(row.expected));
    }
}

TEST(CodeEditParserTest, ManyKeywordsAllFound)
{
    QStringList words;
    for (int i = 0; i < 500; ++i)
        words.append(QStringLiteral("k%1").arg(i));
    WordParser parser;
    parser.setKeywords(words);
    EXPECT_EQ(highlight(parser, words.join(' ') + " k500"), "{3}" + words.join(' ') + " {0}k500");
}

TEST(CodeEditParserTest, MarkupCarriesNulCharacters)
{
    const auto parser = CodeEditParserFactory::create("python");
    const QChar nul(0), code(CodeEditParser::switchCode);
    EXPECT_EQ(parser->markup(QStringLiteral("if") + nul + "x"),
              QString(code) + QChar(3) + "if" + code + nul + nul + "x");
}

// The runs of colourLine() as "class:length" pairs.
QString runsOf(const QString &language, const QString &line)
{
    const auto parser = CodeEditParserFactory::create(language);
    QString text = QStringLiteral("old");
    QVector<CodeEditRun> runs;
    parser->colourLine(line, &text, &runs);
    EXPECT_EQ(text, line);
    QStringList pairs;
    for (const CodeEditRun &run : runs)
        pairs.append(QStringLiteral("%1:%2").arg(run.colourClass).arg(run.length));
    return pairs.join(' ');
}

TEST(CodeEditParserTest, ColourLineGivesRunsOverTheText)
{
    // A U+FDD0 of the line is text; a switch that no character follows is an empty run.
    const char *const rows[][3] = {{"python", "x = 'a' # c", "0:4 1:4 2:3"},
                                   {"python", "'\xef\xb7\x90\x03'", "0:0 1:4"},
                                   {"disassembly", "    a", "0:0 4:5 0:0"},
                                   {"python", "", "0:0"}};
    for (const auto &row : rows) {
        EXPECT_EQ(runsOf(row[0], QString::fromUtf8(row[1])), QString::fromLatin1(row[2]))
            << row[1];
    }
}

} // namespace
