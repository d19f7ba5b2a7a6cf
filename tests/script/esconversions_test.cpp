// The conversions, seen from scripts where a script can reach them and through the
// context's interface where it cannot (a radix, an impossible tag).

#include "scriptharness.h"

#include "script/esexception.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct Conversion
{
    const char *name;
    const char *source;
    const char *value;  // to-string of the completion value
};

class ESConversionTest : public testing::TestWithParam<Conversion> {};

TEST_P(ESConversionTest, GivesTheText)
{
    const ScriptRun run = runScript(QString::fromUtf8(GetParam().source));
    EXPECT_EQ(run.kind, ESCompletion::Normal) << qPrintable(run.message);
    EXPECT_EQ(run.value, QString::fromUtf8(GetParam().value));
}

INSTANTIATE_TEST_SUITE_P(All, ESConversionTest, testing::Values(
    // to-string of numbers: six significant digits for fractions, a 64-bit integer
    // otherwise; integers beyond 64 bits keep their value
    Conversion{"OneThird", "1/3", "0.333333"},
    Conversion{"TenthsAddUp", "0.1 + 0.2", "0.3"},
    Conversion{"LargeFraction", "1234567.5", "1.23457e+06"},
    Conversion{"SmallFraction", "0.0000001234", "1.234e-07"},
    Conversion{"LargeInteger", "123456789012", "123456789012"},
    Conversion{"IntegralBeyond64Bits", "1e21", "1e+21"},
    Conversion{"IntegralJustBeyond64Bits", "9223372036854775808 + ' ' + -9223372036854775808",
               "9223372036854775808 -9223372036854775808"},
    Conversion{"NegativeInteger", "-42", "-42"},
    Conversion{"NegativeZero", "-0", "0"},
    Conversion{"Infinities", "1/0 + ' ' + -1/0", "Infinity -Infinity"},
    Conversion{"NotANumber", "0/0", "NaN"},
    Conversion{"OtherPrimitives", "undefined + ' ' + null + ' ' + (1 == 1)", "undefined null true"},
    // to-boolean: only a zero payload is false, so NaN is true
    Conversion{"NaNIsTrue", "(0/0) ? 'yes' : 'no'", "yes"},
    Conversion{"ZeroIsFalse", "0 ? 'yes' : 'no'", "no"},
    Conversion{"EmptyTextIsFalse", "'' ? 'yes' : 'no'", "no"},
    Conversion{"BlankTextIsTrue", "' ' ? 'yes' : 'no'", "yes"},
    Conversion{"ObjectIsTrue", "({}) ? 'yes' : 'no'", "yes"},
    // to-number of texts
    Conversion{"BlankText", "' ' * 1", "NaN"},
    Conversion{"EmptyText", "'' * 1", "NaN"},
    Conversion{"HexText", "'0x1F' * 1", "31"},
    Conversion{"TrailingLetters", "'12abc' * 1", "NaN"},
    Conversion{"SurroundingBlanks", "' 12 ' * 1", "12"},
    Conversion{"ExponentText", "'1e3' - 1", "999"},
    Conversion{"NullIsZero", "null * 5", "0"},
    Conversion{"UndefinedIsNaN", "undefined * 5", "NaN"},
    Conversion{"BooleanIsOne", "true + true", "2"},
    // + concatenates as soon as one side is a string
    Conversion{"TextPlusNumber", "'a' + 1 + 2", "a12"},
    Conversion{"NumbersThenText", "1 + 2 + 'a'", "3a"},
    // to-int32 and to-uint32
    Conversion{"MinusOneUnsigned", "-1 >>> 0", "4294967295"},
    Conversion{"WrapsModulo32Bits", "4294967297 | 0", "1"},
    Conversion{"NegativeWraps", "-4294967297 | 0", "-1"},
    Conversion{"HighBitIsNegative", "2147483648 | 0", "-2147483648"},
    Conversion{"FractionTruncates", "-7.9 | 0", "-7"},
    Conversion{"NaNIsZero", "(0/0) | 0", "0"},
    Conversion{"ShiftCountModulo32", "1 << 33", "2"},
    Conversion{"ArithmeticShift", "-16 >> 2", "-4"},
    Conversion{"Complement", "~5", "-6"},
    // to-primitive: valueOf first; one that yields undefined does not count
    Conversion{"ValueOf", "var o = {valueOf: function() { return 7; }}; o * 2", "14"},
    Conversion{"UndefinedValueOfFallsBack",
               "var o = {valueOf: function() {}, toString: function() { return 's'; }}; o + 1",
               "s1"},
    Conversion{"ValueOfFirstForText",
               "var o = {valueOf: function() { return 1; }, toString: function() { return 's'; }};"
               " '' + o", "1"},
    Conversion{"GlobalObject", "this + ''", "[object global]"},
    // to-property-key
    Conversion{"NumberAndTextKeysMeet", "var a = {}; a[1] = 'x'; a['1']", "x"},
    Conversion{"FractionKey", "var a = {}; a[1.5] = 'y'; a['1.5']", "y"},
    Conversion{"KeyAbove1023", "var a = {}; a[5000] = 'z'; a['5000']", "z"},
    Conversion{"ObjectKeyTakesValueOfFirst",
               "var a = {}; var k = {toString: function() { return 't'; },"
               " valueOf: function() { return 'v'; }}; a[k] = 3; a.v", "3"}),
    [](const auto &info) { return std::string(info.param.name); });

TEST(ESConversionApiTest, RadixAppliesToIntegersOnly)
{
    EXPECT_EQ(ESContext::numberToString(255, 16), "ff");
    EXPECT_EQ(ESContext::numberToString(35, 36), "z");
    EXPECT_EQ(ESContext::numberToString(2.5, 16), "2.5");
    EXPECT_EQ(ESContext::numberToString(10, 1), "10");  // no such radix: decimal
}

TEST(ESConversionApiTest, ImpossibleTagIsAnEngineFault)
{
    auto cx = ESContext::create();
    ESValue bad;
    bad.tag = ESTag(6);
    const auto fault = [](const auto &conversion) {
        try {
            conversion();
        } catch (const ESFatalError &error) {
            return error.message();
        }
        return QString();
    };
    EXPECT_EQ(fault([&] { cx->toBoolean(bad); }), "bad type in toBoolean");
    EXPECT_EQ(fault([&] { cx->toNumber(bad); }), "bad type in toNumber");
    EXPECT_EQ(fault([&] { cx->toString(bad); }), "unknown type in toString");
    EXPECT_EQ(fault([&] { cx->toObject(bad); }), "unknown type in toObject");
}

TEST(ESConversionApiTest, IntegerConversions)
{
    EXPECT_EQ(ESContext::integerOf(-2.7), -2);
    EXPECT_EQ(ESContext::integerOf(ESValue::NaN), 0);
    EXPECT_TRUE(std::isinf(ESContext::integerOf(ESValue::Infinity)));
    EXPECT_EQ(ESContext::uint32Of(-1), 4294967295u);
    EXPECT_EQ(ESContext::uint32Of(ESValue::Infinity), 0u);
}

} // namespace
