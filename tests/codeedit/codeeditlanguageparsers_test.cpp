#include "highlighttestsupport.h"

#include "codeedit/codeeditparser.h"
#include "codeedit/codeeditparserfactory.h"

namespace {

class CodeEditLanguageParsersTest : public HighlightTableTest {};

TEST_P(CodeEditLanguageParsersTest, ColoursLines)
{
    check();
}

INSTANTIATE_TEST_SUITE_P(CFamily, CodeEditLanguageParsersTest, testing::Values(
    HighlightRow{"JavaTextBlock", "java", "String s = \"\"\"\ntext\n\"\"\";",
                 "String s = {1}\"\"\"\n{1}text\n{1}\"\"\"{0};"},
    HighlightRow{"JavaAnnotationAndKeywords", "java", "@Override public void f()",
                 "@Override {3}public void {0}f()"},
    HighlightRow{"JavaDollarIdentifier", "java", "$if = 'c';", "$if = {1}'c'{0};"},
    HighlightRow{"JavaScriptTemplateOverLines", "javascript", "let s = `a\nb` + 1",
                 "{3}let {0}s = {1}`a\n{1}b` {0}+ {1}1"},
    HighlightRow{"JavaScriptHasNoPreprocessor", "javascript", "#define x", "#define x"},
    HighlightRow{"JavaScriptBlockComment", "javascript", "/** doc\n */ function",
                 "{2}/** doc\n {2}*/ {3}function"},
    HighlightRow{"XCKeywords", "xc", "chanend c; par {", "{3}chanend {0}c; {3}par {0}{{"},
    HighlightRow{"XCPreprocessor", "xc", "#include <stdio.h>", "{6}#include <stdio.h>"}),
    highlightRowName);

INSTANTIATE_TEST_SUITE_P(Scripts, CodeEditLanguageParsersTest, testing::Values(
    HighlightRow{"BatchEchoOff", "batch", "@echo off", "@{3}echo off"},
    HighlightRow{"BatchRem", "batch", "REM hello %x%", "{2}REM hello %x%"},
    HighlightRow{"BatchRemAfterAt", "batch", "@rem x", "@{2}rem x"},
    HighlightRow{"BatchRemark", "batch", "remark", "remark"},
    HighlightRow{"BatchDoubleColonComment", "batch", "  :: c", "  {2}:: c"},
    HighlightRow{"BatchLabel", "batch", ":loop", "{3}:loop"},
    HighlightRow{"BatchVariables", "batch", "set X=%PATH%;%1;%~dp0",
                 "{3}set {0}X={6}%PATH%{0};{6}%1{0};{6}%~dp0"},
    HighlightRow{"BatchForVariable", "batch", "for %%i in (*) do echo %%i",
                 "{3}for {6}%%i {3}in {0}(*) {3}do echo {6}%%i"},
    HighlightRow{"BatchLonePercent", "batch", "echo 50%", "{3}echo {1}50{0}%"},
    HighlightRow{"BatchDelayedExpansion", "batch", "echo !v! Hi!",
                 "{3}echo {6}!v! {0}Hi!"},
    HighlightRow{"BatchStringHasNoEscape", "batch", R"(echo "a\" b)",
                 R"({3}echo {1}"a\" {0}b)"},
    HighlightRow{"BASICStatementAndComment", "basic", "10 PRINT \"HI\": REM x",
                 "{1}10 {3}PRINT {1}\"HI\"{0}: {2}REM x"},
    HighlightRow{"BASICApostropheComment", "basic", "A$ = \"x\" ' c",
                 "A$ = {1}\"x\" {2}' c"},
    HighlightRow{"BASICRemIsAWholeWord", "basic", "remark = 1", "remark = {1}1"},
    HighlightRow{"ForthDefinition", "forth", ": square ( n -- n*n ) dup * ;",
                 "{3}: {0}square {2}( n -- n*n ) {3}dup * ;"},
    HighlightRow{"ForthStrings", "forth", ".\" hello\" cr s\" x\"",
                 "{3}.\" {1}hello\" {3}cr s\" {1}x\""},
    HighlightRow{"ForthLineComment", "forth", "dup \\ comment", "{3}dup {2}\\ comment"},
    HighlightRow{"ForthNumbers", "forth", "$FF -12 3. %102 'a'",
                 "{1}$FF -12 3. {0}%102 {1}'a'"},
    HighlightRow{"ForthCommentOverLines", "forth", "( start\nend ) DUP",
                 "{2}( start\n{2}end ) {3}DUP"},
    HighlightRow{"ForthParenthesisInsideWord", "forth", "(x) x(", "(x) x("}),
    highlightRowName);

INSTANTIATE_TEST_SUITE_P(Hardware, CodeEditLanguageParsersTest, testing::Values(
    HighlightRow{"STAPLStatement", "stapl", "IRSCAN 10, $3FF; 'comment",
                 "{3}IRSCAN {1}10{0}, ${1}3FF{0}; {2}'comment"},
    HighlightRow{"STAPLString", "stapl", "print \"a'b\";", "{3}print {1}\"a'b\"{0};"},
    HighlightRow{"LinkScript", "icf", "define symbol __flash_size__ = 0x400;",
                 "{3}define symbol {0}__flash_size__ = {1}0x400{0};"},
    HighlightRow{"LinkScriptPlace", "icf", "place in ROM_region { readonly }; // x",
                 "{3}place in {0}ROM_region {{ {3}readonly {0}}; {2}// x"},
    HighlightRow{"AssemblyInstruction", "asm", "    ldr r0, =0x20 ; load",
                 "    {3}ldr {0}r0, ={1}0x20 {2}; load"},
    HighlightRow{"AssemblyDirective", "asm", ".text", "{3}.text"},
    HighlightRow{"AssemblyImmediateAndAtComment", "asm", "MOV r0, #1 @ c",
                 "{3}MOV {0}r0, #{1}1 {2}@ c"},
    HighlightRow{"AssemblyPreprocessor", "asm", "#include \"x.h\"", "{6}#include \"x.h\""},
    HighlightRow{"DeviceTreeDirective", "dts", "/dts-v1/;", "{3}/dts-v1/{0};"},
    HighlightRow{"DeviceTreeProperty", "dts", "compatible = \"ti,am335x\";",
                 "{3}compatible {0}= {1}\"ti,am335x\"{0};"},
    HighlightRow{"DeviceTreeReference", "dts", "interrupt-parent = <&intc>;",
                 "{3}interrupt-parent {0}= <{6}&intc{0}>;"},
    HighlightRow{"DeviceTreeCells", "dts", "#address-cells = <1>;",
                 "{3}#address-cells {0}= <{1}1{0}>;"},
    HighlightRow{"DeviceTreeInclude", "dts", "#include \"a.dtsi\"", "{6}#include \"a.dtsi\""},
    HighlightRow{"DeviceTreeDivision", "dts", "<(4 / 2)>", "<({1}4 {0}/ {1}2{0})>"},
    HighlightRow{"VHDLSignal", "vhdl", "signal clk : std_logic := '0'; -- clock",
                 "{3}signal {0}clk : std_logic := {1}'0'{0}; {2}-- clock"},
    HighlightRow{"VHDLAttributeIsNotCharacter", "vhdl", "if clk'event and clk = '1' then",
                 "{3}if {0}clk'event {3}and {0}clk = {1}'1' {3}then"},
    HighlightRow{"VHDLKeywordsInAnyCase", "vhdl", "ENTITY e IS", "{3}ENTITY {0}e {3}IS"},
    HighlightRow{"SVFScan", "svf", "SDR 32 TDI (0000000F) TDO (1);",
                 "{3}SDR {1}32 {3}TDI {1}(0000000F) {3}TDO {1}(1){0};"},
    HighlightRow{"SVFBitStringOverLines", "svf", "SIR 8 TDI (0\nF) ;",
                 "{3}SIR {1}8 {3}TDI {1}(0\n{1}F) {0};"},
    HighlightRow{"SVFComments", "svf", "! c\n// d\nsdr", "{2}! c\n{2}// d\n{3}sdr"}),
    highlightRowName);

INSTANTIATE_TEST_SUITE_P(Data, CodeEditLanguageParsersTest, testing::Values(
    HighlightRow{"JSONValues", "json", R"({"a": [1.5e-3, -2, true, null]})",
                 R"({{{1}"a"{0}: [{1}1.5e-3{0}, {1}-2{0}, {3}true{0}, {3}null{0}]})"},
    HighlightRow{"JSONEscapes", "json", R"(["a\"b", "\\"])", R"([{1}"a\"b"{0}, {1}"\\"{0}])"},
    HighlightRow{"JSONComment", "json", "// c\n/* d", "{2}// c\n{2}/* d"},
    HighlightRow{"YAMLKeyValueComment", "yaml", "key: value # c", "{3}key{0}: value {2}# c"},
    HighlightRow{"YAMLSequenceKeyString", "yaml", "- name: \"x\"",
                 "- {3}name{0}: {1}\"x\""},
    HighlightRow{"YAMLHashInsideValue", "yaml", "url: http://a#b", "{3}url{0}: http://a#b"},
    HighlightRow{"YAMLDocumentMarker", "yaml", "---\n...", "{6}---\n{6}..."},
    HighlightRow{"YAMLNumbersAndBooleans", "yaml", "n: -1.5\nok: true",
                 "{3}n{0}: {1}-1.5\n{3}ok{0}: {3}true"},
    HighlightRow{"YAMLAnchorAndAlias", "yaml", "a: &x 1\nb: *x",
                 "{3}a{0}: {6}&x {1}1\n{3}b{0}: {6}*x"},
    HighlightRow{"YAMLApostropheInPlainText", "yaml", "it's: ok", "{3}it's{0}: ok"},
    HighlightRow{"YAMLQuotedScalarOverLines", "yaml", "k: 'a\nb' # c",
                 "{3}k{0}: {1}'a\n{1}b' {2}# c"},
    HighlightRow{"YAMLDirective", "yaml", "%YAML 1.2", "{6}%YAML 1.2"}),
    highlightRowName);

INSTANTIATE_TEST_SUITE_P(Markup, CodeEditLanguageParsersTest, testing::Values(
    HighlightRow{"XMLTagAttributeEntity", "xml", "<a href=\"x\">t &amp; u</a>",
                 "{3}<a {0}href={1}\"x\"{3}>{0}t {6}&amp; {0}u{3}</a>"},
    HighlightRow{"XMLCommentOverLines", "xml", "<!-- a\nb --> <b/>",
                 "{2}<!-- a\n{2}b --> {3}<b/>"},
    HighlightRow{"XMLTagOverLines", "xml", "<a\n  x='1'>", "{3}<a\n  x={1}'1'{3}>"},
    HighlightRow{"XMLValueOverLines", "xml", "<a x='1\n2' y>",
                 "{3}<a {0}x={1}'1\n{1}2' {0}y{3}>"},
    HighlightRow{"XMLDeclaration", "xml", "<?xml version=\"1.0\"?>",
                 "{6}<?xml version=\"1.0\"?>"},
    HighlightRow{"XMLCData", "xml", "<![CDATA[a<b]]>x", "{1}<![CDATA[a<b]]>{0}x"},
    HighlightRow{"XMLLessThanInText", "xml", "a < b & c", "a < b & c"},
    HighlightRow{"HTMLScriptIsNotMarkup", "html", "<script>\nif (a<b) x();\n</SCRIPT>",
                 "{3}<script>\nif (a<b) x();\n{3}</SCRIPT>"},
    HighlightRow{"HTMLStyleOnOneLine", "html", "<style>a<b</style>",
                 "{3}<style>{0}a<b{3}</style>"},
    HighlightRow{"MarkdownHeading", "markdown", "## Title *x*", "{3}## Title *x*"},
    HighlightRow{"MarkdownInline", "markdown", "Some `code` and [link](http://x) *em*",
                 "Some {1}`code` {0}and [link]({1}http://x{0}) {3}*{0}em{3}*"},
    HighlightRow{"MarkdownFence", "markdown", "```c\nint x; # no heading\n```",
                 "{6}```c\n{1}int x; # no heading\n{6}```"},
    HighlightRow{"MarkdownShortFenceDoesNotClose", "markdown", "````\n```\n````",
                 "{6}````\n{1}```\n{6}````"},
    HighlightRow{"MarkdownListMarkers", "markdown", "- item\n12. next",
                 "{6}- {0}item\n{6}12. {0}next"},
    HighlightRow{"MarkdownQuoteAndRule", "markdown", "> quote\n* * *",
                 "{2}> quote\n{5}* * *"},
    HighlightRow{"MarkdownEscape", "markdown", "\\*a\\*", "\\*a\\*"},
    HighlightRow{"MarkdownHtmlComment", "markdown", "a <!-- b\nc --> d",
                 "a {2}<!-- b\n{2}c --> {0}d"}),
    highlightRowName);

struct BracketRow
{
    const char *language;
    const char *pattern;
};

TEST(CodeEditBracketPattern, DependsOnLanguage)
{
    const BracketRow rows[] = {{"c", "\\{\\}\\[\\]\\(\\)"}, {"python", "\\{\\}\\[\\]\\(\\)"},
                               {"xml", "\\<\\>"}, {"html", "\\<\\>"},
                               {"json", "\\{\\}\\[\\]"}, {"forth", "\\:\\;"}};
    for (const BracketRow &row : rows) {
        SCOPED_TRACE(row.language);
        EXPECT_EQ(CodeEditParserFactory::create(row.language)->bracketPattern(),
                  QString::fromLatin1(row.pattern));
    }
}

} // namespace
