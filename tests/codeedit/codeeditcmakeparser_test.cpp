#include "highlighttestsupport.h"

namespace {

class CodeEditCMakeParserTest : public HighlightTableTest {};

TEST_P(CodeEditCMakeParserTest, ColoursLines)
{
    check();
}

INSTANTIATE_TEST_SUITE_P(Table, CodeEditCMakeParserTest, testing::Values(
    HighlightRow{"EmptyLine", "cmake", "", ""},
    HighlightRow{"CommandAndString", "cmake", R"(set(FOO "${BAR}"))",
                 R"({3}set{0}(FOO {1}"${{BAR}"{0}))"},
    HighlightRow{"NestedReferenceIsOneRun", "cmake", "message(${a_${b}_c} x)",
                 "{3}message{0}({6}${{a_${{b}_c} {0}x)"},
    HighlightRow{"UnclosedReferenceRunsToLineEnd", "cmake", "if(${abc", "{3}if{0}({6}${{abc"},
    HighlightRow{"DollarWithoutBrace", "cmake", "$ENV{X}", "$ENV{{X}"},
    HighlightRow{"Comment", "cmake", "  # comment ${x}", "  {2}# comment ${{x}"},
    HighlightRow{"CommandNamesAreCaseSensitive", "cmake", "IF(x)", "IF(x)"},
    HighlightRow{"UnderscoredCommand", "cmake", "add_library(foo STATIC a.c)",
                 "{3}add_library{0}(foo STATIC a.c)"},
    HighlightRow{"Numbers", "cmake", "cmake_minimum_required(VERSION 3.16)",
                 "{3}cmake_minimum_required{0}(VERSION {1}3{0}.{1}16{0})"},
    HighlightRow{"StringContinuedByBackslash", "cmake", "set(X \"a\\\nb\")",
                 "{3}set{0}(X {1}\"a\\\n{1}b\"{0})"},
    HighlightRow{"HashInString", "cmake", "set(X \"#\")", "{3}set{0}(X {1}\"#\"{0})"}),
    highlightRowName);

} // namespace
