// The global object's functions and constants.

#include "esnatives.h"
#include "esnatives_p.h"

#include "escontext.h"
#include "esexception.h"
#include "esobject.h"

#include <QFile>
#include <QFileInfo>

#include <cmath>

namespace {

enum GlobalIndex { Eval = 1, ParseInt, ParseFloat, IsNaN, IsFinite, Load };

// The first blank-separated word of a text (empty when there is none).
QString firstWord(const QString &text)
{
    const QStringList words = text.split(u' ', Qt::SkipEmptyParts);
    return words.isEmpty() ? QString() : words.first();
}

// Without a radix, "0x" means base 16 and a leading zero base 8. The word must convert
// whole into 32 bits: "12abc" is NaN, not 12.
double parseInteger(ESContext *cx, int passed, const ESValue *argv)
{
    const QString word = firstWord(cx->toString(argv[0]));
    int base = 10;
    if (passed < 2)
        base = word.startsWith(QLatin1String("0x")) ? 16 : word.startsWith(u'0') ? 8 : 10;
    else
        base = cx->toInt32(argv[1]);
    if (base != 0 && (base < 2 || base > 36))
        return ESValue::NaN;
    bool ok = false;
    const int value = word.toInt(&ok, base);
    return ok ? value : ESValue::NaN;
}

// Single precision, as the text is read with toFloat.
double parseFloatingPoint(ESContext *cx, const ESValue &text)
{
    bool ok = false;
    const float value = firstWord(cx->toString(text)).toFloat(&ok);
    return ok ? double(value) : ESValue::NaN;
}

// The path as given, then each load-path directory. The file's text up to its first zero
// byte runs at the top level under the name it opened with; its uncaught error is the
// caller's. Directories and unreadable files count as not found.
bool loadFile(ESContext *cx, const QString &name)
{
    QStringList candidates{name};
    for (const QString &directory : ESNativeGlobal::loadPath())
        candidates << directory + u'/' + name;
    for (const QString &path : candidates) {
        if (QFileInfo(path).isDir())
            continue;
        QFile file(path);
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QByteArray bytes = file.readAll();
        const int zero = bytes.indexOf('\0');
        if (zero >= 0)
            bytes.truncate(zero);
        const ESCompletion completion = cx->evaluateAtTopLevel(path, QString::fromUtf8(bytes));
        if (completion.kind == ESCompletion::Throw)
            throw ESException(completion.value);
        return true;
    }
    return false;
}

} // namespace

QStringList &ESNativeGlobal::loadPath()
{
    static QStringList directories;
    return directories;
}

void ESNativeGlobal::addMembers(ESContext *cx)
{
    ESObject *global = cx->global();
    esDefineMethods(cx, global, this, "",
                    {{"eval", 1, Eval}, {"parseInt", 2, ParseInt}, {"parseFloat", 1, ParseFloat},
                     {"isNaN", 1, IsNaN}, {"isFinite", 1, IsFinite}, {"load", 1, Load}});
    esDefineConstant(cx, global, "NaN", esNumber(ESValue::NaN));
    esDefineConstant(cx, global, "Infinity", esNumber(ESValue::Infinity));
    esDefineConstant(cx, global, "undefined", ESValue());
}

void ESNativeGlobal::call(ESContext *cx, ESObject *function, const ESValue &, int,
                          ESValue *argv, ESValue *result)
{
    const int passed = cx->passedArgumentCount();
    switch (function->builtinIndex) {
    case Eval: {
        // eval of a non-string is that value; an error inside yields undefined.
        if (!argv[0].isString()) {
            *result = argv[0];
            return;
        }
        const ESCompletion completion = cx->evaluate(QString(), argv[0].text());
        *result = completion.kind == ESCompletion::Normal ? completion.value : ESValue();
        return;
    }
    case ParseInt:
        *result = esNumber(parseInteger(cx, passed, argv));
        return;
    case ParseFloat:
        *result = esNumber(parseFloatingPoint(cx, argv[0]));
        return;
    case IsNaN:
        *result = ESValue::boolean(std::isnan(cx->toNumber(argv[0])));
        return;
    case IsFinite:
        *result = ESValue::boolean(std::isfinite(cx->toNumber(argv[0])));
        return;
    case Load:
        *result = ESValue::boolean(loadFile(cx, cx->toString(argv[0])));
        return;
    default:
        esBadSignature(cx);
    }
}
