// The virtual machine, through evaluations: operators, statements, calls, activation
// objects, run-time errors and engine faults.

#include "scriptharness.h"

#include "script/esatom.h"
#include "script/esclass.h"
#include "script/escodeblock.h"
#include "script/esexception.h"
#include "script/esnativeerror.h"
#include "script/esobject.h"
#include "script/esopcode.h"

#include <gtest/gtest.h>

#include <cstdio>

namespace {

struct Evaluation
{
    const char *name;
    const char *source;
    const char *value;  // to-string of the completion value
};

class ESMachineTest : public testing::TestWithParam<Evaluation> {};

TEST_P(ESMachineTest, Evaluates)
{
    const ScriptRun run = runScript(QString::fromUtf8(GetParam().source));
    EXPECT_EQ(run.kind, ESCompletion::Normal) << qPrintable(run.message);
    EXPECT_EQ(run.value, QString::fromUtf8(GetParam().value));
}

const auto rowName = [](const auto &info) { return std::string(info.param.name); };

INSTANTIATE_TEST_SUITE_P(Operators, ESMachineTest, testing::Values(
    Evaluation{"Precedence", "7 - 2 * 3 + 8 / 4 % 3", "3"},
    Evaluation{"Remainder", "(-7 % 3) + ',' + (5.5 % 2)", "-1,1.5"},
    Evaluation{"TextsCompareByText", "('abc' < 'abd') + ',' + ('10' < '9') + ',' + ('10' < 9)",
               "true,true,false"},
    Evaluation{"NaNComparesFalse", "((0/0) < 1) + ',' + ((0/0) >= 1) + ',' + (1 > (0/0))",
               "false,false,false"},
    Evaluation{"RelationalForms", "(3 > 2) + ',' + (3 >= 2) + ',' + (2 >= 3) + ',' + (2 <= 1)",
               "true,true,false,false"},
    Evaluation{"LooseEquality",
               "(null == undefined) + ',' + ('1' == 1) + ',' + (true == 1) + ',' + (0 == '')"
               " + ',' + (null == 0) + ',' + ((0/0) != (0/0))",
               "true,true,true,false,false,true"},  // '' is NaN as a number
    Evaluation{"ObjectEquality",
               "var a = {}, o = {valueOf: function() { return 3; }};"
               " (a == a) + ',' + (a == {}) + ',' + (o == 3) + ',' + ('3' == o)",
               "true,false,true,true"},
    Evaluation{"LogicalNotOfAnyValue", "!0 + ',' + !1 + ',' + !'' + ',' + !'x' + ',' + !null",
               "true,false,true,false,true"},
    Evaluation{"AndOrKeepTheirOperands", "(0 || 'b') + (1 && 'c') + (null && 1) + ('' || 0)",
               "bcnull0"},
    Evaluation{"TypeOf",
               "typeof 1 + typeof 'a' + typeof true + typeof undefined + typeof null"
               " + typeof {} + typeof function() {} + typeof WScript.Echo",
               "numberstringbooleanundefinedobjectobjectfunctionfunction"},
    Evaluation{"VoidAndUnary", "void 1 + ',' + (+'3' + -'2')", "undefined,1"},
    Evaluation{"Increments", "var i = 5; var a = i++; var b = ++i; var c = i--;"
                             " a + ',' + b + ',' + c + ',' + --i", "5,7,7,5"},
    Evaluation{"IncrementConvertsText", "var s = '5', t = '5'; s++; var old = t++;"
                                        " s + 1 + typeof old", "7number"},
    Evaluation{"MemberIncrements", "var o = {v: '1'}; var a = o.v++; var b = ++o.v;"
                                   " var c = o['v']--; a + ',' + b + ',' + c + ',' + o.v",
               "1,3,3,2"},
    Evaluation{"CompoundAssignments",
               "var x = 10; x -= 3; x *= 2; x /= 7; x %= 3; x += 'a'; x", "2a"},
    Evaluation{"CompoundBitOperations",
               "var x = 1; x <<= 4; x >>= 1; x >>>= 1; x |= 1; x &= 7; x ^= 2; x", "7"},
    Evaluation{"MemberCompounds",
               "var o = {n: 6}; o.n += 1; o['n'] *= 2; var k = 'n'; o[k] <<= 1;"
               " var v = (o.n -= 8) + (o.n >>>= 2); o.n + ',' + v", "5,25"},
    Evaluation{"Delete",
               "var o = {a: 1}; var g = 1; (delete o.a) + ',' + typeof o.a + ','"
               " + (delete o['zz']) + ',' + (delete g) + ',' + g",
               "true,undefined,true,false,1"},
    Evaluation{"Comma", "var n = (1, 2, 3); n", "3"},
    Evaluation{"ArrayLengthFollowsStores", "var a = [1]; a[4] = 5; a[2] = 1; var n = a.length;"
                                           " a.length = '2'; n + ',' + typeof a.length"
                                           " + a.length + ',' + a[4]", "5,number2,5"}),
    rowName);

INSTANTIATE_TEST_SUITE_P(Statements, ESMachineTest, testing::Values(
    Evaluation{"IfElse", "var r; if (0) r = 'a'; else if (1) r = 'b'; else r = 'c'; r", "b"},
    Evaluation{"While", "var i = 0, s = 0; while (i < 5) { s += i; i++; } s", "10"},
    Evaluation{"DoWhileRunsOnce", "var n = 0; do n++; while (false); n", "1"},
    Evaluation{"For", "var s = ''; for (var i = 3; i > 0; i--) s += i; s", "321"},
    Evaluation{"ForWithoutParts", "var n = 0; for (;;) { if (++n == 3) break; } n", "3"},
    Evaluation{"Continue", "var s = ''; for (var i = 0; i < 5; i++) { if (i % 2) continue;"
                           " s += i; } s", "024"},
    Evaluation{"LabeledLoops",
               "var s = ''; outer: for (var i = 0; i < 3; i++) { for (var j = 0; j < 3; j++) {"
               " if (j == 1) continue outer; if (i == 2) break outer; s += i + '' + j; } } s",
               "0010"},
    Evaluation{"LabeledBlock", "var r = 1; l: { r = 2; break l; r = 3; } r", "2"},
    Evaluation{"SwitchFallsThrough", "var s = ''; switch (2) { case 1: s += 'a'; case 2: s += 'b';"
                                     " case 3: s += 'c'; break; default: s += 'd'; } s", "bc"},
    Evaluation{"SwitchDefaultInTheMiddle", "var s = ''; switch (9) { case 1: s += 'a';"
                                           " default: s += 'd'; case 2: s += 'b'; } s", "db"},
    Evaluation{"SwitchWithoutMatch", "var s = 'x'; switch (9) { case 1: s = 'a'; } s", "x"},
    Evaluation{"SwitchCasesAreStrict", "var s = ''; switch (1) { case true: s += 'bool';"
                                       " case '1': s += 'text'; case 1: s += 'number'; } s",
               "number"},
    Evaluation{"TwoBreaksOfOneLoop", "var n = 0; while (true) { n++; if (n == 2) break;"
                                     " if (n > 5) break; } n", "2"},
    Evaluation{"SwitchEvaluatesOnce", "var n = 0; function f() { n++; return 3; }"
                                      " switch (f()) { case 1: case 2: case 3: } n", "1"},
    Evaluation{"BreakLeavesOnlyTheSwitch",
               "var s = ''; for (var i = 0; i < 3; i++) { switch (i) { case 1: break;"
               " default: s += i; } } s", "02"},
    Evaluation{"ForInOwnThenInherited", "function P() {} P.prototype.b = 2; var o = new P();"
                                        " o.a = 1; var s = ''; for (var k in o) s += k; s", "ab"},
    Evaluation{"ForInSkipsDeleted", "var o = {a: 1, b: 2, c: 3}; delete o.b; var s = '';"
                                    " for (var k in o) s += k + o[k]; s", "a1c3"},
    Evaluation{"ForInMemberTarget", "var o = {x: 1, y: 2}, t = {}, s = '';"
                                    " for (t.k in o) s += t.k; s", "xy"},
    Evaluation{"ForInNestedWithBreak", "var o = {a: 1, b: 1}, s = ''; for (var i in o) {"
                                       " for (var j in o) { s += i + j; break; } } s", "aaba"},
    Evaluation{"ForInArrayIndices", "var s = ''; for (var i in [7, 8]) s += i; s", "01"},
    Evaluation{"ForInInFunction", "function keys(o) { var s = ''; for (var k in o) {"
                                  " if (k == 'c') return s; s += k; } return s; }"
                                  " keys({a: 1, b: 2, c: 3, d: 4})", "ab"},
    Evaluation{"With", "var o = {x: 1}; var x = 5; with (o) { x = x + 1; y = 2; }"
                       " o.x + ',' + x + ',' + y", "2,5,2"},
    Evaluation{"WithSeesInheritedNames", "function P() {} P.prototype.v = 'inherited';"
                                         " var v = 'global', r; with (new P()) { r = v; } r",
               "inherited"},
    Evaluation{"BreakLeavesWith", "var o = {v: 1}, v = 'global';"
                                  " while (true) { with (o) { break; } } eval('v')", "global"},
    Evaluation{"ReturnLeavesWith", "function f(o) { with (o) { return v; } } var v = 'g';"
                                   " f({v: 'o'}) + v", "og"},
    Evaluation{"CompletionOfLastExpression", "for (var i = 0; i < 3; i++) i * 10", "20"},
    Evaluation{"VarKeepsCompletion", "5; var z = 1;", "5"},
    Evaluation{"DeclarationsAreHoisted", "f(); function f() { return 'hoisted'; }", "hoisted"}),
    rowName);

INSTANTIATE_TEST_SUITE_P(Calls, ESMachineTest, testing::Values(
    Evaluation{"Recursion", "function fib(n) { return n < 2 ? n : fib(n - 1) + fib(n - 2); }"
                            " fib(15)", "610"},
    Evaluation{"DeepRecursion", "function d(n) { return n ? d(n - 1) + 1 : 0; } d(2000)", "2000"},
    Evaluation{"MissingArgumentsAreUndefined", "function f(a, b) { return typeof b; } f(1)",
               "undefined"},
    Evaluation{"ExtraArgumentsIgnored", "function f(a) { return a; } f(1, 2, 3)", "1"},
    Evaluation{"MethodThis", "var o = {n: 4, get: function() { return this.n; }};"
                             " o.get() + o['get']()", "8"},
    Evaluation{"PlainCallThisIsGlobal", "function f() { return this; } f() + ''",
               "[object global]"},
    Evaluation{"CallOfCallResult", "function f() { return function(x) { return x * 2; }; }"
                                   " f()(21)", "42"},
    Evaluation{"ClosureCounters", "function counter() { var n = 0; return function() {"
                                  " return ++n; }; } var c = counter(); c(); c();"
                                  " var d = counter(); c() + ',' + d()", "3,1"},
    Evaluation{"ClosureSeesLaterAssignment", "function f() { var g = function() { return v; };"
                                             " var v = 7; return g(); } f()", "7"},
    Evaluation{"NestedClosures", "function a(x) { return function(y) { return function(z) {"
                                 " return x + y + z; }; }; } a(1)(2)(3)", "6"},
    Evaluation{"InnerFunctionWritesOuterVariable",
               "function f() { var n = 1; function g() { n = n * 10; } g(); g(); return n; } f()",
               "100"},
    Evaluation{"ParametersAreAssignable", "function f(a, b) { a = a * 2; b--; return a + b; }"
                                          " f(4, 1)", "8"},
    Evaluation{"LocalShadowsGlobal", "var x = 'g'; function f() { var x = 'l'; return x; }"
                                     " f() + x", "lg"},
    Evaluation{"UndeclaredNameBecomesGlobal", "function f() { y = 3; } f(); y", "3"},
    Evaluation{"Constructor", "function P(x) { this.x = x; } var p = new P(3); p.x", "3"},
    Evaluation{"ConstructorReturningPrimitive", "function P() { this.a = 1; return 5; }"
                                                " new P().a", "1"},
    Evaluation{"ConstructorReturningObject", "function P() { this.a = 1; return {a: 2}; }"
                                             " new P().a", "2"},
    Evaluation{"PrototypeIsShared", "function P() {} P.prototype.k = 'shared';"
                                    " new P().k + (new P().constructor == P)", "sharedtrue"},
    Evaluation{"NewWithoutArguments", "function P() { this.v = 1; } (new P).v", "1"},
    Evaluation{"FunctionLength", "(function(a, b, c) {}).length", "3"}),
    rowName);

INSTANTIATE_TEST_SUITE_P(Activation, ESMachineTest, testing::Values(
    Evaluation{"Arguments", "function f(a) { return arguments.length + ':' + arguments[0]"
                            " + arguments[2]; } f('a', 'b', 'c')", "3:ac"},
    Evaluation{"ArgumentsCountsWhatWasPassed", "function f(a, b) { return arguments.length; }"
                                               " f(1)", "1"},
    Evaluation{"ArgumentsCallee", "function f() { return arguments.callee == f; } f()", "true"},
    Evaluation{"ParametersInActivation", "function f(a) { var b = arguments; return a + b[0]; }"
                                         " f(2)", "4"},
    Evaluation{"EvalSeesLocals", "function f(p) { var secret = 42; return eval('secret + p'); }"
                                 " f(1)", "43"},
    Evaluation{"EvalAssignsLocals", "function f() { var v = 1; eval('v = 5'); return v; } f()",
               "5"},
    Evaluation{"EvalAtTopLevel", "var g = 2; eval('g * 3') + ',' + eval('var q = 9; q') + ',' + q",
               "6,9,9"},
    Evaluation{"EvalSyntaxErrorYieldsUndefined", "typeof eval('1 +')", "undefined"},
    Evaluation{"WithInFunction", "function f(o) { var local = 'L'; with (o) {"
                                 " return local + v; } } f({v: 'V'})", "LV"},
    Evaluation{"ClosureInsideWith", "var o = {v: 'o'}; var g; with (o) { g = function() {"
                                    " return v; }; } g()", "o"}),
    rowName);

struct RuntimeError
{
    const char *name;
    const char *source;
    const char *errorClass;
    const char *message;
    int line;
};

class ESRuntimeErrorTest : public testing::TestWithParam<RuntimeError> {};

TEST_P(ESRuntimeErrorTest, ThrowsWithLine)
{
    const RuntimeError &row = GetParam();
    const ScriptRun run = runScript(QString::fromUtf8(row.source));
    EXPECT_EQ(run.kind, ESCompletion::Throw);
    EXPECT_EQ(run.errorClass, QString::fromUtf8(row.errorClass));
    EXPECT_EQ(run.message, QString::fromUtf8(row.message));
    EXPECT_EQ(run.lineNumber, row.line);
}

INSTANTIATE_TEST_SUITE_P(All, ESRuntimeErrorTest, testing::Values(
    RuntimeError{"CallNumber", "var x = 1;\nx();", "TypeError", "not a function object", 2},
    RuntimeError{"CallMissingMethod", "var o = {};\n\no.nothing(1)", "TypeError",
                 "not a function object", 3},
    RuntimeError{"CallComputedMember", "var o = {};\no['f']()", "TypeError",
                 "not a function object", 2},
    RuntimeError{"NewNumber", "new 5", "TypeError", "new must be given a constructor object", 1},
    RuntimeError{"NewBuiltinMethod", "\nnew WScript.Echo('x')", "TypeError",
                 "new must be given a constructor object", 2},
    RuntimeError{"MemberOfUndefined", "var u;\nu.x", "TypeError",
                 "can't convert undefined to an object", 2},
    RuntimeError{"MemberOfNull", "null['x'] = 1", "TypeError", "can't convert null to an object", 1},
    RuntimeError{"WithNull", "with (null) {}", "TypeError", "can't convert null to an object", 1},
    RuntimeError{"ForInUndefined", "for (var k in undefined) ;", "TypeError",
                 "can't convert undefined to an object", 1},
    RuntimeError{"NoDefaultValue", "var o = {valueOf: 1, toString: 2};\no + 1", "TypeError",
                 "type error: no default value", 2},
    RuntimeError{"InsideFunction", "function f() {\n  return null.x;\n}\nf();", "TypeError",
                 "can't convert null to an object", 2}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ESErrorReportTest, NamesFileAndSourceLine)
{
    ScriptHarness harness;
    const ScriptRun run = harness.run("var a = 1;\r\n  a();\n", "dir/name.js");
    EXPECT_EQ(run.fileName, "dir/name.js");
    EXPECT_EQ(run.lineNumber, 2);
    EXPECT_EQ(run.sourceLine, "  a();");
    EXPECT_EQ(harness.run("null.x", QString()).fileName, "");
}

// Every statement leaves the stack as it found it, on every path out of it.
TEST(ESStackBalanceTest, StatementsLeaveTheStackAsTheyFoundIt)
{
    const QString statements =
        "switch (i % 3) { case 0: break; case 1: default: }"
        "switch ('x') { case 1: }"
        "for (var k in {a: 1, b: 2}) { if (k == 'a') continue; break; }"
        "with ({v: 1}) { if (v) { } }"
        "l: for (;;) { break l; }"
        "do { continue; } while (false);"
        "var t = i > 5 ? i : -i; t++; t += 1; ({p: 1}).p++; o[k] <<= 1;"
        "delete o.x; typeof t; void 0; [1, , 2]; g(); o.g(); o['g']();";
    const QString program = "var o = {g: g}, k = 'k'; function g() {}"
                            " function f() { " + statements + " }"
                            " var d0 = stackDepth(); for (var i = 0; i < 10; i++) { "
                            + statements + " f(); } var d1 = stackDepth(); d1 - d0";
    EXPECT_EQ(runScript(program).value, "0");
}

// A context stays usable after every kind of failure, and keeps its globals.
TEST(ESContextTest, SurvivesFailuresAndKeepsGlobals)
{
    ScriptHarness harness;
    EXPECT_EQ(harness.run("var kept = 'yes'; function f() { return f(); }").kind,
              ESCompletion::Normal);
    EXPECT_EQ(harness.fatalMessage("f()"), "virtual machine stack too small");
    EXPECT_EQ(harness.run("x = (").errorClass, "SyntaxError");
    EXPECT_EQ(harness.run("null.x").errorClass, "TypeError");
    EXPECT_EQ(harness.run("kept").value, "yes");
    EXPECT_EQ(harness.context()->stackIndex(), 0u);
}

TEST(ESContextTest, RunawayEvalIsAnEngineFault)
{
    ScriptHarness harness;
    EXPECT_EQ(harness.fatalMessage("function g() { return eval('g()'); } g()"),
              "virtual machine stack too small");
    EXPECT_EQ(harness.fatalMessage("function h(s) { eval(s + s) } h('1')"), "");
}

// Many locals per call: the value stack runs out before the native one.
TEST(ESContextTest, ValueStackExhaustionIsAnEngineFault)
{
    QString locals = "var v0";
    for (int i = 1; i < 2000; ++i)
        locals += QStringLiteral(", v%1").arg(i);
    ScriptHarness harness;
    EXPECT_EQ(harness.fatalMessage("function f(n) { " + locals + "; return f(n + 1); } f(0)"),
              "virtual machine stack too small");
}

class StoppingContext : public ESContext
{
public:
    bool keepRunning() override { return --budget > 0; }
    int budget = 1000;
};

TEST(ESContextTest, KeepRunningFalseEndsTheRun)
{
    auto owned = std::make_unique<StoppingContext>();
    StoppingContext *cx = owned.get();
    cx->setUp();
    ScriptHarness harness(std::move(owned));
    const ScriptRun run = harness.run("var n = 0; while (true) n++;");
    EXPECT_EQ(run.kind, ESCompletion::Normal);
    EXPECT_EQ(cx->budget, 0);
    cx->budget = 1000;
    EXPECT_GT(harness.run("n").value.toInt(), 100);
}

// Code the compiler never makes: hand-made blocks reach the machine's own checks.
ESCompletion runCode(ESContext *cx, std::vector<quint8> code)
{
    auto block = std::make_unique<ESCodeBlock>();
    block->lines.assign(code.size(), 1);
    block->code = std::move(code);
    return cx->run(cx->registerBlock(std::move(block)));
}

TEST(ESMachineCodeTest, UnexecutedOpcodesThrowQuestionMarks)
{
    ScriptHarness harness;
    for (quint8 opcode : {quint8(ESOp::ShlX), quint8(ESOp::Inc), quint8(ESOp::DecLM), quint8(110)}) {
        SCOPED_TRACE(opcode);
        testing::internal::CaptureStdout();
        const ESCompletion completion = runCode(harness.context(), {quint8(ESOp::Num1), opcode, 0, 0});
        std::fflush(stdout);
        const std::string printed = testing::internal::GetCapturedStdout();
        ASSERT_EQ(completion.kind, ESCompletion::Throw);
        EXPECT_EQ(harness.context()->toString(harness.context()->get(
                      completion.value.object, ESAtom::intern("message"))), "???");
        if (opcode == quint8(ESOp::ShlX)) {
            EXPECT_EQ(printed, "0001:  SHLX\n");
        }
    }
}

TEST(ESMachineCodeTest, NextWithoutEnumerationIsAnEngineFault)
{
    ScriptHarness harness;
    const std::vector<quint8> code = {quint8(ESOp::Num0), quint8(ESOp::Next), 0, 0,
                                      quint8(ESOp::Ret)};
    EXPECT_THROW(
        try { runCode(harness.context(), code); } catch (const ESFatalError &error) {
            EXPECT_EQ(error.message(), "tos isn't a property object");
            throw;
        },
        ESFatalError);
}

// A native class to reach the failures of native calls and constructors.
class WidgetClass : public ESClass
{
public:
    WidgetClass() : ESClass("Widget") {}
};

TEST(ESNativeCallTest, FailuresOfNativeCode)
{
    ScriptHarness harness;
    ESContext *cx = harness.context();
    ESClass *widget = cx->adoptClass(std::make_unique<WidgetClass>());
    cx->defineBuiltin(cx->global(), widget, {"Widget", "Widget", 0, 1, 0});
    cx->defineBuiltin(cx->global(), cx->errorClass(), {"oddError", "oddError", 0, 1, 3});
    ScriptRun run = harness.run("\nnew Widget()");
    EXPECT_EQ(run.errorClass, "Error");
    EXPECT_EQ(run.message, "Widget failed to generate an object");
    EXPECT_EQ(harness.run("Widget()").value, "undefined");  // the default call
    EXPECT_EQ(harness.run("oddError()").message, "bad signature in builtin call");
    EXPECT_EQ(harness.run("new oddError()").message, "bad signature in builtin construct");

    ESValue result;
    try {
        cx->call(ESValue::fromNumber(1), cx->thisValue(), 0, nullptr, &result);
        ADD_FAILURE() << "no error";
    } catch (const ESException &error) {
        EXPECT_EQ(cx->toString(cx->get(error.value().object, ESAtom::intern("message"))),
                  "can only call function objects");
    }
}

TEST(ESNativeCallTest, CallFromNativeKeepsTheRegisters)
{
    ScriptHarness harness;
    ESContext *cx = harness.context();
    harness.run("function add(a, b) { return a + b; } function fail() { null.x; }");
    const quint32 stackIndex = cx->stackIndex();
    const ESValue args[] = {ESValue::fromNumber(2), ESValue::fromNumber(3)};
    ESValue result;
    cx->call(cx->get(cx->global(), ESAtom::intern("add")), cx->thisValue(), 2, args, &result);
    EXPECT_EQ(cx->toString(result), "5");
    EXPECT_THROW(cx->call(cx->get(cx->global(), ESAtom::intern("fail")), cx->thisValue(), 0,
                          nullptr, &result),
                 ESException);
    EXPECT_EQ(cx->stackIndex(), stackIndex);
    EXPECT_EQ(cx->scopeChain(), nullptr);
}

struct ErrorKind
{
    const char *name;
};

class ESErrorClassTest : public testing::TestWithParam<ErrorKind> {};

// Each Error constructor makes objects of the Error class with its own prototype, which
// tells the kind; the argument is kept as it is, and there is no message without one.
// An error shows as text through Object.prototype.toString.
TEST_P(ESErrorClassTest, ConstructsItsOwnKind)
{
    const QString name = GetParam().name;
    ScriptHarness harness;
    ESContext *cx = harness.context();
    const ESCompletion made = cx->evaluate("e.js", "new " + name + "(5)");
    ASSERT_EQ(made.kind, ESCompletion::Normal);
    EXPECT_EQ(QString::fromLatin1(made.value.object->esClass->name()), "Error");
    EXPECT_EQ(ESNativeError::kindOf(cx, made.value.object), name);
    EXPECT_EQ(harness.run("'' + new " + name + "('x') + " + name + ".length").value,
              "[object Error]1");
    EXPECT_EQ(harness.run("var e = new " + name + "(5); typeof e.message + (e.constructor == "
                          + name + ")").value, "numbertrue");
    EXPECT_EQ(harness.run("var s = ''; for (var k in " + name + "()) s += k; s").value, "");
    EXPECT_EQ(harness.run(name + "('called').message").value, "called");
}

INSTANTIATE_TEST_SUITE_P(All, ESErrorClassTest, testing::Values(
    ErrorKind{"Error"}, ErrorKind{"EvalError"}, ErrorKind{"RangeError"},
    ErrorKind{"ReferenceError"}, ErrorKind{"SyntaxError"}, ErrorKind{"TypeError"}),
    [](const auto &info) { return std::string(info.param.name); });

} // namespace
