#include "highlighttestsupport.h"

#include "codeedit/disassemblycodeeditparser.h"

namespace {

class DisassemblyCodeEditParserTest : public HighlightTableTest {};

TEST_P(DisassemblyCodeEditParserTest, ColoursLines)
{
    check();
}

INSTANTIATE_TEST_SUITE_P(Table, DisassemblyCodeEditParserTest, testing::Values(
    HighlightRow{"EmptyLine", "disassembly", "", ""},
    HighlightRow{"InstructionLine", "disassembly", "    08000100  push {r4, lr}",
                 "{4}    08000100{0}  push {{r4, lr}"},
    HighlightRow{"Annotation", "disassembly", "    08000104  bl 0x8000200 <main+0x10>",
                 "{4}    08000104{0}  bl 0x8000200 {3}<main{1}+0x10{3}>{0}"},
    HighlightRow{"AnnotationWithoutOffset", "disassembly", "    0  b <loop> ; x",
                 "{4}    0{0}  b {3}<loop>{0} ; x"},
    HighlightRow{"PlusOutsideAnnotation", "disassembly", "    0  add r0, r0, #1+2",
                 "{4}    0{0}  add r0, r0, #1+2"},
    HighlightRow{"CloseOutsideAnnotation", "disassembly", "    0  a > b", "{4}    0{0}  a > b"},
    HighlightRow{"TabIndentedInstruction", "disassembly", "\t\t\t\tnop", "{4}\t\t\t\tnop{0}"},
    HighlightRow{"LabelLine", "disassembly", "<main>:", "{3}<main>:"},
    HighlightRow{"SeparatorBecomesRule", "disassembly", "--- main.c ---",
                 "{5}\xe2\x80\x94\xe2\x80\x94\xe2\x80\x94 main.c "
                 "\xe2\x80\x94\xe2\x80\x94\xe2\x80\x94"},
    HighlightRow{"HyphenInFileNameBecomesRuleToo", "disassembly", "---a-b",
                 "{5}\xe2\x80\x94\xe2\x80\x94\xe2\x80\x94" "a\xe2\x80\x94" "b"},
    HighlightRow{"TwoHyphensAreSource", "disassembly", "--", "{2}--"},
    HighlightRow{"SourceLine", "disassembly", "int x = 1; <y>", "{2}int x = 1; <y>"},
    HighlightRow{"ThreeBlanksAreSource", "disassembly", "   x", "{2}   x"},
    HighlightRow{"EachLineStartsPlain", "disassembly", "a\n<b>\nc", "{2}a\n{3}<b>\n{2}c"}),
    highlightRowName);

TEST(DisassemblyCodeEditParserState, LinesLeaveNoState)
{
    DisassemblyCodeEditParser parser;
    highlight(parser, "    0  <a+1\n/* x");
    EXPECT_EQ(parser.state(), CodeEditParser::normalState);
}

} // namespace
