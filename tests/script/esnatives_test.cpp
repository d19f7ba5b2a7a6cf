// The native objects through scripts: one table per object of (source, value), the
// errors they raise with their exact texts, and the places where this dialect differs
// from today's JavaScript. Local times run in fixed zones set through TZ.

#include "scriptharness.h"

#include "script/esatom.h"
#include "script/esnativeerror.h"
#include "script/esnatives.h"
#include "script/esobject.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QTemporaryDir>

#include <cstdlib>
#include <ctime>

namespace {

struct Evaluation
{
    const char *name;
    const char *source;
    const char *value;  // to-string of the completion value
};

// The zone of local times: five hours west of UTC, no daylight saving time.
class ESNativesTest : public testing::TestWithParam<Evaluation>
{
protected:
    static void SetUpTestSuite()
    {
        qputenv("TZ", "XST5");
        tzset();
    }
};

TEST_P(ESNativesTest, Evaluates)
{
    const ScriptRun run = runScript(QString::fromUtf8(GetParam().source));
    EXPECT_EQ(run.kind, ESCompletion::Normal) << qPrintable(run.errorClass + ": " + run.message);
    EXPECT_EQ(run.value, QString::fromUtf8(GetParam().value));
}

const auto rowName = [](const auto &info) { return std::string(info.param.name); };

INSTANTIATE_TEST_SUITE_P(Global, ESNativesTest, testing::Values(
    Evaluation{"ParseIntWholeWordOnly", "parseInt('12abc') + ',' + parseInt('  42  ') + ','"
                                        " + parseInt('7 8') + ',' + parseInt('')", "NaN,42,7,NaN"},
    Evaluation{"ParseIntBases", "parseInt('010') + ',' + parseInt('08') + ',' + parseInt('0x1F')"
                                " + ',' + parseInt('ff', 16) + ',' + parseInt('010', 10)"
                                " + ',' + parseInt('z', 36) + ',' + parseInt('1', 37)",
               "8,NaN,31,255,10,35,NaN"},
    Evaluation{"ParseIntStaysIn32Bits", "parseInt('2147483647') + ',' + parseInt('2147483648')"
                                        " + ',' + parseInt('-5')", "2147483647,NaN,-5"},
    Evaluation{"ParseFloatIsSinglePrecision",
               "var f = parseFloat('3.14 and more'); (f == 3.14) + ',' + (f - 3.14 < 1e-6) + ','"
               " + f + ',' + parseFloat('x') + ',' + parseFloat('1e3')", "false,true,3.14,NaN,1000"},
    Evaluation{"NumberTests", "isNaN('x') + ',' + isNaN('12') + ',' + isFinite('12') + ','"
                              " + isFinite(1 / 0) + ',' + isFinite(NaN)",
               "true,false,true,false,false"},
    Evaluation{"Constants", "NaN + ',' + Infinity + ',' + typeof undefined + ','"
                            " + (undefined = 5, typeof undefined)",
               "NaN,Infinity,undefined,undefined"},
    Evaluation{"EvalInTheCallersScope",
               "function f(a) { return eval('a * 2'); } f(21) + ',' + eval('var g = 3; g + 1')"
               " + ',' + g", "42,4,3"},
    Evaluation{"EvalErrorsYieldUndefined",
               "typeof eval('x.y.z') + ',' + typeof eval('1 +') + ',' + eval(5) + ','"
               " + typeof eval()", "undefined,undefined,5,undefined"},
    Evaluation{"LoadOfAMissingFile", "load('no such file here.js')", "false"},
    Evaluation{"BuiltinsAreNotEnumerable",
               "var s = ''; for (var k in this) if (k == 'parseInt' || k == 'Math') s += k;"
               " for (var k in [7, 8]) s += k; for (var k in 'ab') s += k; s", "01"}),
    rowName);

INSTANTIATE_TEST_SUITE_P(Object, ESNativesTest, testing::Values(
    Evaluation{"ToStringNamesTheClass",
               "var o = {t: Object.prototype.toString}; ({}) + ',' + o.t() + ',' + [1].t"
               " + ',' + Object.prototype.toString.length + ',' + new Error('x') + ',' + Math",
               "[object Object],[object Object],undefined,0,[object Error],[object Math]"},
    Evaluation{"ConstructorWrapsPrimitives",
               "var o = {}; (Object(o) == o) + ',' + typeof Object(5) + ',' + Object('ab').length"
               " + ',' + (new Object(true) == true) + ',' + typeof Object(null) + ','"
               " + typeof new Object()", "true,object,2,true,object,object"},
    Evaluation{"OwnAndInherited",
               "var p = {a: 1}; function F() { this.b = 2; } F.prototype = p; var o = new F();"
               " o.hasOwnProperty('b') + ',' + o.hasOwnProperty('a') + ',' + p.isPrototypeOf(o)"
               " + ',' + o.isPrototypeOf(p) + ',' + Object.prototype.isPrototypeOf(o)",
               "true,false,true,false,true"},
    Evaluation{"PropertyIsEnumerable",
               "var a = [1]; a.propertyIsEnumerable(0) + ',' + a.propertyIsEnumerable('length')"
               " + ',' + ({x: 1}).propertyIsEnumerable('x') + ','"
               " + ({}).propertyIsEnumerable('toString')", "true,false,true,false"},
    Evaluation{"ValueOfAndLocaleString",
               "var o = {toString: function() { return 'me'; }}; (o.valueOf() == o) + ','"
               " + o.toLocaleString()", "true,me"},
    Evaluation{"ConstructorsLinkTheirPrototypes",
               "(Object.prototype.constructor == Object) + ',' + (Array.prototype.constructor"
               " == Array) + ',' + ([].constructor == Array) + ',' + ('x'.constructor == String)"
               " + ',' + Date.length + ',' + typeof Array.prototype", "true,true,true,true,1,object"}),
    rowName);

// Objects past a couple of dozen properties are looked up through a hash of their keys;
// strings grown piece by piece share storage. Neither may show.
INSTANTIATE_TEST_SUITE_P(LargeObjectsAndStrings, ESNativesTest, testing::Values(
    Evaluation{"DeleteAndAddBackInALargeObject",
               "var o = {}; for (var i = 0; i < 100; i++) o['k' + i] = i;"
               " delete o.k5; delete o.k50; o.k5 = 'again'; var keys = '';"
               " for (var k in o) if (k == 'k4' || k == 'k5' || k == 'k6' || k == 'k50' || k == 'k99')"
               " keys += k + ' '; keys + o.k5 + ',' + o.k50 + ',' + o.hasOwnProperty('k50') + ','"
               " + o.k99", "k4 k6 k99 k5 again,undefined,false,99"},
    Evaluation{"ManyGlobals",
               "for (var i = 0; i < 300; i++) eval('var g' + i + ' = ' + i); g0 + g150 + g299", "449"},
    Evaluation{"BranchingConcatenations",
               "var base = 'ab'; var x = base + 'c'; var y = base + 'd'; var z = x + 'e';"
               " var o = {}; o[base + 'c'] = 1; base + ',' + x + ',' + y + ',' + z + ',' + o.abc"
               " + ',' + (x + 'e' == z) + ',' + ('abc' == x)", "ab,abc,abd,abce,1,true,true"},
    Evaluation{"ConcatenationOfOtherTypes",
               "var s = 'a'; s = s + 1 + 2; var t = 1 + 2 + 'a'; var u = s + ''; s + ',' + t + ','"
               " + (u == s) + ',' + ('x' + null + true + undefined)", "a12,3a,true,xnulltrueundefined"},
    Evaluation{"SelfConcatenation",
               "var s = 'ab'; s = s + s; s = s + s; s + ',' + s.length", "abababab,8"}),
    rowName);

INSTANTIATE_TEST_SUITE_P(Function, ESNativesTest, testing::Values(
    Evaluation{"ConstructorCompilesTheBody",
               "var add = new Function('a', 'b', 'return a + b'); var f = Function('return 7');"
               " add(2, 3) + ',' + f() + ',' + add.length + ',' + typeof Function()()", "5,7,2,undefined"},
    Evaluation{"ParametersMayShareOneText",
               "Function('a, b', 'c', 'return a + b + c')(1, 2, 3)", "6"},
    Evaluation{"BodySeesOnlyGlobals",
               "var v = 'global'; function f() { var v = 'local'; return Function('return v')(); } f()",
               "global"},
    Evaluation{"ToStringIsTheSameForAll",
               "(function f() { return 1; }).toString() + Math.max.toString()",
               "<<function>><<function>>"}),
    rowName);

INSTANTIATE_TEST_SUITE_P(Array, ESNativesTest, testing::Values(
    Evaluation{"Constructor", "new Array(3).length + ',' + new Array().length + ','"
                              " + new Array(1, 2).length + ',' + Array('x') + ',' + Array(2, 'y')"
                              " + ',' + new Array(0).length", "3,0,2,x,2,y,0"},
    Evaluation{"LengthRules",
               "var a = []; a[5] = 1; var l1 = a.length; a[2] = 1; var l2 = a.length;"
               " a.length = '2'; var t = typeof a.length; a.x = 1;"
               " l1 + ',' + l2 + ',' + a.length + ',' + t + ',' + a[5] + ',' + a.length", "6,6,2,number,1,2"},
    Evaluation{"NonCanonicalKeysAreNotElements",
               "var a = []; a['01'] = 1; a['-1'] = 1; a['1.5'] = 1; a['4294967295'] = 1; a.length",
               "0"},
    Evaluation{"JoinAndToString",
               "[1, null, undefined, 'x'].join('-') + '|' + [1, 2].join() + '|' + [[1, 2], 3]"
               " + '|' + [].join() + '|' + [1, 2].toLocaleString()", "1---x|1,2|1,2,3||1,2"},
    Evaluation{"ConcatFlattensOneLevel",
               "var a = [1, 2].concat([3, [4, 5]], 6); a.length + ':' + a + ':' + a[3].length",
               "5:1,2,3,4,5,6:2"},
    Evaluation{"PopAndPush",
               "var a = [1, 2, 3]; var p = a.pop(); var n = a.push(7, 8); var e = [].pop();"
               " p + ',' + n + ',' + a + ',' + typeof e + ',' + a.push()", "3,4,1,2,7,8,undefined,4"},
    Evaluation{"ShiftAndReverse",
               "var a = [1, 2, 3]; var s = a.shift(); var r = [1, 2, 3, 4].reverse();"
               " s + ',' + a + ',' + a.length + '|' + r + '|' + (r.reverse() == r)", "1,2,3,2|4,3,2,1|true"},
    Evaluation{"ReverseKeepsHoles", "var a = [1]; a[2] = 3; a.length = 4; a.reverse(); a.length + ':' + a"
                                    " + ':' + a.hasOwnProperty(0) + a.hasOwnProperty(1)",
               "4:,3,,1:falsetrue"},
    Evaluation{"Slice", "var a = [1, 2, 3, 4]; a.slice(1) + '|' + a.slice(-2, -1) + '|'"
                        " + a.slice(2, 1).length + '|' + a.slice() + '|' + a.slice(1, 99)",
               "2,3,4|3|0|1,2,3,4|2,3,4"},
    Evaluation{"SortByTextWithoutAComparator",
               "[10, 9, 1, 100, 'b', 'a'].sort() + '|' + ['b', undefined, 'a'].sort()",
               "1,10,100,9,a,b|a,b,"},
    Evaluation{"SortWithAComparator",
               "var a = [10, 9, 1, 100]; (a.sort(function(x, y) { return x - y; }) == a) + ':' + a"
               " + ':' + a.sort(function(x, y) { return y - x; })", "true:1,9,10,100:100,10,9,1"},
    // Insertion order of a three-element sort (gap 1): the comparator sees
    // (moved, below) pairs exactly.
    Evaluation{"SortComparatorSequence",
               "var log = ''; [3, 1, 2].sort(function(a, b) { log += a + '' + b + ' '; return a - b; });"
               " log", "13 23 21 "},
    // Seven elements: gaps 2 then 1.
    Evaluation{"SortGapsForSeven",
               "var n = 0; var a = [6, 5, 4, 3, 2, 1, 0]; a.sort(function(x, y) { n++; return x - y; });"
               " n + ':' + a", "15:0,1,2,3,4,5,6"},
    // A hundred numbers: gaps 20, 7, 2 and 1; the count comes from an independent
    // reading of the algorithm.
    Evaluation{"SortGapsForAHundred",
               "var a = [], seed = 7, n = 0; for (var i = 0; i < 100; i++) {"
               " seed = (seed * 69069 + 1) % 4294967296; a[i] = seed % 1000; }"
               " a.sort(function(x, y) { n++; return x - y; }); n + ':' + a.slice(0, 5)",
               "854:32,34,53,54,54"},
    Evaluation{"SortOfShortArrays", "[].sort() + '|' + [5].sort() + '|' + [2, 1].sort()", "|5|1,2"},
    Evaluation{"LargeArrays",
               "var a = []; for (var i = 0; i < 5000; i++) a.push(5000 - i); a.sort(function(x, y)"
               " { return x - y; }); a.length + ',' + a[0] + ',' + a[4999] + ',' + a.join('').length",
               "5000,1,5000,18893"}),
    rowName);

INSTANTIATE_TEST_SUITE_P(String, ESNativesTest, testing::Values(
    Evaluation{"ConstructorAndLength",
               "String(5) + String() + ',' + new String('abc').length + ',' + typeof new String('x')"
               " + ',' + 'abc'.length + ',' + String.fromCharCode(72, 105, 65536 + 33)",
               "5,3,object,3,Hi!"},
    Evaluation{"Characters",
               "'abc'.charAt(1) + 'abc'.charAt(5) + ',' + 'abc'.charCodeAt(1) + ','"
               " + 'abc'.charCodeAt(-1)", "b,98,NaN"},
    Evaluation{"Searches",
               "'abcabc'.indexOf('c') + ',' + 'abcabc'.indexOf('c', 3) + ',' + 'abc'.indexOf('C')"
               " + ',' + 'abcabc'.lastIndexOf('b') + ',' + 'abcabc'.lastIndexOf('b', 3) + ','"
               " + 'a.b'.search('.') + ',' + 'abc'.indexOf('', 9)", "2,5,-1,4,1,1,3"},
    Evaluation{"ReplaceIsPlainTextEveryOccurrence",
               "'aXbX'.replace('X', '-') + ',' + 'a.b.c'.replace('.', '') + ',' + 'aa'.replace('A', 'b')",
               "a-b-,abc,aa"},
    Evaluation{"MatchIsAlwaysUndefined", "typeof 'x'.match('x') + typeof 'abc'.match()",
               "undefinedundefined"},
    Evaluation{"SplitKeepsEmptyPieces",
               "var p = 'a,,b'.split(','); p.length + ':' + p + ':' + 'a,b'.split(',')[1] + ':'"
               " + 'abc'.split('').length + ':' + 'abc'.split().length + ':' + 'a,b,c'.split(',', 2)",
               "3:a,,b:b:3:1:a,b"},
    Evaluation{"SliceAndSubstring",
               "'abcdef'.slice(1, 3) + ',' + 'abcdef'.slice(-2) + ',' + 'abcdef'.substring(4, 1)"
               " + ',' + 'abcdef'.substring(-3, 2) + ',' + 'abc'.slice(2, 1)", "bc,ef,bcd,ab,"},
    Evaluation{"CaseAndConcat",
               "'aBc'.toUpperCase() + 'aBc'.toLowerCase() + 'x'.toLocaleUpperCase() + 'a'.concat(1, 'b')",
               "ABCabcXa1b"},
    Evaluation{"TrimSimplifiesInnerBlanks", "'[' + '  a  b \\t'.trim() + ']'", "[a b]"},
    Evaluation{"LocaleCompareSign", "('a'.localeCompare('b') < 0) + ',' + 'a'.localeCompare('a')",
               "true,0"},
    Evaluation{"ValueOfAndToString", "new String('w').valueOf() + 'v'.toString()", "wv"},
    Evaluation{"ConcatenationGrowsLinearly",
               "var s = ''; for (var i = 0; i < 20000; i++) s = s + 'x'; var t = s + 'y';"
               " var u = s + 'z'; s.length + ',' + t.charAt(20000) + u.charAt(20000)"
               " + ',' + (s + 'y' == t)", "20000,yz,true"}),
    rowName);

INSTANTIATE_TEST_SUITE_P(BooleanAndNumber, ESNativesTest, testing::Values(
    Evaluation{"Boolean", "Boolean('') + ',' + new Boolean(0) + ',' + true.toString() + ','"
                          " + typeof new Boolean(1).valueOf() + ',' + Boolean.prototype.valueOf.length",
               "false,false,true,boolean,0"},
    Evaluation{"NumberConversions",
               "Number() + ',' + Number('12') + ',' + Number(undefined) + ',' + new Number(3)"
               " + ',' + typeof new Number(3) + ',' + new Number().valueOf()", "0,12,NaN,3,object,0"},
    Evaluation{"Constants",
               "(Number.MAX_VALUE > 1e308) + ',' + (Number.MIN_VALUE > 0) + ','"
               " + Number.NEGATIVE_INFINITY + ',' + Number.POSITIVE_INFINITY", "true,true,-Infinity,Infinity"},
    Evaluation{"ToStringSixDigitsAndRadix",
               "(0.1 + 0.2).toString() + ',' + (255).toString(16) + ',' + (255).toString(2) + ','"
               " + (1/3).toString(16) + ',' + (10).toString(0)", "0.3,ff,11111111,0.333333,10"},
    Evaluation{"ToFixedFormats",
               "(1.005).toFixed(2) + ',' + (2.5).toFixed() + ',' + (1e21).toFixed(1) + ','"
               " + (-1.5).toFixed(0) + ',' + (0).toFixed(20)",
               "1.00,2,1000000000000000000000.0,-2,0.00000000000000000000"}),
    rowName);

INSTANTIATE_TEST_SUITE_P(Math, ESNativesTest, testing::Values(
    Evaluation{"MaxAndMinTruncate",
               "Math.max(1.5, 1.2) + ',' + Math.max(1.9) + ',' + Math.min(-1.9, 3) + ','"
               " + Math.max() + ',' + Math.min() + ',' + Math.max('7', 2)",
               "1,1,-1,-Infinity,Infinity,7"},
    Evaluation{"Round",
               "Math.round(2.5) + ',' + Math.round(-2.5) + ',' + 1 / Math.round(-0.5) + ','"
               " + 1 / Math.round(-0.2) + ',' + 1 / Math.round(-0) + ',' + Math.round(0.49)"
               " + ',' + Math.round(4503599627370497)",
               "3,-2,-Infinity,-Infinity,-Infinity,0,4503599627370497"},
    Evaluation{"Functions",
               "Math.abs(-2) + ',' + Math.floor(-1.5) + ',' + Math.ceil(1.2) + ',' + Math.pow(2, 10)"
               " + ',' + Math.sqrt(-1) + ',' + Math.sqrt(9) + ',' + Math.atan2(0, -1).toFixed(4)"
               " + ',' + Math.exp(0) + ',' + Math.log(1)", "2,-2,2,1024,NaN,3,3.1416,1,0"},
    Evaluation{"Constants", "Math.SQRT2.toFixed(6) + ',' + Math.LN10.toFixed(6) + ','"
                            " + Math.LOG2E.toFixed(6) + ',' + Math.PI.toFixed(6) + ','"
                            " + (Math.PI = 3, Math.PI.toFixed(2))",
               "1.414214,2.302585,1.442695,3.141593,3.14"},
    Evaluation{"RandomInUnitInterval",
               "var ok = true; for (var i = 0; i < 1000; i++) { var r = Math.random();"
               " if (r < 0 || r >= 1) ok = false; } ok", "true"}),
    rowName);

INSTANTIATE_TEST_SUITE_P(Date, ESNativesTest, testing::Values(
    Evaluation{"EpochInUtcAndLocal",
               "var d = new Date(0); d.getTime() + '|' + d.toUTCString() + '|' + d.toString() + '|'"
               " + d.toDateString() + '|' + d.toTimeString() + '|' + d.getTimezoneOffset()",
               "0|Thu Jan 1 00:00:00 1970 GMT|Wed Dec 31 19:00:00 1969|Wed Dec 31 1969|19:00:00|300"},
    Evaluation{"Getters",
               "var d = new Date(1709209800123); [d.getUTCFullYear(), d.getUTCMonth(), d.getUTCDate(),"
               " d.getUTCDay(), d.getUTCHours(), d.getUTCMinutes(), d.getUTCSeconds(),"
               " d.getUTCMilliseconds(), d.getHours(), d.getDate(), d.getDay()].join(' ')",
               "2024 1 29 4 12 30 0 123 7 29 4"},
    Evaluation{"FieldsAreLocalTime",
               "var d = new Date(2024, 1, 29, 7, 30); d.getTime() + ',' + new Date(99, 0).getFullYear()"
               " + ',' + new Date(2020, 13, 1).getMonth()", "1709209800000,1999,1"},
    Evaluation{"SettersCarryOver",
               "var d = new Date(2024, 0, 31); d.setMonth(1); var a = d.getMonth() + '/' + d.getDate();"
               " d.setDate(0); var b = d.getMonth() + '/' + d.getDate(); d.setHours(25, 61);"
               " a + ' ' + b + ' ' + d.getDate() + ' ' + d.getHours() + ':' + d.getMinutes()",
               "2/2 1/29 1 2:1"},
    Evaluation{"UtcSetters",
               "var d = new Date(0); d.setUTCFullYear(2000, 11, 31); var t = d.setUTCHours(24);"
               " d.setUTCMinutes(1, 2, 3); t + ',' + d.toUTCString() + ',' + d.getUTCMilliseconds()",
               "978307200000,Mon Jan 1 00:01:02 2001 GMT,3"},
    Evaluation{"InvalidDates",
               "var d = new Date('no date'); d.getTime() + ',' + d + ',' + d.getFullYear() + ','"
               " + d.setHours(1) + ',' + new Date(8.64e15 + 1).getTime() + ','"
               " + new Date(8.64e15).getUTCFullYear() + ',' + d.setFullYear(1970, 0, 1)",
               "NaN,Invalid Date,NaN,NaN,NaN,275760,18000000"},
    Evaluation{"TextsAndIsoDates",
               "new Date('2020-05-06T07:08:09Z').getTime() + ',' + new Date('Thu Jan 1 00:00:00 1970"
               " GMT').getTime()", "1588748889000,0"},
    Evaluation{"NowIsLocalWallClockReadAsUtc",
               "var d = new Date(); var l = new Date(); l.setTime(d.getTime());"
               " var drift = d.getTime() - (l.getTime() + 0); typeof Date() + (d.getTime() > 1.7e12)"
               " + drift", "stringtrue0"},
    Evaluation{"DatesConvertThroughToString", "('' + new Date(0)).length > 10", "true"}),
    rowName);

struct Failure
{
    const char *name;
    const char *source;
    const char *errorClass;
    const char *message;
};

class ESNativeErrorTest : public testing::TestWithParam<Failure> {};

TEST_P(ESNativeErrorTest, RaisesItsExactText)
{
    const ScriptRun run = runScript(QString::fromUtf8(GetParam().source));
    ASSERT_EQ(run.kind, ESCompletion::Throw) << qPrintable(run.value);
    EXPECT_EQ(run.errorClass, QString::fromUtf8(GetParam().errorClass));
    EXPECT_EQ(run.message, QString::fromUtf8(GetParam().message));
    EXPECT_EQ(run.lineNumber, 1);
}

INSTANTIATE_TEST_SUITE_P(Texts, ESNativeErrorTest, testing::Values(
    Failure{"ArrayToStringOnNonArray", "var o = {t: Array.prototype.toString}; o.t()",
            "TypeError", "Array.prototype.toString requires an array"},
    Failure{"SortArgumentNotAFunction", "[2, 1].sort(5)", "TypeError",
            "Array.prototype.sort argument is not a function"},
    Failure{"NegativeArrayLength", "new Array(-1)", "RangeError", "bad length in array constructor"},
    Failure{"FractionalArrayLength", "Array(1.5)", "RangeError", "bad length in array constructor"},
    Failure{"StringToString", "var o = {t: String.prototype.toString}; o.t()", "TypeError",
            "String.prototype.toString called on non-String object"},
    Failure{"StringValueOf", "var o = {t: String.prototype.valueOf}; o.t()", "TypeError",
            "String.prototype.valueOf called on non-String object"},
    Failure{"BooleanToString", "var o = {t: Boolean.prototype.toString}; o.t()", "TypeError",
            "Boolean.prototype.toString called on non-Boolean object"},
    Failure{"BooleanValueOfSharesTheText", "var o = {t: Boolean.prototype.valueOf}; o.t()",
            "TypeError", "Boolean.prototype.toString called on non-Boolean object"},
    Failure{"NumberValueOf", "var o = {t: Number.prototype.valueOf}; o.t()", "TypeError",
            "Number.prototype.valueOf called on non-Number object"},
    Failure{"ToFixedAbove20", "(5).toFixed(21)", "RangeError", "fraction digits should 0 through 20"},
    Failure{"ToFixedNegative", "(5).toFixed(-1)", "RangeError", "fraction digits should 0 through 20"},
    Failure{"ToStringRadix", "(5).toString(37)", "RangeError", "radix should be 2 through 36"},
    Failure{"DateMethodOnNonDate", "var o = {t: Date.prototype.getTime}; o.t()", "TypeError",
            "Date object required"},
    Failure{"MethodsAreNotConstructors", "new Array.prototype.join()", "TypeError",
            "new must be given a constructor object"},
    Failure{"MathIsNotAConstructor", "new Math()", "TypeError",
            "new must be given a constructor object"},
    Failure{"FunctionBodySyntaxError", "Function('return 1 +* 2')", "SyntaxError",
            "expected an expression, found *"}),
    rowName);

// Built-ins with an index outside their class's table.
TEST(ESNativeSignatureTest, UnknownIndexIsABadSignature)
{
    ScriptHarness harness;
    ESContext *cx = harness.context();
    ESClass *const classes[] = {cx->globalClass(), cx->objectClass(), cx->functionClass(),
                                cx->arrayClass(), cx->stringClass(), cx->booleanClass(),
                                cx->numberClass(), cx->mathClass(), cx->dateClass(),
                                cx->errorClass()};
    for (ESClass *esClass : classes) {
        SCOPED_TRACE(esClass->name());
        cx->defineBuiltin(cx->global(), esClass, {"odd", "odd", 0, 1, 99});
        ScriptRun run = harness.run("odd()");
        EXPECT_EQ(run.errorClass, "Error");
        EXPECT_EQ(run.message, "bad signature in builtin call");
        run = harness.run("new odd()");
        EXPECT_EQ(run.errorClass, "Error");
        EXPECT_TRUE(run.message == "bad signature in builtin construct"
                    || run.message == "odd failed to generate an object")
            << qPrintable(run.message);
    }
}

// load(): the path as given, then each load-path directory; the text up to the first
// zero byte runs at the top level under the name it opened with, and its error is the
// caller's.
class ESLoadTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        write("lib.js", QByteArray("var loaded = 'lib';\nfunction twice(x) { return 2 * x; }\0junk(", 62));
        write("bad.js", "var fine = 1;\nnull.x;\n");
        QDir(m_dir.path()).mkdir("sub.js");
        m_saved = ESNativeGlobal::loadPath();
        ESNativeGlobal::loadPath() = QStringList{m_dir.path() + "/none", m_dir.path()};
    }
    void TearDown() override { ESNativeGlobal::loadPath() = m_saved; }
    void write(const QString &name, const QByteArray &bytes)
    {
        QFile file(m_dir.filePath(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QTemporaryDir m_dir;
    QStringList m_saved;
};

TEST_F(ESLoadTest, SearchesTheLoadPath)
{
    ScriptHarness harness;
    EXPECT_EQ(harness.run("function f() { var loaded = 'local'; return load('lib.js') + loaded; }"
                          " f() + ',' + loaded + ',' + twice(21)").value,
              "truelocal,lib,42");
    EXPECT_EQ(harness.run("load('" + m_dir.filePath("lib.js") + "')").value, "true");
    EXPECT_EQ(harness.run("load('sub.js')").value, "false");  // a directory
}

TEST_F(ESLoadTest, ErrorInsideIsTheCallers)
{
    ScriptHarness harness;
    const ScriptRun run = harness.run("var before = 1;\nload('bad.js');\n", "main.js");
    ASSERT_EQ(run.kind, ESCompletion::Throw);
    EXPECT_EQ(run.message, "can't convert null to an object");
    EXPECT_EQ(run.fileName, m_dir.path() + "/bad.js");
    EXPECT_EQ(run.lineNumber, 2);
    EXPECT_EQ(harness.run("fine + before").value, "2");
}

} // namespace

namespace {

// A context that lets twenty instructions (or native loop checks) run, then asks to stop.
class StoppingContext : public ESContext
{
public:
    bool keepRunning() override { return --m_left > 0; }

private:
    int m_left = 20;
};

// Loops over four billion array elements end when the context asks to stop.
TEST(ESNativeStopTest, LongArrayLoopsHonourAStopRequest)
{
    auto cx = std::make_unique<StoppingContext>();
    cx->setUp();
    ScriptHarness harness(std::move(cx));
    const ScriptRun run = harness.run("var a = new Array(4294967295); a.sort(); a.reverse();"
                                      " a.join(); a.slice(0); a.concat(a); a.shift(); 'not reached'");
    EXPECT_EQ(run.kind, ESCompletion::Normal);
    EXPECT_NE(run.value, "not reached");
}

} // namespace
