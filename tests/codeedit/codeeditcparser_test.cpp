#include "highlighttestsupport.h"

#include "codeedit/codeeditcparser.h"

namespace {

class CodeEditCParserTest : public HighlightTableTest {};

TEST_P(CodeEditCParserTest, ColoursLines)
{
    check();
}

INSTANTIATE_TEST_SUITE_P(Table, CodeEditCParserTest, testing::Values(
    HighlightRow{"EmptyLine", "cpp", "", ""},
    HighlightRow{"Include", "c", "#include <stdio.h>", "{6}#include <stdio.h>"},
    HighlightRow{"IndentedDefine", "c", "  #define X 1", "  {6}#define X 1"},
    HighlightRow{"BareIf", "c", "#if", "{6}#if"},
    HighlightRow{"DirectiveNeedsBlankAfterIt", "c", "#includex", "#includex"},
    HighlightRow{"OtherDirectivesAreNotPreprocessorLines", "c", "#pragma once",
                 "#pragma once"},
    HighlightRow{"HashInsideLineIsNotDirective", "c", "x #define", "x #define"},
    HighlightRow{"NumberSuffixAndLineComment", "c", "int x = 0x1FUL; // note",
                 "{3}int {0}x = {1}0x1FUL{0}; {2}// note"},
    HighlightRow{"BlockCommentOverLines", "c", "a /* b\nc */ d\ne",
                 "a {2}/* b\n{2}c */ {0}d\ne"},
    HighlightRow{"DirectiveInsideBlockComment", "c", "/*\n#define X\n*/",
                 "{2}/*\n{2}#define X\n{2}*/"},
    HighlightRow{"BlockCommentOnOneLine", "c", "a/**/b", "a{2}/**/{0}b"},
    HighlightRow{"CharacterWithEscape", "c", R"(c = '\'';)", R"(c = {1}'\''{0};)"},
    HighlightRow{"StringWithCommentInside", "c", R"(s = "/* no */";)",
                 R"(s = {1}"/* no */"{0};)"},
    HighlightRow{"StringContinuedByBackslash", "c", "s = \"a\\\n// b\";",
                 "s = {1}\"a\\\n{1}// b\"{0};"},
    HighlightRow{"NegativeNumber", "c", "return -1;", "{3}return {0}-{1}1{0};"},
    HighlightRow{"UnderscoreKeyword", "c", "_Bool b;", "{3}_Bool {0}b;"},
    HighlightRow{"UnderscoreIdentifier", "c", "_int x;", "_int x;"},
    HighlightRow{"CppKeywordPlainInC", "c", "class x;", "class x;"},
    HighlightRow{"CppKeyword", "cpp", "class x;", "{3}class {0}x;"},
    HighlightRow{"CppTwentyKeywords", "cpp", "constexpr co_await concept",
                 "{3}constexpr co_await concept"},
    HighlightRow{"RawString", "cpp", R"t(auto s = R"x(a)"b)x";)t",
                 R"t({3}auto {0}s = {1}R"x(a)"b)x"{0};)t"},
    HighlightRow{"RawStringOverLines", "cpp", "s = R\"(abc\n\" // no comment\ndef)\";",
                 "s = {1}R\"(abc\n{1}\" // no comment\n{1}def)\"{0};"},
    HighlightRow{"RawStringPrefixes", "cpp", R"t(u8R"(x)" LR"(y)")t",
                 R"t({1}u8R"(x)" LR"(y)")t"},
    HighlightRow{"RawStringDelimiterMustMatch", "cpp", "R\"ab(x)a\"\n)ab\" 1",
                 "{1}R\"ab(x)a\"\n{1})ab\" 1"},
    HighlightRow{"RawStringNotInC", "c", R"t(R"(x)")t", R"t(R{1}"(x)")t"},
    HighlightRow{"IdentifierEndingInR", "cpp", R"(FOOR"x")", R"(FOOR{1}"x")"},
    HighlightRow{"NotARawStringWithoutParenthesis", "cpp", R"(R"x")", R"(R{1}"x")"}),
    highlightRowName);

TEST(CodeEditCParserState, RawStringStateSurvivesARestart)
{
    CodeEditCParser first;
    highlight(first, "s = R\"end(text");
    const int saved = first.state();
    EXPECT_TRUE(saved & CodeEditCParser::rawStringFlag);
    CodeEditCParser second;
    second.setState(saved);
    EXPECT_EQ(highlight(second, ")x\" )end\" y"), "{1})x\" )end\" {0}y");
    EXPECT_EQ(second.state(), CodeEditParser::normalState);
}

} // namespace
