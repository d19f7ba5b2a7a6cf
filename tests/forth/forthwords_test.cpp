// The standard words by group, each row interpreted in a fresh system. The expected
// results are what gforth 0.7.3 prints for the same text, except in the rows marked
// otherwise, where this system's own choices show: EXIT inside DO-LOOP needs no UNLOOP
// and AHEAD is an ordinary word that works between [ and ].

#include "forthtestsupport.h"

#include <gtest/gtest.h>

namespace {

class ForthWordTest : public testing::TestWithParam<ForthCase> {};

TEST_P(ForthWordTest, PrintsWhatStandardForthPrints)
{
    EXPECT_EQ(runForth(GetParam().text), QByteArray(GetParam().result));
}

INSTANTIATE_TEST_SUITE_P(Arithmetic, ForthWordTest, testing::Values(
    ForthCase{"AddSubMul", "2 3 + . 7 10 - . 6 7 * . -3 -4 * .",
              "5 -3 42 12 "},
    ForthCase{"FlooredDivision", "-7 2 / . -7 2 mod . 7 -2 / . 7 -2 mod . 7 2 /mod . .",
              "-4 1 -4 -1 3 1 "},
    ForthCase{"StarSlashUsesWideProduct",
              "1000000000000 1000000000000 1000000000000 */ . -7 2 5 */mod . .",
              "1000000000000 -3 1 "},
    ForthCase{"Wraparound", "9223372036854775807 1+ . -9223372036854775808 1- .",
              "-9223372036854775808 9223372036854775807 "},
    ForthCase{"NegateAbsMinMax", "5 negate . -5 abs . 3 7 max . 3 7 min . -3 -7 max .",
              "-5 5 7 3 -3 "},
    ForthCase{"ShiftsAndLogic", "1 10 lshift . -1 60 rshift . 12 10 and . 12 10 or . 12 10 xor . 0 "
              "invert .",
              "1024 15 8 14 6 -1 "},
    ForthCase{"TwoStarTwoSlash", "5 2* . -5 2/ . 7 2/ .",
              "10 -3 3 "},
    ForthCase{"Comparisons", "1 2 < . 2 1 < . 1 1 = . 1 2 <> . 2 1 > . 1 1 >= . -1 1 u< . -1 1 "
              "u> .",
              "-1 0 -1 -1 -1 -1 0 -1 "},
    ForthCase{"ZeroComparisons", "0 0= . 5 0= . -5 0< . 5 0> . 0 0<> . 0 0>= .",
              "-1 0 -1 -1 0 -1 "},
    ForthCase{"Within", "5 0 10 within . 10 0 10 within . 0 0 10 within . -1 0 10 within . "
              "5 10 0 within .",
              "-1 0 -1 0 0 "},
    ForthCase{"OnePlusOneMinus", "5 1+ . 5 1- .",
              "6 4 "}), caseName);

INSTANTIATE_TEST_SUITE_P(Stack, ForthWordTest, testing::Values(
    ForthCase{"DupDropSwapOver", "1 2 dup .s drop .s swap .s over .s",
              "<3> 1 2 2 <2> 1 2 <2> 2 1 <3> 2 1 2 "},
    ForthCase{"RotMinusRot", "1 2 3 rot .s -rot .s",
              "<3> 2 3 1 <3> 1 2 3 "},
    ForthCase{"NipTuckPick", "1 2 3 nip .s tuck .s 2 pick .s",
              "<2> 1 3 <3> 3 1 3 <4> 3 1 3 3 "},
    ForthCase{"Roll", "1 2 3 4 3 roll .s 1 roll .s",
              "<4> 2 3 4 1 <4> 2 3 1 4 "},
    ForthCase{"QuestionDup", "0 ?dup .s 5 ?dup .s",
              "<1> 0 <3> 0 5 5 "},
    ForthCase{"Depth", "depth . 1 2 depth .",
              "0 2 "},
    ForthCase{"TwoWords", "1 2 3 4 2swap .s 2over .s 2drop 2dup .s",
              "<4> 3 4 1 2 <6> 3 4 1 2 3 4 <6> 3 4 1 2 1 2 "},
    ForthCase{"ReturnStack", ": t 1 2 >r >r r@ . r> r> . . ; t",
              "1 2 1 "},
    ForthCase{"TwoReturnStack", ": t 1 2 2>r 2r@ .s 2drop 2r> .s ; t",
              "<2> 1 2 <2> 1 2 "}), caseName);

INSTANTIATE_TEST_SUITE_P(ControlStructures, ForthWordTest, testing::Values(
    ForthCase{"IfElseThen", ": t if 1 else 2 then . ; -1 t 0 t",
              "1 2 "},
    ForthCase{"NestedIf", ": t dup 0< if drop -1 else 0> if 1 else 0 then then . ; -5 t 0 t "
              "5 t",
              "-1 0 1 "},
    ForthCase{"BeginUntil", ": t begin dup . 1- dup 0= until drop ; 3 t",
              "3 2 1 "},
    ForthCase{"BeginWhileRepeat", ": t begin dup while dup . 1- repeat drop ; 3 t 0 t",
              "3 2 1 "},
    ForthCase{"DoLoop", ": t 5 0 do i . loop ; t",
              "0 1 2 3 4 "},
    ForthCase{"PlusLoopDown", ": t 0 10 do i . -3 +loop ; t",
              "10 7 4 1 "},
    ForthCase{"PlusLoopUp", ": t 10 0 do i . 4 +loop ; t",
              "0 4 8 "},
    ForthCase{"QuestionDoSkips", ": t 0 ?do i . loop ; 3 t 0 t",
              "0 1 2 "},
    ForthCase{"NestedLoopsJ", ": t 3 1 do 3 1 do i j * . loop loop ; t",
              "1 2 2 4 "},
    ForthCase{"Leave", ": t 10 0 do i 3 = if leave then i . loop .\" done\" ; t",
              "0 1 2 done"},
    // Own choice: EXIT drops the loop frames of its definition.
    ForthCase{"ExitInsideLoop", ": t 10 0 do i 2 = if exit then i . loop ; t 7 .",
              "0 1 7 "},
    ForthCase{"Case", ": t case 1 of .\" one \" endof 2 of .\" two \" endof .\" other \" "
              "endcase ; 1 t 2 t 9 t",
              "one two other "},
    ForthCase{"Recursion", ": fact dup 1 > if dup 1- recurse * then ; 10 fact .",
              "3628800 "},
    // Own choice: AHEAD is not immediate.
    ForthCase{"Ahead", ": t [ ahead ] 1 . [ then ] 2 . ; t",
              "2 "},
    ForthCase{"BracketIf", "-1 [if] 1 . [else] 2 . [then] 0 [if] 3 . [else] 4 . [then]",
              "1 4 "}), caseName);

INSTANTIATE_TEST_SUITE_P(DefiningWords, ForthWordTest, testing::Values(
    ForthCase{"Constant", "42 constant answer answer . answer 1+ .",
              "42 43 "},
    ForthCase{"Variable", "variable v 5 v ! v @ . 3 v +! v @ .",
              "5 8 "},
    ForthCase{"Value", "7 value x x . 9 to x x . : t 11 to x ; t x .",
              "7 9 11 "},
    ForthCase{"CreateAllot", "create buf 3 cells allot 5 buf ! 6 buf cell+ ! buf @ buf cell+ @ "
              "+ .",
              "11 "},
    ForthCase{"Noname", ":noname 2 * ; 21 swap execute .",
              "42 "},
    ForthCase{"Immediate", ": now 42 . ; immediate : t now ; t",
              "42 "},
    ForthCase{"Postpone", ": my-if postpone if ; immediate : t my-if 1 . then ; -1 t 0 t",
              "1 "},
    ForthCase{"Literal", ": t [ 6 7 * ] literal . ; t",
              "42 "},
    ForthCase{"Tick", ": sq dup * ; 5 ' sq execute . : t ['] sq ; 6 t execute .",
              "25 36 "},
    ForthCase{"CompileComma", ": sq dup * ; : t [ ' sq compile, ] ; 7 t .",
              "49 "},
    ForthCase{"StateVariable", "state @ . : t state @ ; : u [ state @ ] literal ; t . u .",
              "0 0 0 "}), caseName);

INSTANTIATE_TEST_SUITE_P(Does, ForthWordTest, testing::Values(
    ForthCase{"Counter", ": counter create , does> dup @ swap 1 swap +! ; 5 counter c c . c "
              ". c .",
              "5 6 7 "},
    ForthCase{"ConstantLike", ": konst create , does> @ ; 5 konst five five .",
              "5 "},
    ForthCase{"Array", ": array create cells allot does> swap cells + ; 3 array a 10 0 a "
              "! 20 2 a ! 0 a @ 2 a @ + .",
              "30 "},
    ForthCase{"ToBody", ": konst create , does> @ ; 5 konst five ' five >body @ .",
              "5 "}), caseName);

INSTANTIATE_TEST_SUITE_P(Strings, ForthWordTest, testing::Values(
    ForthCase{"TypeCount", "s\" hello\" type s\" abc\" nip .",
              "hello3 "},
    ForthCase{"DotQuoteAndParen", ": t .\" hi \" ; t .( now) ",
              "hi now"},
    ForthCase{"Char", "char A . char xyz . : t [char] B ; t .",
              "65 120 66 "},
    ForthCase{"CountedWord", "32 word hello count type",
              "hello"},
    ForthCase{"Move", "create a 3 cells allot create b 3 cells allot 1 a ! 2 a cell+ ! 3 "
              "a 2 cells + ! a b 3 cells move b @ b cell+ @ b 2 cells + @ . . .",
              "3 2 1 "},
    ForthCase{"ToNumber", "0 0 s\" 123x\" >number nip . drop .",
              "1 123 "},
    ForthCase{"Emit", "65 emit 66 emit space 67 emit cr 2 spaces 68 emit",
              "AB C\n  D"},
    ForthCase{"DotR", "42 5 .r 7 1 .r",
              "   427"},
    ForthCase{"Evaluate", "s\" 2 3 +\" evaluate .",
              "5 "}), caseName);

INSTANTIATE_TEST_SUITE_P(CatchThrow, ForthWordTest, testing::Values(
    ForthCase{"CatchZero", ": t 1 2 ; ' t catch . . .",
              "0 2 1 "},
    ForthCase{"CatchCode", ": t 1 2 77 throw ; 9 ' t catch . .",
              "77 9 "},
    ForthCase{"CatchSystemError", ": t 1 0 / ; ' t catch .",
              "-10 "},
    ForthCase{"CatchUndefined", "s\" nothing-here\" ' evaluate catch .",
              "-13 "},
    ForthCase{"NestedCatch", ": inner 5 throw ; : outer ['] inner catch 10 + throw ; ' outer "
              "catch .",
              "15 "},
    ForthCase{"ThrowZero", "0 throw 1 .",
              "1 "}), caseName);

INSTANTIATE_TEST_SUITE_P(Locals, ForthWordTest, testing::Values(
    ForthCase{"LocalsBar", ": t locals| a b | a . b . ; 1 2 t",
              "2 1 "},
    ForthCase{"LocalsWithTo", ": t locals| a | a 1+ to a a . ; 5 t",
              "6 "},
    ForthCase{"LocalsInLoop", ": t locals| n | 0 n 0 do i + loop ; 5 t .",
              "10 "},
    ForthCase{"LocalsRecursion", ": t locals| n | n 0> if n 1- recurse n + else 0 then ; 4 t .",
              "10 "}), caseName);

} // namespace
