// Number and Math.

#include "esnatives.h"
#include "esnatives_p.h"

#include "escontext.h"
#include "esnativeerror.h"
#include "esobject.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>

namespace {

enum NumberIndex { NumberConstructor = 0, NumberToString = 2, NumberToFixed, NumberValueOf };

enum MathIndex {
    Abs = 1, Acos, Asin, Atan, Atan2, Ceil, Cos, Exp, Floor, Log, Max, Min, Pow, Random,
    Round, Sin, Sqrt, Tan,
};

// Number(value) as a function: to-number, 0 without an argument.
double numberFrom(ESContext *cx, const ESValue &value)
{
    return cx->passedArgumentCount() == 0 ? 0 : cx->toNumber(value);
}

// The receiver's number: a number, or a Number object's.
double thisNumber(ESContext *cx, const ESValue &thisValue, const char *method)
{
    const ESValue *value = esPrimitiveOf(thisValue, ESTag::Number, cx->numberClass());
    if (!value) {
        cx->throwTypeError(QLatin1String("Number.prototype.") + QLatin1String(method)
                           + QLatin1String(" called on non-Number object"));
    }
    return value->number;
}

QString toFixed(ESContext *cx, double number, const ESValue &digitsValue)
{
    const double digits = cx->passedArgumentCount() == 0 ? 0 : cx->toNumber(digitsValue);
    if (!(digits >= 0 && digits <= 20)) {
        cx->throwScriptError(cx->rangeErrorClass(),
                             QStringLiteral("fraction digits should 0 through 20"));
    }
    // The C library's formatting: exact decimal expansion, ties to even.
    char text[400];
    std::snprintf(text, sizeof text, "%40.*f", int(digits), number);
    return QString::fromLatin1(text).trimmed();
}

// A negative zero and anything in [-0.5, 0) round to negative zero; values of 2^52 and
// more are already integral.
double roundHalfUp(double x)
{
    if (x == 0 || std::isnan(x))
        return x;
    if (x >= -0.5 && x < 0)
        return -0.0;
    if (std::fabs(x) >= 4503599627370496.0)
        return x;
    return std::floor(x + 0.5);
}

// Math.max and Math.min compare the arguments truncated to integers.
double extreme(ESContext *cx, int argc, const ESValue *argv, bool largest)
{
    double result = largest ? -ESValue::Infinity : ESValue::Infinity;
    for (int i = 0; i < argc; ++i) {
        const double value = cx->toInteger(argv[i]);
        if (largest ? value > result : value < result)
            result = value;
    }
    return result;
}

} // namespace

// ---- Number

void ESNativeNumber::addMembers(ESContext *cx)
{
    ESObject *constructor = esInstallConstructor(cx, this, "Number", 1, cx->numberPrototype());
    esDefineConstant(cx, constructor, "MAX_VALUE", esNumber(std::numeric_limits<double>::max()));
    esDefineConstant(cx, constructor, "MIN_VALUE",
                     esNumber(std::numeric_limits<double>::denorm_min()));
    esDefineConstant(cx, constructor, "NEGATIVE_INFINITY", esNumber(-ESValue::Infinity));
    esDefineConstant(cx, constructor, "POSITIVE_INFINITY", esNumber(ESValue::Infinity));
    esDefineMethods(cx, cx->numberPrototype(), this, "Number.prototype.",
                    {{"toString", 1, NumberToString},
                     {"toFixed", 1, NumberToFixed},
                     {"valueOf", 0, NumberValueOf}});
}

void ESNativeNumber::call(ESContext *cx, ESObject *function, const ESValue &thisValue, int,
                          ESValue *argv, ESValue *result)
{
    switch (function->builtinIndex) {
    case NumberConstructor:
        *result = esNumber(numberFrom(cx, argv[0]));
        return;
    case NumberToString: {
        const double number = thisNumber(cx, thisValue, "toString");
        int radix = cx->toInt32(argv[0]);
        if (radix == 0)
            radix = 10;
        if (radix < 2 || radix > 36)
            cx->throwScriptError(cx->rangeErrorClass(), QStringLiteral("radix should be 2 through 36"));
        *result = esText(ESContext::numberToString(number, radix));
        return;
    }
    case NumberToFixed: {
        const double number = thisNumber(cx, thisValue, "toFixed");
        *result = esText(toFixed(cx, number, argv[0]));
        return;
    }
    case NumberValueOf:
        *result = esNumber(thisNumber(cx, thisValue, "valueOf"));
        return;
    default:
        esBadSignature(cx);
    }
}

ESObject *ESNativeNumber::construct(ESContext *cx, ESObject *function, int, ESValue *argv)
{
    if (function->builtinIndex != NumberConstructor)
        esBadSignature(cx, true);
    ESObject *wrapper = cx->newObject(cx->numberPrototype(), this);
    wrapper->value = esNumber(numberFrom(cx, argv[0]));
    return wrapper;
}

// ---- Math

void ESNativeMath::addMembers(ESContext *cx)
{
    ESObject *math = cx->newObject(cx->objectPrototype(), this);
    cx->put(cx->global(), ESAtom::intern("Math"), ESValue::fromObject(math));
    if (ESProperty *property = cx->global()->findOwn(ESAtom::intern("Math")))
        property->attributes = ESAttribute::DontEnum;
    esDefineMethods(cx, math, this, "Math.",
                    {{"abs", 1, Abs}, {"acos", 1, Acos}, {"asin", 1, Asin}, {"atan", 1, Atan},
                     {"atan2", 2, Atan2}, {"ceil", 1, Ceil}, {"cos", 1, Cos}, {"exp", 1, Exp},
                     {"floor", 1, Floor}, {"log", 1, Log}, {"max", 0, Max}, {"min", 0, Min},
                     {"pow", 2, Pow}, {"random", 0, Random}, {"round", 1, Round},
                     {"sin", 1, Sin}, {"sqrt", 1, Sqrt}, {"tan", 1, Tan}});
    const struct { const char *name; double value; } constants[] = {
        {"E", 2.718281828459045}, {"LN10", 2.302585092994046}, {"LN2", 0.6931471805599453},
        {"LOG2E", 1.4426950408889634}, {"LOG10E", 0.4342944819032518},
        {"PI", 3.141592653589793}, {"SQRT1_2", 0.7071067811865476},
        {"SQRT2", 1.4142135623730951},
    };
    for (const auto &constant : constants)
        esDefineConstant(cx, math, constant.name, esNumber(constant.value));
}

void ESNativeMath::call(ESContext *cx, ESObject *function, const ESValue &, int argc,
                        ESValue *argv, ESValue *result)
{
    const int index = function->builtinIndex;
    if (index == Max || index == Min) {
        *result = esNumber(extreme(cx, argc, argv, index == Max));
        return;
    }
    if (index == Random) {
        // The engine never seeds rand(): every process draws the same sequence.
        *result = esNumber(std::rand() * 4.656612873077393e-10);
        return;
    }
    if (index < Abs || index > Tan)
        esBadSignature(cx);
    const double x = cx->toNumber(argv[0]);
    double value = 0;
    switch (index) {
    case Abs: value = std::fabs(x); break;
    case Acos: value = std::acos(x); break;
    case Asin: value = std::asin(x); break;
    case Atan: value = std::atan(x); break;
    case Atan2: value = std::atan2(x, cx->toNumber(argv[1])); break;
    case Ceil: value = std::ceil(x); break;
    case Cos: value = std::cos(x); break;
    case Exp: value = std::exp(x); break;
    case Floor: value = std::floor(x); break;
    case Log: value = std::log(x); break;
    case Pow: value = std::pow(x, cx->toNumber(argv[1])); break;
    case Round: value = roundHalfUp(x); break;
    case Sin: value = std::sin(x); break;
    case Sqrt: value = x < 0 ? ESValue::NaN : std::sqrt(x); break;
    case Tan: value = std::tan(x); break;
    default: break;
    }
    *result = esNumber(value);
}
