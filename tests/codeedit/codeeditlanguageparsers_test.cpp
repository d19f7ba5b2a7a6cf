#include "highlighttestsupport.h"

#include "codeedit/codeeditparser.h"
#include "codeedit/codeeditparserfactory.h"

#include <ostream>

namespace {

// One sample of a language: its lines ("\n" between them) and their markup as
// highlight() renders it.
struct Sample
{
    const char *name;
    const char *language;
    const char *input;
    const char *expected;
};

void PrintTo(const Sample &sample, std::ostream *os)
{
    *os << sample.language << ' ' << sample.name;
}

// The lines again, each with a fresh parser that is handed only the state the previous
// line left: the editor restarts colouring at a changed line this way, so the state
// must carry everything that spans lines.
QString highlightRestarting(const QString &language, const QString &text)
{
    QStringList lines;
    int state = CodeEditParser::normalState;
    for (const QString &line : text.split(QLatin1Char('\n'))) {
        const auto parser = CodeEditParserFactory::create(language);
        parser->setState(state);
        lines.append(highlight(*parser, line));
        state = parser->state();
    }
    return lines.join(QLatin1Char('\n'));
}

class CodeEditLanguageTest : public testing::TestWithParam<Sample> {};

TEST_P(CodeEditLanguageTest, ColoursLines)
{
    const QString language = QString::fromLatin1(GetParam().language);
    const QString input = QString::fromUtf8(GetParam().input);
    const QString expected = QString::fromUtf8(GetParam().expected);
    EXPECT_EQ(highlight(language, input), expected);
    if (input.contains(QLatin1Char('\n'))) {
        EXPECT_EQ(highlightRestarting(language, input), expected) << "restarting each line";
    }
}

const Sample samples[] = {
    // Python
    {"KeywordThenPlain", "python", "if x == 1:", "{3}if {0}x == {1}1{0}:"},
    {"VisibleSpaceGlyphsAreIndentation", "python", "\xc2\xb7\xc2\xbbpass",
     "\xc2\xb7\xc2\xbb{3}pass"},
    {"UnderscoreIsPlainThenWord", "python", "_if = None", "_{3}if {0}= {3}None"},
    {"KeywordsAreWholeWords", "python", "iffy if_ x.if", "iffy if_ x.{3}if"},
    {"KeywordsAreCaseSensitive", "python", "true True", "true {3}True"},
    {"NumbersWithSuffixes", "python", "0x1Fu 3.14 10L", "{1}0x1Fu 3{0}.{1}14 10L"},
    {"SingleQuotes", "python", "x = 'it''s'", "x = {1}'it''s'"},
    {"EscapedQuoteInString", "python", R"(s = "a\"b" # c)", R"(s = {1}"a\"b" {2}# c)"},
    {"HashInString", "python", "'#' + 1", "{1}'#' {0}+ {1}1"},
    {"OtherQuoteInString", "python", R"("it's")", R"({1}"it's")"},
    {"Comment", "python", "# a 'b'", "{2}# a 'b'"},
    {"StringContinuedByBackslash", "python", "s = \"abc\\\ndef\" + x",
     "s = {1}\"abc\\\n{1}def\" {0}+ x"},
    {"StringEndsAtLineEnd", "python", "s = \"abc\nx", "s = {1}\"abc\nx"},
    {"EscapedBackslashDoesNotContinue", "python", "s = 'a\\\\\nx", "s = {1}'a\\\\\nx"},
    {"ContinuedStringEndsBeforeTripleQuotes", "python", "s = \"a\\\n\"\"\" x",
     "s = {1}\"a\\\n{1}\"\"\" {0}x"},
    {"TripleQuotesOverLines", "python", "x = \"\"\"doc\nmiddle line\nend\"\"\" + 1",
     "x = {1}\"\"\"doc\n{1}middle line\n{1}end\"\"\" {0}+ {1}1"},
    {"TripleQuotesOnOneLine", "python", "\"\"\"a\"\"\" b", "{1}\"\"\"a\"\"\" {0}b"},
    {"IndentedLineInsideTripleQuotes", "python", "\"\"\"\n  # x\n\"\"\"",
     "{1}\"\"\"\n  {1}# x\n{1}\"\"\""},
    {"SingleQuotesInsideTripleQuotes", "python", "\"\"\"a'b\" c\"\"\"",
     "{1}\"\"\"a'b\" c\"\"\""},
    // CMake
    {"CommandAndString", "cmake", R"(set(FOO "${BAR}"))", R"({3}set{0}(FOO {1}"${{BAR}"{0}))"},
    {"NestedReferenceIsOneRun", "cmake", "message(${a_${b}_c} x)",
     "{3}message{0}({6}${{a_${{b}_c} {0}x)"},
    {"UnclosedReferenceRunsToLineEnd", "cmake", "if(${abc", "{3}if{0}({6}${{abc"},
    {"DollarWithoutBrace", "cmake", "$ENV{X}", "$ENV{{X}"},
    {"Comment", "cmake", "  # comment ${x}", "  {2}# comment ${{x}"},
    {"CommandNamesAreCaseSensitive", "cmake", "IF(x)", "IF(x)"},
    {"UnderscoredCommand", "cmake", "add_library(foo STATIC a.c)",
     "{3}add_library{0}(foo STATIC a.c)"},
    {"StringContinuedByBackslash", "cmake", "set(X \"a\\\nb\")",
     "{3}set{0}(X {1}\"a\\\n{1}b\"{0})"},
    {"HashInString", "cmake", "set(X \"#\")", "{3}set{0}(X {1}\"#\"{0})"},
    // Disassembly listings
    {"InstructionLine", "disassembly", "    08000100  push {r4, lr}",
     "{4}    08000100{0}  push {{r4, lr}"},
    {"Annotation", "disassembly", "    08000104  bl 0x8000200 <main+0x10>",
     "{4}    08000104{0}  bl 0x8000200 {3}<main{1}+0x10{3}>{0}"},
    {"AnnotationWithoutOffset", "disassembly", "    0  b <loop> ; x",
     "{4}    0{0}  b {3}<loop>{0} ; x"},
    {"PlusOutsideAnnotation", "disassembly", "    0  add r0, #1+2", "{4}    0{0}  add r0, #1+2"},
    {"CloseOutsideAnnotation", "disassembly", "    0  a > b", "{4}    0{0}  a > b"},
    {"TabIndentedInstruction", "disassembly", "\t\t\t\tnop", "{4}\t\t\t\tnop{0}"},
    {"LabelLine", "disassembly", "<main>:", "{3}<main>:"},
    {"SeparatorBecomesRule", "disassembly", "--- main.c ---",
     "{5}\xe2\x80\x94\xe2\x80\x94\xe2\x80\x94 main.c \xe2\x80\x94\xe2\x80\x94\xe2\x80\x94"},
    {"HyphenInFileNameBecomesRuleToo", "disassembly", "---a-b",
     "{5}\xe2\x80\x94\xe2\x80\x94\xe2\x80\x94" "a\xe2\x80\x94" "b"},
    {"TwoHyphensAreSource", "disassembly", "--", "{2}--"},
    {"SourceLine", "disassembly", "int x = 1; <y>", "{2}int x = 1; <y>"},
    {"ThreeBlanksAreSource", "disassembly", "   x", "{2}   x"},
    {"EachLineStartsAfresh", "disassembly", "    0  <a+1\n/* x\n<b>\nc",
     "{4}    0{0}  {3}<a{1}+1\n{2}/* x\n{3}<b>\n{2}c"},
    // C and C++
    {"Include", "c", "#include <stdio.h>", "{6}#include <stdio.h>"},
    {"IndentedDefine", "c", "  #define X 1", "  {6}#define X 1"},
    {"BareIf", "c", "#if", "{6}#if"},
    {"DirectiveNeedsBlankAfterIt", "c", "#includex", "#includex"},
    {"OtherDirectivesAreNotPreprocessorLines", "c", "#pragma once", "#pragma once"},
    {"HashInsideLineIsNotDirective", "c", "x #define", "x #define"},
    {"NumberSuffixAndLineComment", "c", "int x = 0x1FUL; // note",
     "{3}int {0}x = {1}0x1FUL{0}; {2}// note"},
    {"BlockCommentOverLines", "c", "a /* b\nc */ d\ne", "a {2}/* b\n{2}c */ {0}d\ne"},
    {"DirectiveInsideBlockComment", "c", "/*\n#define X\n*/", "{2}/*\n{2}#define X\n{2}*/"},
    {"BlockCommentOnOneLine", "c", "a/**/b", "a{2}/**/{0}b"},
    {"CharacterWithEscape", "c", R"(c = '\'';)", R"(c = {1}'\''{0};)"},
    {"StringWithCommentInside", "c", R"(s = "/* no */";)", R"(s = {1}"/* no */"{0};)"},
    {"StringContinuedByBackslash", "c", "s = \"a\\\n// b\";", "s = {1}\"a\\\n{1}// b\"{0};"},
    {"NegativeNumber", "c", "return -1;", "{3}return {0}-{1}1{0};"},
    {"UnderscoreKeyword", "c", "_Bool b;", "{3}_Bool {0}b;"},
    {"UnderscoreIdentifier", "c", "_int x;", "_int x;"},
    {"CppKeywordPlainInC", "c", "class x;", "class x;"},
    {"RawStringNotInC", "c", R"t(R"(x)")t", R"t(R{1}"(x)")t"},
    {"Keyword", "cpp", "class x;", "{3}class {0}x;"},
    {"TwentyKeywords", "cpp", "constexpr co_await concept", "{3}constexpr co_await concept"},
    {"RawString", "cpp", R"t(auto s = R"x(a)"b)x";)t", R"t({3}auto {0}s = {1}R"x(a)"b)x"{0};)t"},
    {"RawStringOverLines", "cpp", "s = R\"(abc\n\" // no comment\ndef)\";",
     "s = {1}R\"(abc\n{1}\" // no comment\n{1}def)\"{0};"},
    {"RawStringPrefixes", "cpp", R"t(u8R"(x)" LR"(y)")t", R"t({1}u8R"(x)" LR"(y)")t"},
    {"RawStringDelimiterMustMatch", "cpp", "s = R\"end(text\n)x\" )en\" )end\" y",
     "s = {1}R\"end(text\n{1})x\" )en\" )end\" {0}y"},
    {"RawStringDelimiterMustMatchWhole", "cpp", "R\"ab(x)a\"\n)ab\" 1",
     "{1}R\"ab(x)a\"\n{1})ab\" 1"},
    {"IdentifierEndingInR", "cpp", R"(FOOR"x")", R"(FOOR{1}"x")"},
    {"NotARawStringWithoutParenthesis", "cpp", R"(R"x")", R"(R{1}"x")"},
    // The rest of the C family
    {"TextBlock", "java", "String s = \"\"\"\ntext\n\"\"\";",
     "String s = {1}\"\"\"\n{1}text\n{1}\"\"\"{0};"},
    {"AnnotationAndKeywords", "java", "@Override public void f()",
     "@Override {3}public void {0}f()"},
    {"DollarIdentifier", "java", "$if = 'c';", "$if = {1}'c'{0};"},
    {"TemplateOverLines", "javascript", "let s = `a\nb` + 1",
     "{3}let {0}s = {1}`a\n{1}b` {0}+ {1}1"},
    {"HasNoPreprocessor", "javascript", "#define x", "#define x"},
    {"BlockComment", "javascript", "/** doc\n */ function", "{2}/** doc\n {2}*/ {3}function"},
    {"Keywords", "xc", "chanend c; par {", "{3}chanend {0}c; {3}par {0}{{"},
    {"Preprocessor", "xc", "#include <stdio.h>", "{6}#include <stdio.h>"},
    // Scripts
    {"EchoOff", "batch", "@echo off", "@{3}echo off"},
    {"Rem", "batch", "REM hello %x%", "{2}REM hello %x%"},
    {"RemAfterAt", "batch", "@rem x", "@{2}rem x"},
    {"Remark", "batch", "remark", "remark"},
    {"DoubleColonComment", "batch", "  :: c", "  {2}:: c"},
    {"Label", "batch", ":loop", "{3}:loop"},
    {"Variables", "batch", "set X=%PATH%;%1;%~dp0", "{3}set {0}X={6}%PATH%{0};{6}%1{0};{6}%~dp0"},
    {"ForVariable", "batch", "for %%i in (*) do echo %%i",
     "{3}for {6}%%i {3}in {0}(*) {3}do echo {6}%%i"},
    {"LonePercent", "batch", "echo 50%", "{3}echo {1}50{0}%"},
    {"DelayedExpansion", "batch", "echo !v! Hi!", "{3}echo {6}!v! {0}Hi!"},
    {"StringHasNoEscape", "batch", R"(echo "a\" b)", R"({3}echo {1}"a\" {0}b)"},
    {"StatementAndComment", "basic", "10 PRINT \"HI\": REM x",
     "{1}10 {3}PRINT {1}\"HI\"{0}: {2}REM x"},
    {"ApostropheComment", "basic", "A$ = \"x\" ' c", "A$ = {1}\"x\" {2}' c"},
    {"RemIsAWholeWord", "basic", "remark = 1", "remark = {1}1"},
    {"Definition", "forth", ": square ( n -- n*n ) dup * ;",
     "{3}: {0}square {2}( n -- n*n ) {3}dup * ;"},
    {"Strings", "forth", ".\" hello\" cr s\" x\"", "{3}.\" {1}hello\" {3}cr s\" {1}x\""},
    {"LineComment", "forth", "dup \\ comment", "{3}dup {2}\\ comment"},
    {"Numbers", "forth", "$FF -12 3. %102 'a'", "{1}$FF -12 3. {0}%102 {1}'a'"},
    {"CommentOverLines", "forth", "( start\nend ) DUP", "{2}( start\n{2}end ) {3}DUP"},
    {"ParenthesisInsideWord", "forth", "(x) x(", "(x) x("},
    // Hardware description and configuration
    {"Statement", "stapl", "IRSCAN 10, $3FF; 'comment",
     "{3}IRSCAN {1}10{0}, ${1}3FF{0}; {2}'comment"},
    {"String", "stapl", "print \"a'b\";", "{3}print {1}\"a'b\"{0};"},
    {"Define", "icf", "define symbol __flash_size__ = 0x400;",
     "{3}define symbol {0}__flash_size__ = {1}0x400{0};"},
    {"Place", "icf", "place in ROM_region { readonly }; // x",
     "{3}place in {0}ROM_region {{ {3}readonly {0}}; {2}// x"},
    {"Instruction", "asm", "    ldr r0, =0x20 ; load", "    {3}ldr {0}r0, ={1}0x20 {2}; load"},
    {"Directive", "asm", ".text", "{3}.text"},
    {"ImmediateAndAtComment", "asm", "MOV r0, #1 @ c", "{3}MOV {0}r0, #{1}1 {2}@ c"},
    {"Preprocessor", "asm", "#include \"x.h\"", "{6}#include \"x.h\""},
    {"Directive", "dts", "/dts-v1/;", "{3}/dts-v1/{0};"},
    {"Property", "dts", "compatible = \"ti,am335x\";", "{3}compatible {0}= {1}\"ti,am335x\"{0};"},
    {"Reference", "dts", "interrupt-parent = <&intc>;",
     "{3}interrupt-parent {0}= <{6}&intc{0}>;"},
    {"Cells", "dts", "#address-cells = <1>;", "{3}#address-cells {0}= <{1}1{0}>;"},
    {"Include", "dts", "#include \"a.dtsi\"", "{6}#include \"a.dtsi\""},
    {"Division", "dts", "<(4 / 2)>", "<({1}4 {0}/ {1}2{0})>"},
    {"Signal", "vhdl", "signal clk : std_logic := '0'; -- clock",
     "{3}signal {0}clk : std_logic := {1}'0'{0}; {2}-- clock"},
    {"AttributeIsNotCharacter", "vhdl", "if clk'event and clk = '1' then",
     "{3}if {0}clk'event {3}and {0}clk = {1}'1' {3}then"},
    {"KeywordsInAnyCase", "vhdl", "ENTITY e IS", "{3}ENTITY {0}e {3}IS"},
    {"Scan", "svf", "SDR 32 TDI (0000000F) TDO (1);",
     "{3}SDR {1}32 {3}TDI {1}(0000000F) {3}TDO {1}(1){0};"},
    {"BitStringOverLines", "svf", "SIR 8 TDI (0\nF) ;", "{3}SIR {1}8 {3}TDI {1}(0\n{1}F) {0};"},
    {"Comments", "svf", "! c\n// d\nsdr", "{2}! c\n{2}// d\n{3}sdr"},
    // Data
    {"Values", "json", R"({"a": [1.5e-3, -2, true, null]})",
     R"({{{1}"a"{0}: [{1}1.5e-3{0}, {1}-2{0}, {3}true{0}, {3}null{0}]})"},
    {"Escapes", "json", R"(["a\"b", "\\"])", R"([{1}"a\"b"{0}, {1}"\\"{0}])"},
    {"Comment", "json", "// c\n/* d", "{2}// c\n{2}/* d"},
    {"KeyValueComment", "yaml", "key: value # c", "{3}key{0}: value {2}# c"},
    {"SequenceKeyString", "yaml", "- name: \"x\"", "- {3}name{0}: {1}\"x\""},
    {"HashInsideValue", "yaml", "url: http://a#b", "{3}url{0}: http://a#b"},
    {"DocumentMarker", "yaml", "---\n...", "{6}---\n{6}..."},
    {"NumbersAndBooleans", "yaml", "n: -1.5\nok: true", "{3}n{0}: {1}-1.5\n{3}ok{0}: {3}true"},
    {"AnchorAndAlias", "yaml", "a: &x 1\nb: *x", "{3}a{0}: {6}&x {1}1\n{3}b{0}: {6}*x"},
    {"ApostropheInPlainText", "yaml", "it's: ok", "{3}it's{0}: ok"},
    {"QuotedScalarOverLines", "yaml", "k: 'a\nb' # c", "{3}k{0}: {1}'a\n{1}b' {2}# c"},
    {"Directive", "yaml", "%YAML 1.2", "{6}%YAML 1.2"},
    // Markup
    {"TagAttributeEntity", "xml", "<a href=\"x\">t &amp; u</a>",
     "{3}<a {0}href={1}\"x\"{3}>{0}t {6}&amp; {0}u{3}</a>"},
    {"CommentOverLines", "xml", "<!-- a\nb --> <b/>", "{2}<!-- a\n{2}b --> {3}<b/>"},
    {"TagOverLines", "xml", "<a\n  x='1'>", "{3}<a\n  x={1}'1'{3}>"},
    {"ValueOverLines", "xml", "<a x='1\n2' y>", "{3}<a {0}x={1}'1\n{1}2' {0}y{3}>"},
    {"Declaration", "xml", "<?xml version=\"1.0\"?>", "{6}<?xml version=\"1.0\"?>"},
    {"CData", "xml", "<![CDATA[a<b]]>x", "{1}<![CDATA[a<b]]>{0}x"},
    {"LessThanInText", "xml", "a < b & c", "a < b & c"},
    {"ScriptIsNotMarkup", "html", "<script>\nif (a<b) x();\n</SCRIPT>",
     "{3}<script>\nif (a<b) x();\n{3}</SCRIPT>"},
    {"StyleOnOneLine", "html", "<style>a<b</style>", "{3}<style>{0}a<b{3}</style>"},
    {"Heading", "markdown", "## Title *x*", "{3}## Title *x*"},
    {"Inline", "markdown", "Some `code` and [link](http://x) *em*",
     "Some {1}`code` {0}and [link]({1}http://x{0}) {3}*{0}em{3}*"},
    {"Fence", "markdown", "```c\nint x; # no heading\n```",
     "{6}```c\n{1}int x; # no heading\n{6}```"},
    {"ShortFenceDoesNotClose", "markdown", "````\n```\n````", "{6}````\n{1}```\n{6}````"},
    {"ListMarkers", "markdown", "- item\n12. next", "{6}- {0}item\n{6}12. {0}next"},
    {"QuoteAndRule", "markdown", "> quote\n* * *", "{2}> quote\n{5}* * *"},
    {"Escape", "markdown", "\\*a\\*", "\\*a\\*"},
    {"HtmlComment", "markdown", "a <!-- b\nc --> d", "a {2}<!-- b\n{2}c --> {0}d"},
};

INSTANTIATE_TEST_SUITE_P(All, CodeEditLanguageTest, testing::ValuesIn(samples),
                         [](const testing::TestParamInfo<Sample> &info) {
                             std::string name = info.param.language;
                             name[0] = char(toupper(name[0]));
                             return name + info.param.name;
                         });

TEST(CodeEditLanguageTest, BracketPatternDependsOnLanguage)
{
    const char *const rows[][2] = {{"c", "\\{\\}\\[\\]\\(\\)"}, {"python", "\\{\\}\\[\\]\\(\\)"},
                                   {"xml", "\\<\\>"}, {"html", "\\<\\>"},
                                   {"json", "\\{\\}\\[\\]"}, {"forth", "\\:\\;"}};
    for (const auto &row : rows) {
        EXPECT_EQ(CodeEditParserFactory::create(row[0])->bracketPattern(),
                  QString::fromLatin1(row[1])) << row[0];
    }
}

TEST(CodeEditParserFactoryTest, LanguageFromFileName)
{
    // Whole file names first, then the last extension, both without regard to case.
    const char *const rows[][2] = {
        {"dir/CMakeLists.txt", "cmake"}, {"cmakelists.txt", "cmake"}, {"x.cmake", "cmake"},
        {"m.h", "c"}, {"m.hpp", "cpp"}, {"M.CPP", "cpp"}, {"start.S", "asm"},
        {"a.tar.json", "json"}, {"notes.txt", ""}, {"Makefile", ""}, {".py", ""}, {"", ""}};
    for (const auto &row : rows) {
        EXPECT_EQ(CodeEditParserFactory::languageForFileName(row[0]),
                  QString::fromLatin1(row[1])) << row[0];
    }
    EXPECT_TRUE(CodeEditParserFactory::createForFileName("x.py"));
    EXPECT_FALSE(CodeEditParserFactory::createForFileName("x.unknown"));
    for (const char *unknown : {"Python", "c++", ""})
        EXPECT_FALSE(CodeEditParserFactory::create(unknown)) << unknown;
}

TEST(CodeEditParserFactoryTest, EveryLanguageIsFoundByItsFirstExtension)
{
    for (const QString &name : CodeEditParserFactory::languages()) {
        const QStringList extensions = CodeEditParserFactory::extensions(name);
        ASSERT_FALSE(extensions.isEmpty()) << name.toStdString();
        EXPECT_EQ(CodeEditParserFactory::languageForFileName("f." + extensions.first()), name);
    }
}

} // namespace
