#pragma once

#include <QString>
#include <QtGlobal>

class ESAtom;
class ESObject;

/// The type of a script value; the numbers are the tag word of ESValue. Tag 6 is never
/// produced; String (a heap cell) and Atom (an interned text) are both strings and every
/// operation treats them alike.
enum class ESTag : quint32 {
    Undefined = 0,
    Null = 1,
    Boolean = 2,  // payload 1.0 or 0.0
    Number = 3,
    String = 4,   // payload: ESStringCell
    Object = 5,
    Atom = 7,
};

/// A text wrapped without interning (tag 4 values). The context that made a cell owns it.
struct ESStringCell
{
    QString text;
};

/// One script value: a 32-bit tag and an 8-byte payload, copied by value everywhere
/// (stack slots, properties, arguments, results). A zero-filled value is undefined, so a
/// cleared array of values holds undefined throughout.
struct ESValue
{
    ESTag tag = ESTag::Undefined;
    union {
        double number = 0;  // boolean and number
        ESStringCell *cell;
        ESObject *object;
        ESAtom *atom;
    };

    static ESValue undefined() { return ESValue(); }
    static ESValue null() { return make(ESTag::Null, 0); }
    static ESValue boolean(bool value) { return make(ESTag::Boolean, value ? 1.0 : 0.0); }
    static ESValue fromNumber(double value) { return make(ESTag::Number, value); }
    static ESValue fromAtom(ESAtom *atom)
    {
        ESValue value;
        value.tag = ESTag::Atom;
        value.atom = atom;
        return value;
    }
    static ESValue fromCell(ESStringCell *cell)
    {
        ESValue value;
        value.tag = ESTag::String;
        value.cell = cell;
        return value;
    }
    static ESValue fromObject(ESObject *object)
    {
        ESValue value;
        value.tag = ESTag::Object;
        value.object = object;
        return value;
    }

    bool isUndefined() const { return tag == ESTag::Undefined; }
    bool isNull() const { return tag == ESTag::Null; }
    bool isBoolean() const { return tag == ESTag::Boolean; }
    bool isNumber() const { return tag == ESTag::Number; }
    bool isString() const { return tag == ESTag::Atom || tag == ESTag::String; }
    bool isObject() const { return tag == ESTag::Object; }
    /// The text of a string value (either tag); only for isString() values.
    const QString &text() const;

    /// The process-wide constants: NaN is the square root of -2.0, Infinity exp(1e100).
    static const double NaN;
    static const double Infinity;

private:
    static ESValue make(ESTag tag, double number)
    {
        ESValue value;
        value.tag = tag;
        value.number = number;
        return value;
    }
};
static_assert(sizeof(ESValue) == 16, "a script value is a 32-bit tag and an 8-byte payload");
