#include "highlighttestsupport.h"

#include "codeedit/codeeditpythonparser.h"

namespace {

class CodeEditPythonParserTest : public HighlightTableTest {};

TEST_P(CodeEditPythonParserTest, ColoursLines)
{
    check();
}

INSTANTIATE_TEST_SUITE_P(Table, CodeEditPythonParserTest, testing::Values(
    HighlightRow{"EmptyLine", "python", "", ""},
    HighlightRow{"KeywordThenPlain", "python", "if x == 1:", "{3}if {0}x == {1}1{0}:"},
    HighlightRow{"OneSwitchBackAfterKeyword", "python", "return (a)", "{3}return {0}(a)"},
    HighlightRow{"Indentation", "python", "    def f():", "    {3}def {0}f():"},
    HighlightRow{"VisibleSpaceGlyphsAreIndentation", "python", "\xc2\xb7\xc2\xbbpass",
                 "\xc2\xb7\xc2\xbb{3}pass"},
    HighlightRow{"UnderscoreIsPlainThenWord", "python", "_if = None", "_{3}if {0}= {3}None"},
    HighlightRow{"KeywordsAreWholeWords", "python", "iffy if_ x.if", "iffy if_ x.{3}if"},
    HighlightRow{"KeywordsAreCaseSensitive", "python", "true True", "true {3}True"},
    HighlightRow{"NumbersWithSuffixes", "python", "0x1Fu 3.14 10L",
                 "{1}0x1Fu 3{0}.{1}14 10L"},
    HighlightRow{"SingleQuotes", "python", "x = 'it''s'", "x = {1}'it''s'"},
    HighlightRow{"EscapedQuoteInString", "python", R"(s = "a\"b" # c)",
                 R"(s = {1}"a\"b" {2}# c)"},
    HighlightRow{"HashInString", "python", "'#' + 1", "{1}'#' {0}+ {1}1"},
    HighlightRow{"OtherQuoteInString", "python", R"("it's")", R"({1}"it's")"},
    HighlightRow{"Comment", "python", "# a 'b'", "{2}# a 'b'"},
    HighlightRow{"StringContinuedByBackslash", "python", "s = \"abc\\\ndef\" + x",
                 "s = {1}\"abc\\\n{1}def\" {0}+ x"},
    HighlightRow{"StringEndsAtLineEnd", "python", "s = \"abc\nx", "s = {1}\"abc\nx"},
    HighlightRow{"EscapedBackslashDoesNotContinue", "python", "s = 'a\\\\\nx",
                 "s = {1}'a\\\\\nx"},
    HighlightRow{"TripleQuotesOverLines", "python",
                 "x = \"\"\"doc\nmiddle line\nend\"\"\" + 1",
                 "x = {1}\"\"\"doc\n{1}middle line\n{1}end\"\"\" {0}+ {1}1"},
    HighlightRow{"TripleQuotesOnOneLine", "python", "\"\"\"a\"\"\" b",
                 "{1}\"\"\"a\"\"\" {0}b"},
    HighlightRow{"IndentedLineInsideTripleQuotes", "python", "\"\"\"\n  # x\n\"\"\"",
                 "{1}\"\"\"\n  {1}# x\n{1}\"\"\""},
    HighlightRow{"SingleQuotesInsideTripleQuotes", "python", "\"\"\"a'b\" c\"\"\"",
                 "{1}\"\"\"a'b\" c\"\"\""}),
    highlightRowName);

TEST(CodeEditPythonParserState, TripleQuoteStateIsKeptAcrossCalls)
{
    CodeEditPythonParser parser;
    highlight(parser, "x = \"\"\"open");
    EXPECT_EQ(parser.state(), CodeEditParser::tripleQuoteState);
    highlight(parser, "still open");
    EXPECT_EQ(parser.state(), CodeEditParser::tripleQuoteState);
    highlight(parser, "\"\"\"");
    EXPECT_EQ(parser.state(), CodeEditParser::normalState);
}

TEST(CodeEditPythonParserState, RestoredStateContinuesAString)
{
    CodeEditPythonParser parser;
    parser.setState('"');
    EXPECT_EQ(highlight(parser, "b\" c"), "{1}b\" {0}c");
}

TEST(CodeEditPythonParserState, MissingLineYieldsOnlyTheTerminator)
{
    CodeEditPythonParser parser;
    ushort output[4] = {1, 1, 1, 1};
    EXPECT_EQ(parser.parse(nullptr, output), output + 1);
    EXPECT_EQ(output[0], 0);
    EXPECT_EQ(output[1], 1);
}

} // namespace
