#pragma once

#include <QString>

#include <memory>

struct ExpressionValue;

/// What a marker value refers to: a value that lives elsewhere (a variable in target
/// memory, a register, a structure member). The evaluator resolves a marker to its
/// current value before an operator uses it, and assigns through it.
class ExpressionMarker
{
public:
    virtual ~ExpressionMarker() = default;

    /// The current value; never a marker.
    virtual ExpressionValue evaluate() = 0;
    /// Stores `value` (already resolved) where the marker points. Throws
    /// ParserException when that is not possible.
    virtual void assign(const ExpressionValue &value) = 0;
};

/// One value of the expression language. Integers are kept normalised to their size:
/// signed values sign-extended to 64 bits, unsigned ones zero-extended, so that the
/// 64-bit data can be used directly. Floating values keep IEEE double bits whatever
/// their size; a size of 4 means the value is rounded to single precision.
struct ExpressionValue
{
    enum class Kind : quint32 { Boolean = 0, Signed = 1, Unsigned = 2, String = 3, Marker = 4,
                                Float = 5 };
    /// Type flag values for 1-byte signed integers.
    static constexpr quint32 charFlag = 0;
    static constexpr quint32 byteFlag = 1;

    Kind kind = Kind::Signed;
    quint64 data = 0;
    quint32 size = 8;
    quint32 typeFlag = charFlag;
    QString text;
    std::shared_ptr<ExpressionMarker> marker;

    static ExpressionValue boolean(bool value);
    static ExpressionValue signedInteger(qint64 value, quint32 size = 8);
    static ExpressionValue unsignedInteger(quint64 value, quint32 size = 8);
    static ExpressionValue floating(double value, quint32 size = 8);
    static ExpressionValue string(const QString &text);
    static ExpressionValue markerValue(std::shared_ptr<ExpressionMarker> marker);

    bool isInteger() const { return kind == Kind::Signed || kind == Kind::Unsigned; }
    bool isBoolean() const { return kind == Kind::Boolean; }
    bool isFloat() const { return kind == Kind::Float; }
    bool isString() const { return kind == Kind::String; }
    bool isMarker() const { return kind == Kind::Marker; }

    qint64 toSigned() const { return qint64(data); }
    double toDouble() const;  // integers and booleans converted, floats as they are

    /// "int", "unsigned char", "double", "boolean", ...; "unknown" for other sizes.
    QString typeName() const;
    /// The value as the user reads it: decimal integers, true/false, the text of a
    /// string, and the shortest decimal form that reads back to the same double.
    QString toText() const;
    /// Appends toText() to `utf8` in UTF-8; numbers and booleans go straight in.
    void appendText(QByteArray *utf8) const;

    /// `value` rounded to single precision (infinite beyond the float range).
    static double roundToFloat(double value);
    /// Re-normalises `data` to `size` bytes for the value's integer kind.
    void normalise();
    /// The marker resolved to its current value, or a copy of a value that is none.
    ExpressionValue resolved() const &;
    /// The same for a temporary, which is handed on rather than copied when it is no
    /// marker: node results go this way.
    ExpressionValue resolved() &&;
};
