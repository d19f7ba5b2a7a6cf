// String: the constructor, fromCharCode, the prototype methods and the "length" of
// String objects. Searches are plain text and case-sensitive; every result text is an
// atom.

#include "esnatives.h"
#include "esnatives_p.h"

#include "escontext.h"
#include "esobject.h"

#include <cmath>

namespace {

enum StringIndex {
    StringConstructor = 0,
    FromCharCode,
    StringToString,
    StringValueOf,
    CharAt,
    CharCodeAt,
    StringConcat,
    IndexOf,
    LastIndexOf,
    LocaleCompare,
    Match,
    Replace,
    Search,
    StringSlice,
    Split,
    Substring,
    ToLowerCase,
    ToLocaleLowerCase,
    ToUpperCase,
    ToLocaleUpperCase,
    Trim,
};

// String(value) as a function: its text, the empty text without an argument.
ESValue textFrom(ESContext *cx, const ESValue &value)
{
    if (cx->passedArgumentCount() == 0)
        return esText(QString());
    return value.tag == ESTag::Atom ? value : esText(cx->toString(value));
}

// A position clamped to [0, length]; NaN and undefined are 0.
int clampedPosition(ESContext *cx, const ESValue &value, int length)
{
    const double position = cx->toInteger(value);
    return position < 0 ? 0 : position > length ? length : int(position);
}

// slice(): negative positions count from the end.
int relativePosition(ESContext *cx, const ESValue &value, int length, int fallback)
{
    if (value.isUndefined())
        return fallback;
    const double position = cx->toInteger(value);
    if (position < 0)
        return position + length < 0 ? 0 : int(position + length);
    return position > length ? length : int(position);
}

ESObject *split(ESContext *cx, const QString &text, const ESValue &separator,
                const ESValue &limit)
{
    QStringList pieces;
    if (separator.isUndefined()) {
        pieces << text;
    } else {
        const QString separatorText = cx->toString(separator);
        if (separatorText.isEmpty()) {
            for (QChar c : text)
                pieces << QString(c);
        } else {
            pieces = text.split(separatorText, Qt::KeepEmptyParts);
        }
    }
    if (!limit.isUndefined()) {
        const quint32 count = cx->toUint32(limit);
        if (count < quint32(pieces.size()))
            pieces = pieces.mid(0, int(count));
    }
    std::vector<ESValue> values;
    values.reserve(std::size_t(pieces.size()));
    for (const QString &piece : pieces)
        values.push_back(esText(piece));
    return ESNativeArray::newArray(cx, values.data(), int(values.size()));
}

ESValue fromCharCode(ESContext *cx, int argc, const ESValue *argv)
{
    QString text;
    text.reserve(argc);
    for (int i = 0; i < argc; ++i)
        text += QChar(ushort(cx->toUint32(argv[i]) & 0xFFFF));
    return esText(text);
}

} // namespace

void ESNativeString::addMembers(ESContext *cx)
{
    ESObject *constructor = esInstallConstructor(cx, this, "String", 1, cx->stringPrototype());
    esDefineMethods(cx, constructor, this, "String.", {{"fromCharCode", 0, FromCharCode}});
    esDefineMethods(cx, cx->stringPrototype(), this, "String.prototype.",
                    {{"toString", 0, StringToString}, {"valueOf", 0, StringValueOf},
                     {"charAt", 1, CharAt}, {"charCodeAt", 1, CharCodeAt},
                     {"concat", 0, StringConcat}, {"indexOf", 2, IndexOf},
                     {"lastIndexOf", 2, LastIndexOf}, {"localeCompare", 1, LocaleCompare},
                     {"match", 1, Match}, {"replace", 2, Replace}, {"search", 1, Search},
                     {"slice", 2, StringSlice}, {"split", 2, Split},
                     {"substring", 2, Substring}, {"toLowerCase", 0, ToLowerCase},
                     {"toLocaleLowerCase", 0, ToLocaleLowerCase},
                     {"toUpperCase", 0, ToUpperCase},
                     {"toLocaleUpperCase", 0, ToLocaleUpperCase}, {"trim", 0, Trim}});
}

ESValue ESNativeString::get(ESContext *cx, ESObject *object, ESAtom *key)
{
    if (key == esKeys().length && object->value.isString())
        return esNumber(object->value.text().size());
    return ESClass::get(cx, object, key);
}

void ESNativeString::call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
                          ESValue *argv, ESValue *result)
{
    const int index = function->builtinIndex;
    switch (index) {
    case StringConstructor:
        *result = textFrom(cx, argv[0]);
        return;
    case FromCharCode:
        *result = fromCharCode(cx, argc, argv);
        return;
    case StringToString: case StringValueOf: {
        const ESValue *value = esPrimitiveOf(thisValue, ESTag::Atom, this);
        if (!value) {
            cx->throwTypeError(index == StringToString
                                   ? QStringLiteral("String.prototype.toString called on non-String object")
                                   : QStringLiteral("String.prototype.valueOf called on non-String object"));
        }
        *result = value->tag == ESTag::Atom ? *value : esText(value->text());
        return;
    }
    default:
        break;
    }
    if (index < CharAt || index > Trim)
        esBadSignature(cx);

    // The other methods work on the text of any receiver.
    const ESValue *primitive = esPrimitiveOf(thisValue, ESTag::Atom, this);
    const QString text = primitive ? primitive->text() : cx->toString(thisValue);
    const int length = text.size();
    switch (index) {
    case CharAt: {
        const double position = cx->toInteger(argv[0]);
        *result = esText(position >= 0 && position < length ? text.mid(int(position), 1)
                                                            : QString());
        return;
    }
    case CharCodeAt: {
        const double position = cx->toInteger(argv[0]);
        *result = esNumber(position >= 0 && position < length ? text.at(int(position)).unicode()
                                                              : ESValue::NaN);
        return;
    }
    case StringConcat: {
        QString joined = text;
        for (int i = 0; i < argc; ++i) {
            joined += cx->toString(argv[i]);
            cx->checkTextLength(joined.size());
        }
        *result = esText(joined);
        return;
    }
    case IndexOf: {
        const QString search = cx->toString(argv[0]);
        *result = esNumber(text.indexOf(search, clampedPosition(cx, argv[1], length)));
        return;
    }
    case LastIndexOf: {
        // The last occurrence starting at or before the position (the end without one).
        const QString search = cx->toString(argv[0]);
        const double position = cx->toNumber(argv[1]);
        int from = std::isnan(position) ? length
                                        : clampedPosition(cx, esNumber(position), length);
        from = std::min(from, length - int(search.size()));
        *result = esNumber(from < 0 ? -1 : search.isEmpty() ? from : text.lastIndexOf(search, from));
        return;
    }
    case LocaleCompare:
        *result = esNumber(QString::localeAwareCompare(text, cx->toString(argv[0])));
        return;
    case Match:
        *result = ESValue();
        return;
    case Replace: {
        const QString search = cx->toString(argv[0]);
        const QString replacement = cx->toString(argv[1]);
        const qint64 count = search.isEmpty() ? length + 1 : text.count(search);
        cx->checkTextLength(length + count * (replacement.size() - search.size()));
        *result = esText(QString(text).replace(search, replacement, Qt::CaseSensitive));
        return;
    }
    case Search:
        *result = esNumber(text.indexOf(cx->toString(argv[0])));
        return;
    case StringSlice: {
        const int from = relativePosition(cx, argv[0], length, 0);
        const int to = relativePosition(cx, argv[1], length, length);
        *result = esText(to > from ? text.mid(from, to - from) : QString());
        return;
    }
    case Split:
        *result = ESValue::fromObject(split(cx, text, argv[0], argv[1]));
        return;
    case Substring: {
        int from = clampedPosition(cx, argv[0], length);
        int to = argv[1].isUndefined() ? length : clampedPosition(cx, argv[1], length);
        if (from > to)
            std::swap(from, to);
        *result = esText(text.mid(from, to - from));
        return;
    }
    case ToLowerCase: case ToLocaleLowerCase:
        *result = esText(text.toLower());
        return;
    case ToUpperCase: case ToLocaleUpperCase:
        *result = esText(text.toUpper());
        return;
    case Trim:
        *result = esText(text.simplified());
        return;
    default:
        esBadSignature(cx);
    }
}

ESObject *ESNativeString::construct(ESContext *cx, ESObject *function, int, ESValue *argv)
{
    if (function->builtinIndex != StringConstructor)
        esBadSignature(cx, true);
    ESObject *wrapper = cx->newObject(cx->stringPrototype(), this);
    wrapper->value = textFrom(cx, argv[0]);
    return wrapper;
}
