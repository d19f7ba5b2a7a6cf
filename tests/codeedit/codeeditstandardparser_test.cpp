#include "highlighttestsupport.h"

#include "codeedit/codeeditstandardparser.h"

namespace {

// A language made up for the test, so that each member of the syntax table shows.
CodeEditStandardParser::Syntax madeUpSyntax()
{
    CodeEditStandardParser::Syntax syntax;
    syntax.keywords = QStringList{"begin", "end", ".org", "_x"};
    syntax.keywordCase = Qt::CaseInsensitive;
    syntax.wordStart = "._";
    syntax.cComments = false;
    syntax.lineComments = {";", "--"};
    syntax.quotes = {{'"', 0}, {'`', '\\', true}};
    syntax.tripleQuotes = true;
    syntax.preprocessor = true;
    return syntax;
}

TEST(CodeEditStandardParserTest, FollowsItsSyntaxTable)
{
    // Input lines and their markup, each through a fresh parser.
    const char *const rows[][2] = {
        {"BEGIN x END", "{3}BEGIN {0}x {3}END"},
        {".org 10 _x", "{3}.org {1}10 {3}_x"},
        {"a ; b", "a {2}; b"},
        {"a -- b - c", "a {2}-- b - c"},
        {"a - b", "a - b"},
        {"/* a */ // b", "/* a */ // b"},
        {"\"a\\\" b", "{1}\"a\\\" {0}b"},
        {"`a\\`b`", "{1}`a\\`b`"},
        {"'a'", "'a'"},
        {"#define X", "{6}#define X"},
        {"  #if A", "  {6}#if A"},
        {"x #if", "x #if"},
        {"x `a\nb\n\nc` y\n\"d\ne\"", "x {1}`a\n{1}b\n\n{1}c` {0}y\n{1}\"d\ne{1}\""},
        {"a \"\"\"b\n; c\nd\"\"\" e", "a {1}\"\"\"b\n{1}; c\n{1}d\"\"\" {0}e"},
        {"`\n#define X`", "{1}`\n{1}#define X`"},
    };
    for (const auto &row : rows) {
        SCOPED_TRACE(row[0]);
        CodeEditStandardParser parser(madeUpSyntax());
        EXPECT_EQ(highlight(parser, QString::fromUtf8(row[0])), QString::fromUtf8(row[1]));
    }
}

TEST(CodeEditStandardParserTest, DefaultSyntaxIsCLike)
{
    CodeEditStandardParser parser{CodeEditStandardParser::Syntax()};
    EXPECT_EQ(highlight(parser, "a /* b */ 'c' \"d\" // e\n#include x"),
              "a {2}/* b */ {1}'c' \"d\" {2}// e\n#include x");
}

} // namespace
