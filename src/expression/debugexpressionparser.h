#pragma once

#include "expression/expressionparser.h"

#include <QByteArray>

#include <optional>

class DebugExpressionParser;
class MemoryBlockInterface;
class MemoryTarget;

/// Where a value of the program lives.
struct TargetLocation
{
    /// Memory spaces 0 to 3, then a register and a constant held by the debugger.
    static constexpr quint32 registerKind = 4;
    static constexpr quint32 constantKind = 5;

    quint32 kind = 0;
    quint64 address = 0;         // memory kinds
    QString registerName;        // registerKind
    QByteArray bytes;            // constantKind: the value in the target's byte order
    quint32 bitOffset = 0;       // a bit-field within the value's bytes
    quint32 bitSize = 0;         // 0: not a bit-field
    bool lsbNumbering = true;
    quint32 pointeeSpace = 0;    // for pointers: the memory space they point into

    bool isMemory() const { return kind < registerKind; }
};

/// A marker for a typed value in target memory, a register or a debugger constant.
class TargetValueMarker : public ExpressionMarker
{
public:
    TargetValueMarker(DebugExpressionParser *debugger, UserTypePtr type,
                      const TargetLocation &location)
        : m_debugger(debugger), m_type(std::move(type)), m_location(location) {}

    ExpressionValue evaluate() override;
    void assign(const ExpressionValue &value) override;

    const UserTypePtr &type() const { return m_type; }
    const TargetLocation &location() const { return m_location; }

private:
    DebugExpressionParser *m_debugger;
    UserTypePtr m_type;
    TargetLocation m_location;
};

/// The base of a debugger's expression parser: it answers the evaluator's questions
/// with typed markers over target memory and registers, and reads and writes values
/// through memory blocks in the target's byte order. A derived debugger supplies the
/// program's symbols, registers, types and line table.
///
/// Scalars are read with one target read of their size into a MemoryBlock; arrays,
/// structures and strings are walked through a LazyMemoryBlock, so that a large object
/// costs one target read per kilobyte.
class DebugExpressionParser : public ExpressionParser
{
public:
    struct Symbol
    {
        QString name;
        UserTypePtr type;
        quint32 space = 0;
        quint64 address = 0;
    };

    /// At most this many elements or members appear in the text of an array or
    /// structure value.
    static constexpr int maxShownElements = 64;
    /// At most this many values appear in the text of one value, nesting included.
    static constexpr int maxShownValues = 1024;
    /// Longest text read for a `string` value.
    static constexpr quint32 maxStringLength = 1024;

    /// `target` is not owned and must outlive the parser.
    DebugExpressionParser(MemoryTarget *target, quint32 byteOrder);
    ~DebugExpressionParser() override;

    quint32 byteOrder() const { return m_byteOrder; }
    void setByteOrder(quint32 byteOrder) { m_byteOrder = byteOrder; }
    MemoryTarget *target() const { return m_target; }

    // What the program being debugged provides.
    virtual std::optional<Symbol> findSymbol(const QString &name) = 0;
    /// The symbol whose bytes hold `address` (in any memory space, space 0 first).
    virtual std::optional<Symbol> symbolContaining(quint64 address) = 0;
    /// The bytes of a register in the target's byte order, with its type; false for an
    /// unknown register.
    virtual bool readRegister(const QString &name, QByteArray *bytes, UserTypePtr *type) = 0;
    virtual bool writeRegister(const QString &name, const QByteArray &bytes) = 0;
    virtual std::optional<quint64> lineAddress(const QString &fileName, qint64 line) = 0;

    /// The current value of a typed location. Throws ParserException when the target
    /// cannot be read.
    ExpressionValue readValue(const UserType &type, const TargetLocation &location);
    /// Stores a resolved value at a typed location, converted to the type.
    void writeValue(const UserType &type, const TargetLocation &location,
                    const ExpressionValue &value);
    /// A marker for a value of `type` at `location`.
    ExpressionValue markerFor(const UserTypePtr &type, const TargetLocation &location);

    ExpressionValue lookupScopedName(const QStringList &parts) override;
    ExpressionValue lookupName(const QString &name) override;
    ExpressionValue lookupRegister(const QString &name) override;
    ExpressionValue cast(const ExpressionValue &value, const UserTypePtr &type) override;
    bool isPointer(const ExpressionValue &marker) override;
    bool isArray(const ExpressionValue &marker) override;
    ExpressionValue dereference(const ExpressionValue &value,
                                const ExpressionValue &index) override;
    ExpressionValue addressOf(const ExpressionValue &value) override;
    ExpressionValue sizeOf(Expression &expression) override;
    ExpressionValue sizeOfType(const UserType &type) override;
    ExpressionValue addressOfLine(const QString &fileName, qint64 line) override;
    ExpressionValue pointerAdd(const ExpressionValue &pointer,
                               const ExpressionValue &offset) override;
    ExpressionValue symbolAt(const ExpressionValue &address) override;
    ExpressionValue thisObject() override;
    ExpressionValue slice(const ExpressionValue &array, const ExpressionValue &start,
                          const ExpressionValue &stop) override;
    ExpressionValue member(const ExpressionValue &object, const QString &name,
                           MemberAccess access) override;

private:
    ExpressionValue symbolMarker(const Symbol &symbol);
    ExpressionValue pointerValue(const UserTypePtr &pointee, quint64 address, quint32 space);
    void readMemory(const TargetLocation &location, quint32 size, void *destination);
    QByteArray readBytes(const TargetLocation &location, quint32 size);
    void writeBytes(const TargetLocation &location, const QByteArray &bytes);
    ExpressionValue decode(MemoryBlockInterface &block, quint32 offset, const UserType &type,
                           const TargetLocation &bits, int depth);
    QString aggregateText(MemoryBlockInterface &block, quint32 offset, const UserType &type,
                          int depth);
    ExpressionValue elementAt(const TargetValueMarker &base, qint64 index);

    MemoryTarget *m_target;
    quint32 m_byteOrder;
    int m_valuesLeft = 0;   // of the value being shown
};
