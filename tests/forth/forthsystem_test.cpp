// The system's own behaviour: messages of failures, typed cells and the checked data
// space, word lists, files, the reset after an error and interrupts.

#include "forthtestsupport.h"
#include "testsupport.h"

#include <gtest/gtest.h>

namespace {

class ForthErrorTest : public testing::TestWithParam<ForthCase> {};

TEST_P(ForthErrorTest, FailsWithItsMessage)
{
    EXPECT_EQ(runForth(QByteArray::fromStdString(GetParam().text)), QByteArray(GetParam().result));
}

INSTANTIATE_TEST_SUITE_P(ControlStructures, ForthErrorTest, testing::Values(
    ForthCase{"ThenWithoutIf", ": x then ;",
              "|control structure mismatch: no <orig> on control stack; missing IF?"},
    ForthCase{"ThenOutsideDefinition", "then",
              "|control structure mismatch: no <orig> on control stack; missing IF?"},
    ForthCase{"ElseWithoutIf", ": x else ;",
              "|control structure mismatch: no <orig> on control stack; missing IF?"},
    ForthCase{"UntilWithoutBegin", ": x until ;",
              "|control structure mismatch: no <dest> on control stack; missing BEGIN?"},
    ForthCase{"AgainWithoutBegin", ": x 1 if again ;",
              "|control structure mismatch: no <dest> on control stack; missing BEGIN?"},
    ForthCase{"WhileWithoutBegin", ": x while ;",
              "|control structure mismatch: no <dest> on control stack; missing BEGIN?"},
    ForthCase{"RepeatWithoutBegin", ": x repeat ;",
              "|control structure mismatch: no <dest> on control stack, missing BEGIN?"},
    ForthCase{"RepeatWithoutWhile", ": x begin repeat ;",
              "|control structure mismatch: no <orig> on control stack; missing WHILE?"},
    ForthCase{"LoopWithoutDo", ": x loop ;",
              "|control structure mismatch: no <do-sys> on control stack; missing DO?"},
    ForthCase{"PlusLoopInsideIf", ": x 3 0 do 1 if +loop ;",
              "|control structure mismatch: no <do-sys> on control stack; missing DO?"},
    ForthCase{"LeaveOutsideLoop", ": x leave ;", "|LEAVE not in DO: LEAVE not in DO-LOOP"},
    ForthCase{"OfOutsideCase", ": x of ;", "|control structure mismatch: OF not within CASE"},
    ForthCase{"EndofWithoutOf", ": x case endof ;",
              "|control structure mismatch: ENDOF not matched with OF"},
    ForthCase{"EndcaseWithoutCase", ": x endcase ;",
              "|control structure mismatch: ENDCASE not matched with CASE"},
    ForthCase{"IOutsideLoop", ": x i ;", "|no DO loop: I not in DO-LOOP"},
    ForthCase{"JInOneLoop", ": x 3 0 do j loop ;", "|no DO loop: J not in DO-LOOP"},
    ForthCase{"IInterpreted", "i", "|loop parameters unavailable: loop stack underflow"},
    ForthCase{"SemicolonAlone", ";", "|control structure mismatch: control stack underflow"},
    ForthCase{"CsPickBeyond", ": x [ 2 cs-pick ] ;",
              "|control structure mismatch: CS-PICK outside stack"},
    ForthCase{"BracketIfUnclosed", "0 [if] 1 2\n3 [else",
              "|control structure mismatch: [IF] has no matching [THEN]"},
    ForthCase{"BracketIfNested", "0 [if] [if] [then] 1 . [else] 2 . [then]", "2 "},
    ForthCase{"IfInterpreted", "1 if", "|interpreting a compile-only word"}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Exceptions, ForthErrorTest, testing::Values(
    ForthCase{"DivideByZero", "1 0 /", "|divide by zero"},
    ForthCase{"ModByZero", "1 0 mod", "|divide by zero"},
    ForthCase{"DropOnEmptyStack", "drop", "|stack underflow"},
    ForthCase{"StackOverflow", ": f 600 0 do 1 loop ; f", "|stack overflow"},
    ForthCase{"EndlessRecursion", ": f recurse ; f", "|return stack overflow"},
    ForthCase{"RecursionThroughExecute", "variable v : f v @ execute ; ' f v ! f",
              "|return stack overflow"},
    ForthCase{"ReturnStackUnderflow", "r>", "|return stack underflow"},
    ForthCase{"ReturnStackImbalance", ": x 1 >r ; x", "|return stack imbalance"},
    ForthCase{"UndefinedCodeNegative", "-300 throw", "|-300 THROW undefined"},
    ForthCase{"UndefinedCodeNextToTable", "-271 throw", "|-271 THROW undefined"},
    ForthCase{"UndefinedCodeGap", "-8 throw", "|-8 THROW undefined"},
    ForthCase{"PositiveCode", "5 throw", "|5 THROW undefined"},
    ForthCase{"LastCodeOfTable", "-270 throw", "|sealed definition"},
    ForthCase{"Abort", "abort", "|abort thrown"},
    ForthCase{"AbortCode", "-2 throw", "|abort thrown"},
    ForthCase{"UserInterruptCode", "-28 throw", "|user interrupt"},
    ForthCase{"UndefinedWordNamed", "1 nosuchword", "|undefined word: nosuchword"},
    ForthCase{"NameStaysHiddenUntilSemicolon", ": f f ;", "|undefined word: f"},
    ForthCase{"ToConstant", "5 constant c 3 to c", "|no store method defined: c"},
    ForthCase{"BodyOfPrimitive", "' dup >body", "|>BODY error: does not have a PFA"},
    ForthCase{"LocalInterpreted", ": l locals| a | [ a ] ;",
              "|interpreting a compile-only word: local variable execution not supported"},
    ForthCase{"LocalTicked", ": l locals| a | ['] a ;",
              "|interpreting a compile-only word: local variable execution not supported"},
    ForthCase{"UnterminatedString", "s\" abc", "|unexpected EOF: unterminated string"},
    ForthCase{"UnterminatedDotQuote", ": x .\" abc ;", "|unexpected EOF: unterminated string"},
    ForthCase{"UnterminatedComment", "1 ( abc\n2", "|unexpected EOF: unterminated comment"},
    ForthCase{"CommentOverLines", "1 ( abc\n) 2 .s", "<2> 1 2 "},
    ForthCase{"MissingName", ":", "|unexpected EOF: name expected"}),
    caseName);

// Cells know their kind; the data space knows what is allotted.
INSTANTIATE_TEST_SUITE_P(TypedCells, ForthErrorTest, testing::Values(
    ForthCase{"FloatArithmetic", "1.5 2 * . 1 4.0 / . 2.5 floor . -0.5 floor .",
              "3 0.25 2 -1 "},
    ForthCase{"FloatWords", "0.0 fsin . 0.0 fcos . 0e ftan .", "0 1 0 "},
    ForthCase{"FusedOperatorsOnFloats",
              ": t dup 3 + . dup 3 - . dup 3 < . dup 3 > . 3 = . ; 3.5 t 3.0 t",
              "6.5 0.5 0 -1 0 6 0 0 0 -1 "},
    ForthCase{"FusedAndOnFloat", ": t 6 and ; 3.5 t",
              "|argument type mismatch: invalid operand combination"},
    ForthCase{"FloatRequired", "2 floor", "|argument type mismatch: float required"},
    ForthCase{"NotADataAddress", "5 @", "|argument type mismatch: not a data address"},
    ForthCase{"NotACodeAddress", "5 execute", "|argument type mismatch: not a code address"},
    ForthCase{"AddressPlusAddress", "here here +",
              "|argument type mismatch: invalid operand combination"},
    ForthCase{"AddressDifference", "here 3 allot here swap - .", "3 "},
    ForthCase{"AndOnAddress", "here 1 and",
              "|argument type mismatch: unrelocated literal required"},
    ForthCase{"StoreBeyondAllotted", "create z 5 z !",
              "|invalid address: cell store outside allotted region"},
    ForthCase{"FetchBeyondAllotted", "create z 1 allot z 1+ @",
              "|invalid address: cell fetch outside allotted region"},
    ForthCase{"NegativeAllotReleases", "here 5 allot -5 allot here = .", "-1 "},
    ForthCase{"NegativeAllotBelowStart", "-1000000000 allot",
              "|invalid argument: ALLOT -1000000000 outside the data space"},
    ForthCase{"HugeAllot", "10000000000 allot",
              "|invalid argument: ALLOT 10000000000 outside the data space"},
    ForthCase{"Display", "' dup . here . :noname ; .",
              "#<CODE-ADDRESS DUP> #<DATA-ADDRESS #<CODE-ADDRESS (NONAME-CHILD)> "},
    ForthCase{"CharacterLiteralsAndPrefixes", "'A' . $ff . %101 . #-12 . $-10 .",
              "65 255 5 -12 -16 "},
    ForthCase{"HtmlEscape", "s\" <a href='x'>&\" string-arg html-escape .",
              "&lt;a href=&#39;x&#39;&gt;&amp; "},
    ForthCase{"HtmlEscapeNeedsString", "1 html-escape",
              "|argument type mismatch: string required"},
    ForthCase{"TwoCommaPairsWithTwoFetch", "create p 1 2 ,, p 2@ .s", "<2> 1 2 "},
    ForthCase{"ConstantsTrueFalse", "true . false .", "-1 0 "}),
    caseName);

INSTANTIATE_TEST_SUITE_P(Wordlists, ForthErrorTest, testing::Values(
    ForthCase{"InitialOrder", "order", "FORTH  FORTH\n"},
    ForthCase{"AnonymousList", "wordlist also set-current order",
              "FORTH FORTH  ANON-WORDLIST\n"},
    ForthCase{"VocabularyReplacesFirst", "vocabulary v also v definitions order",
              "v FORTH  v\n"},
    ForthCase{"AlsoDuplicatesFirst", "vocabulary v also v also forth order",
              "FORTH v FORTH  FORTH\n"},
    ForthCase{"DefinitionsGoToCurrent",
              "vocabulary v also v definitions : hidden 7 ; previous definitions\n"
              "hidden", "|undefined word: hidden"},
    ForthCase{"SearchWordlist",
              "wordlist constant w w set-current : pw 9 ; forth-wordlist set-current\n"
              "s\" pw\" w search-wordlist . execute . s\" pw\" forth-wordlist "
              "search-wordlist .", "-1 9 0 "},
    ForthCase{"FindCountedName",
              "create a 2 c, char i c, char f c, create b 3 c, char d c, char u c,\n"
              "char p c, create c 1 c, char q c, a find nip . b find nip . c find . c = .",
              "1 -1 0 -1 "},
    ForthCase{"GetSetOrder", "get-order over swap 1+ set-order get-order . . .",
              "2 1 1 "},
    ForthCase{"OnlyResets", "wordlist also set-current only order", "FORTH  ANON-WORDLIST\n"},
    ForthCase{"PreviousOnLastList", "previous", "|search order underflow"},
    ForthCase{"OrderOverflow", "1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 1 17 set-order",
              "|search order overflow"},
    ForthCase{"EmptyOrderVocabulary", "0 set-order forth",
              "|search order underflow: No search order (VOCABULARY)"},
    ForthCase{"EmptyOrderRecovers", "0 set-order only 1 .", "1 "},
    ForthCase{"BadWordlist", "99 set-current", "|invalid wordlist: 99"},
    ForthCase{"CaseInsensitive", ": Sq DUP * ; 3 sQ .", "9 "}),
    caseName);

// Behaviour the standard leaves open, as this system defines it.
INSTANTIATE_TEST_SUITE_P(OwnChoices, ForthErrorTest, testing::Values(
    ForthCase{"ShiftBeyondCellWidth", "1 64 lshift . -1 64 rshift . 1 63 lshift 0< .",
              "0 0 -1 "},
    ForthCase{"SourceIds", "source-id . s\" source-id .\" evaluate", "0 -1 "},
    ForthCase{"TempsStartAtZero", ": t temps| a b | a . b . 5 to b b . ; 9 t .", "0 0 5 9 "},
    ForthCase{"ParenLocalAndTemp",
              ": t [ s\" x\" (local) s\" y\" (temp) 0 0 (local) ] x . y . ; 4 t",
              "4 0 "},
    ForthCase{"LocalsOutsideDefinition", "locals| a |",
              "|interpreting a compile-only word"},
    ForthCase{"LocalsListUnterminated", ": t locals| a b",
              "|unexpected EOF: unterminated locals list"},
    ForthCase{"LocalsRestoredByCatch",
              ": bad locals| q | 7 throw ; : t locals| p | 1 ['] bad catch . p . ; 5 t",
              "7 5 "},
    ForthCase{"DoesNeedsCreate", ": d does> ; : w ; d", "|unsupported operation: "
              "DOES> needs a word made by CREATE"},
    ForthCase{"SaveRestoreInput", "variable n save-input n @ 0= [if] 1 n ! restore-input "
              "[else] . [then] 5 .", "0 5 "},
    ForthCase{"RestoreOtherLine", "save-input\nrestore-input .", "-1 "},
    ForthCase{"WordsOfNewList", "wordlist dup set-current forth-wordlist swap 2 set-order "
              ": a ; : b ; words", "b a \n"},
    ForthCase{"RedefinedWordListedOnce",
              "wordlist dup set-current forth-wordlist swap 2 set-order "
              ": a ; : b ; : a ; words", "a b \n"},
    ForthCase{"ThrowNeedsInteger", "1.5 throw",
              "|argument type mismatch: invalid operand combination"},
    ForthCase{"ExecuteReturnStackWord", ": t ['] r@ execute ; t drop 1 .", "1 "},
    ForthCase{"StringCellPrints", "s\" Tom & Jerry\" string-arg dup . html-escape .",
              "Tom & Jerry Tom &amp; Jerry "},
    ForthCase{"FloatsCompare", "1.5 1 > . 2 2.0 = . 1.5 0= . 0.0 0= .", "-1 -1 0 -1 "},
    ForthCase{"AddressesCompare", "create a 2 allot a a 1+ < . a a = . a 1+ a - .",
              "-1 -1 1 "},
    ForthCase{"UnusedShrinks", "unused 10 allot unused - .", "10 "},
    ForthCase{"ImmediateRightAfterColon", ": now 7 . ; immediate : t now ; 1 .", "7 1 "},
    ForthCase{"ExecuteUnfinishedNoname", ":noname [ dup execute ] ;", "|invalid recursion"},
    ForthCase{"NonameFinishedRuns", ":noname [ dup ] 1 . ; execute .s", "1 <1> #<CODE-ADDRESS "
              "(NONAME-CHILD)> "},
    ForthCase{"QueryReadsTheNextLine", "1 . query 2 .\n3 .", "1 3 "},
    ForthCase{"RefillAtTheEnd", "refill\n4 . . refill .", "4 -1 0 "},
    ForthCase{"CurrentFollowsSetCurrent",
              "wordlist dup set-current get-current = . forth-wordlist set-current "
              "get-current forth-wordlist = .", "-1 -1 "},
    ForthCase{"CharsAreCells", "1 chars . 5 char+ . 3 cells . 0 cell+ .", "1 6 3 1 "},
    ForthCase{"StateWhileCompiling", ": t [ state @ . ] ; state @ .", "0 0 "}),
    caseName);

// The sizes of the stacks and buffers, at their edges.
INSTANTIATE_TEST_SUITE_P(Limits, ForthErrorTest, testing::Values(
    // 511 nested calls and the bottom of the run fill the 512 cells of the return stack.
    ForthCase{"DeepestRecursion", ": f dup if 1- recurse then ; 511 f .", "0 "},
    ForthCase{"OneCallTooDeep", ": f dup if 1- recurse then ; 512 f",
              "|return stack overflow"},
    ForthCase{"DataStackFull", ": f 0 do i loop ; 512 f depth", "|stack overflow"},
    ForthCase{"DataStackAllButOne", ": f 0 do i loop ; 511 f depth .", "511 "},
    ForthCase{"ReturnStackByToR", ": f 0 do i >r loop ; 512 f", "|return stack overflow"},
    ForthCase{"ReturnStackFullThenExit", ": f 0 do i >r loop ; 511 f",
              "|return stack imbalance"},
    ForthCase{"WordOfMaximumLength", "32 word " + std::string(255, 'w') + " count . c@ .",
              "255 119 "},
    ForthCase{"WordTooLong", "32 word " + std::string(256, 'w'), "|string buffer overflow"},
    ForthCase{"ExitFromNestedLoops",
              ": t 3 0 do 3 0 do i j + 2 = if i j exit then loop loop ; t . . t . .",
              "0 2 0 2 "},
    ForthCase{"FloatDisplay", "1e20 . 1.0e-5 . 0.1 . 100.0 . 2.0 3 / .",
              "1e+20 1e-05 0.1 100 0.666666666666667 "}),
    caseName);

// What the outer interpreter takes for a number; anything else is an undefined word.
INSTANTIATE_TEST_SUITE_P(Numbers, ForthErrorTest, testing::Values(
    ForthCase{"Negative", "-42 .", "-42 "},
    ForthCase{"LargestAndWrapping", "9223372036854775807 . 18446744073709551615 .",
              "9223372036854775807 -1 "},
    ForthCase{"HexLetters", "$7fFF . $-a .", "32767 -10 "},
    ForthCase{"BinaryDigitTwo", "%102", "|undefined word: %102"},
    ForthCase{"PrefixAlone", "$", "|undefined word: $"},
    ForthCase{"MinusAlone", "-", "|stack underflow"},
    ForthCase{"FloatForms", "1.5 . .25 . 2e3 . 1e . -1.5E-1 .", "1.5 0.25 2000 1 -0.15 "},
    ForthCase{"TwoDots", "1.2.3", "|undefined word: 1.2.3"},
    ForthCase{"ExponentWithoutDigitsBefore", "e5", "|undefined word: e5"},
    ForthCase{"CharacterNeedsQuotes", "'ab'", "|undefined word: 'ab'"},
    ForthCase{"CompiledNumbersKeepTheirKind", ": t 2.5 3 'x' ; t .s", "<3> 2.5 3 120 "}),
    caseName);

TEST(ForthSystemTest, OutputGoesWhereSetAndStackIsShown)
{
    ForthInterpreter forth;
    QByteArray first, second;
    forth.setOutput([&first](const char *data, std::size_t size) {
        first.append(data, int(size));
    });
    forth.evaluate("65 emit 1 2", QStringLiteral("a"));
    forth.setOutput([&second](const char *data, std::size_t size) {
        second.append(data, int(size));
    });
    forth.evaluate(".s cr 3 .r", QStringLiteral("b"));
    EXPECT_EQ(first, "A");
    EXPECT_EQ(second, "<2> 1 2 \n  2");
    EXPECT_EQ(forth.stackText(), "<1> 1 ");
}

// The system carries on after an error: stacks empty, interpreting, the half-compiled
// definition gone, the earlier definitions still there.
TEST(ForthSystemTest, ResetsAfterAnErrorAndKeepsDefinitions)
{
    ForthInterpreter forth;
    EXPECT_EQ(runForth(forth, ": sq dup * ;\n1 2 3 : broken 1 0 / ;\nbroken"),
              "|divide by zero");
    EXPECT_EQ(forth.stackText(), "<0> ");
    EXPECT_EQ(runForth(forth, "4 sq . : half 1 if ;"), "16 |control structure mismatch");
    EXPECT_EQ(runForth(forth, "xyz"), "|undefined word: xyz");
    EXPECT_EQ(runForth(forth, "5 6 .s half"), "<2> 5 6 |undefined word: half");
}

TEST(ForthSystemTest, ExceptionCarriesSourceAndLine)
{
    ForthInterpreter forth;
    forth.setOutput([](const char *, std::size_t) {});
    try {
        forth.evaluate("1\n2\n3 0 /\n", QStringLiteral("here.fs"));
        FAIL() << "no exception";
    } catch (const ForthException &error) {
        EXPECT_EQ(error.sourceName(), QStringLiteral("here.fs"));
        EXPECT_EQ(error.line(), 3);
        EXPECT_EQ(error.code(), -10);
    }
}

TEST(ForthSystemTest, InterruptStopsEndlessLoop)
{
    ForthInterpreter forth;
    ForthInterpreter::requestInterrupt();
    EXPECT_EQ(runForth(forth, ": x begin again ; x"), "|user interrupt");
    ForthInterpreter::requestInterrupt();
    EXPECT_EQ(runForth(forth, ": y 0 do 1 drop loop ; 1000000000 y"), "|user interrupt");
    EXPECT_EQ(runForth(forth, "1 ."), "1 ");
}

TEST(ForthSystemTest, CatchRestoresStacksAndLoops)
{
    EXPECT_EQ(runForth(": t 3 0 do i 1 = if 99 throw then loop ;\n"
                       ": u 1 2 ['] t catch . .s ; u 7 8 .s"),
              "99 <2> 1 2 <4> 1 2 7 8 ");
}

class ForthFileTest : public TempDirTest
{
protected:
    QByteArray run(const QByteArray &text) { return runForth(m_forth, text); }
    QByteArray quotedPath(const QString &name) { return "s\" " + path(name).toUtf8() + "\" "; }

    ForthInterpreter m_forth;
};

TEST_F(ForthFileTest, WritesAndReadsLines)
{
    EXPECT_EQ(run(quotedPath("a.txt") + "w/o create-file . value f\n"
                  "s\" first\" f write-line . s\" second\" f write-line . f close-file ."),
              "0 0 0 0 ");
    EXPECT_EQ(read("a.txt"), "first\nsecond\n");
    EXPECT_EQ(run("create buf 80 allot\n" + quotedPath("a.txt") + "r/o open-file . to f\n"
                  ": line buf 80 f read-line . . buf swap type space ;\n"
                  "line line line f close-file ."),
              "0 0 -1 first 0 -1 second 0 0  0 ");
}

TEST_F(ForthFileTest, LongLineComesInPieces)
{
    write("long.txt", "abcdefgh\r\n");
    EXPECT_EQ(run("create buf 5 allot " + quotedPath("long.txt") + "r/o open-file drop\n"
                  "value f : piece buf 5 f read-line 2drop buf swap type space ;\n"
                  "piece piece piece"),
              "abcde fgh  ");
}

TEST_F(ForthFileTest, ReadFilePositionAndResize)
{
    write("data.bin", "0123456789");
    EXPECT_EQ(run("create buf 20 allot " + quotedPath("data.bin") + "r/w bin open-file drop\n"
                  "value f buf 4 f read-file . . f file-position . . .\n"
                  "7 0 f reposition-file . buf 20 f read-file . . buf 3 type\n"
                  "buf 20 f read-file . .\n"
                  "4 0 f resize-file . f close-file ."),
              "0 4 0 0 4 0 0 3 7890 0 0 0 ");
    EXPECT_EQ(read("data.bin"), "0123");
}

TEST_F(ForthFileTest, FailuresAreIors)
{
    EXPECT_EQ(run(quotedPath("none.txt") + "r/o open-file . .\n"
                  + quotedPath("none.txt") + "delete-file .\n"
                  "99 close-file . -1 -1 1 reposition-file ."),
              "-38 0 -38 -37 -37 ");
    EXPECT_EQ(run(quotedPath("none.txt") + "included"),
              "|non-existent file: " + path("none.txt").toUtf8());
}

TEST_F(ForthFileTest, IncludedFilesShareTheDictionary)
{
    write("lib.fs", ": twice 2 * ;\n21 twice .\n");
    write("bad.fs", "1\n: oops 1 0 / ;\noops\n");
    EXPECT_EQ(run(quotedPath("lib.fs") + "included 5 twice ."), "42 10 ");
    m_forth.setOutput([](const char *, std::size_t) {});
    try {
        m_forth.evaluate(quotedPath("bad.fs") + "included", QStringLiteral("top"));
        FAIL() << "no exception";
    } catch (const ForthException &error) {
        EXPECT_EQ(error.sourceName(), path("bad.fs"));
        EXPECT_EQ(error.line(), 3);
    }
}

// CATCH around INCLUDED unwinds the file's input source: the text after it goes on.
TEST_F(ForthFileTest, CatchAroundIncludedResumesTheCaller)
{
    write("half.fs", ": early 1 ;\n2 0 /\n: late 3 ;\n");
    EXPECT_EQ(run(quotedPath("half.fs") + "' included catch . source-id . 4 .\n"
                  "early . [defined] late ."),
              "-10 0 4 1 0 ");
}

TEST_F(ForthFileTest, IncludingItselfEndsWithAnError)
{
    write("self.fs", "s\" " + path("self.fs").toUtf8() + "\" included\n");
    EXPECT_EQ(run(quotedPath("self.fs") + "included"),
              "|return stack overflow: input sources nested too deeply");
    EXPECT_EQ(run("1 ."), "1 ");
}

TEST_F(ForthFileTest, IncludeFileAndSourceId)
{
    write("src.fs", "source-id 0> .\nrefill drop this line is skipped\n: done 3 . ;\n");
    EXPECT_EQ(run(quotedPath("src.fs") + "r/o open-file . include-file done\n"
                  "include " + path("src.fs").toUtf8()),
              "0 -1 3 -1 ");
}

TEST_F(ForthFileTest, WriteFailures)
{
    write("ro.txt", "x");
    EXPECT_EQ(run("create b 9 allot " + quotedPath("wo.txt") + "w/o create-file drop value g\n"
                  "b 9 g read-file . . b 9 g read-line . . . g include-file 1 ."),
              "-37 0 -37 0 0 1 ");
    EXPECT_EQ(run(quotedPath("ro.txt") + "r/o open-file drop value f\n"
                  "s\" abc\" f write-file . s\" abc\" 99 write-line .\n"
                  + quotedPath("no/such/dir.txt") + "w/o create-file . .\n"
                  "99 include-file"),
              "-37 -37 -37 0 |file I/O exception: invalid fileid 99");
}

TEST_F(ForthFileTest, ReadingPastTheEndStaysThere)
{
    write("two.txt", "a\nb");
    EXPECT_EQ(run("create buf 9 allot " + quotedPath("two.txt") + "r/o open-file drop value f\n"
                  ": rl buf 9 f read-line . . . ; rl rl rl rl buf 9 f read-file . ."),
              "0 -1 1 0 -1 1 0 0 0 0 0 0 0 0 ");
}

} // namespace
