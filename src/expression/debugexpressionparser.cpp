#include "debugexpressionparser.h"

#include "parserexception.h"

#include "loadfile/lazymemoryblock.h"
#include "loadfile/memoryblock.h"
#include "loadfile/memorytarget.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

[[noreturn]] void fail(const QString &message)
{
    throw ParserException(message);
}

QString hex(quint64 value)
{
    return QStringLiteral("0x") + QString::number(value, 16);
}

QString where(quint32 space, quint64 address)
{
    return hex(address) + (space ? QStringLiteral(" in space %1").arg(space) : QString());
}

const TargetValueMarker *targetMarker(const ExpressionValue &value)
{
    return value.isMarker() ? dynamic_cast<const TargetValueMarker *>(value.marker.get())
                            : nullptr;
}

bool isCategory(const UserType &type, UserType::Category category)
{
    return type.category() == category;
}

const SimpleType *asSimple(const UserType &type)
{
    return isCategory(type, UserType::Category::Simple) ? static_cast<const SimpleType *>(&type)
                                                        : nullptr;
}

// The integer bits a value stores as: floating values truncate toward zero and
// saturate (NaN stores 0), so that no conversion is undefined.
quint64 integerBits(const ExpressionValue &value, const UserType &type)
{
    if (value.isInteger() || value.isBoolean())
        return value.data;
    if (!value.isFloat())
        fail(QStringLiteral("cannot convert ") + value.typeName() + QStringLiteral(" to ")
             + type.name());
    const double d = value.toDouble();
    if (std::isnan(d))
        return 0;
    if (d >= 18446744073709551616.0)
        return std::numeric_limits<quint64>::max();
    if (d >= 9223372036854775808.0)
        return quint64(d);
    if (d <= -9223372036854775808.0)
        return quint64(std::numeric_limits<qint64>::min());
    return quint64(qint64(d));
}

double floatingValue(const ExpressionValue &value, const UserType &type)
{
    if (!value.isInteger() && !value.isBoolean() && !value.isFloat())
        fail(QStringLiteral("cannot convert ") + value.typeName() + QStringLiteral(" to ")
             + type.name());
    return value.toDouble();
}

quint64 floatBits(double d, quint32 size)
{
    if (size == 4) {
        const float f = float(ExpressionValue::roundToFloat(d));
        quint32 bits;
        std::memcpy(&bits, &f, sizeof bits);
        return bits;
    }
    quint64 bits;
    std::memcpy(&bits, &d, sizeof bits);
    return bits;
}

double fromFloatBits(quint64 bits, quint32 size)
{
    if (size == 4) {
        const quint32 narrow = quint32(bits);
        float f;
        std::memcpy(&f, &narrow, sizeof f);
        return f;
    }
    double d;
    std::memcpy(&d, &bits, sizeof d);
    return d;
}

// The unsigned integer type of a register's size, for its bit-fields.
UserTypePtr fieldType(quint32 size)
{
    const BasicType basic = size == 1 ? BasicType::Char : size == 2 ? BasicType::Short
        : size == 4 ? BasicType::Int : BasicType::LongLong;
    return std::make_shared<SimpleType>(basic, true);
}

} // namespace

// --- TargetValueMarker

ExpressionValue TargetValueMarker::evaluate()
{
    return m_debugger->readValue(*m_type, m_location);
}

void TargetValueMarker::assign(const ExpressionValue &value)
{
    m_debugger->writeValue(*m_type, m_location, value);
}

// --- DebugExpressionParser: target access

DebugExpressionParser::DebugExpressionParser(MemoryTarget *target, quint32 byteOrder)
    : m_target(target), m_byteOrder(byteOrder)
{
}

DebugExpressionParser::~DebugExpressionParser() = default;

ExpressionValue DebugExpressionParser::markerFor(const UserTypePtr &type,
                                                 const TargetLocation &location)
{
    return ExpressionValue::markerValue(std::make_shared<TargetValueMarker>(this, type, location));
}

void DebugExpressionParser::readMemory(const TargetLocation &location, quint32 size,
                                       void *destination)
{
    if (!m_target->readMemory(location.kind, location.address, size, destination))
        fail(QStringLiteral("cannot read memory at ") + where(location.kind, location.address));
}

QByteArray DebugExpressionParser::readBytes(const TargetLocation &location, quint32 size)
{
    QByteArray bytes;
    if (location.isMemory()) {
        bytes.fill('\0', int(size));
        readMemory(location, size, bytes.data());
    } else if (location.kind == TargetLocation::registerKind) {
        if (!readRegister(location.registerName, &bytes, nullptr))
            fail(QStringLiteral("unknown register"));
    } else {
        bytes = location.bytes;
    }
    bytes.resize(int(size));
    return bytes;
}

void DebugExpressionParser::writeBytes(const TargetLocation &location, const QByteArray &bytes)
{
    if (location.isMemory()) {
        if (!m_target->writeMemory(location.kind, location.address, quint32(bytes.size()),
                                   bytes.constData()))
            fail(QStringLiteral("cannot write memory at ")
                 + where(location.kind, location.address));
    } else if (location.kind == TargetLocation::registerKind) {
        if (!writeRegister(location.registerName, bytes))
            fail(QStringLiteral("cannot write register ") + location.registerName);
    } else {
        fail(QStringLiteral("can't update a constant"));
    }
}

// Strings are zero-terminated text of at most maxStringLength characters. The whole
// length is read at once when the target can; near the end of readable memory the
// bytes are taken one by one up to the terminator.
static QString readText(MemoryTarget *target, quint32 space, quint64 address)
{
    const quint32 length = DebugExpressionParser::maxStringLength;
    QByteArray bytes(int(length) + 1, '\0');
    if (!target->readMemory(space, address, length, bytes.data())) {
        int count = 0;
        while (quint32(count) < length
               && target->readMemory(space, address + quint64(count), 1, bytes.data() + count)
               && bytes.at(count) != '\0')
            ++count;
        if (count == 0 && !target->readMemory(space, address, 1, bytes.data()))
            fail(QStringLiteral("cannot read memory at ") + where(space, address));
        bytes[count] = '\0';
    }
    MemoryBlock block(bytes);
    QByteArray text(int(length) + 1, '\0');
    block.readString(length, text.data());
    return QString::fromLatin1(text.constData());
}

ExpressionValue DebugExpressionParser::readValue(const UserType &type,
                                                 const TargetLocation &location)
{
    const SimpleType *simple = asSimple(type);
    if (simple && simple->basic() == BasicType::String) {
        if (!location.isMemory())
            fail(QStringLiteral("cannot read a string from a register"));
        return ExpressionValue::string(readText(m_target, location.kind, location.address));
    }
    const bool aggregate = isCategory(type, UserType::Category::Array)
        || isCategory(type, UserType::Category::Struct);
    if (aggregate && location.isMemory()) {
        // Fails early, with the address, where the lazy block would only give zeros:
        // the first and the last byte of the object must be readable.
        readBytes(location, type.size() ? 1 : 0);
        if (type.size() > 1) {
            TargetLocation last = location;
            last.address += type.size() - 1;
            readBytes(last, 1);
        }
        LazyMemoryBlock block(m_target, location.kind, location.address, type.size(),
                              m_byteOrder);
        return decode(block, 0, type, location, 0);
    }
    // Scalars, the common case, are read straight into the block that decodes them.
    MemoryBlock block(type.size(), m_byteOrder);
    if (location.isMemory()) {
        readMemory(location, type.size(), block.data());
    } else {
        const QByteArray bytes = readBytes(location, type.size());
        std::copy(bytes.cbegin(), bytes.cend(), block.data());
    }
    return decode(block, 0, type, location, 0);
}

// One value of `type` at `offset` in a block; `bits` tells whether it is a bit-field.
// Aggregates become their text, "{1, 2, 3}" or "{x = 1, y = 2}".
ExpressionValue DebugExpressionParser::decode(MemoryBlockInterface &block, quint32 offset,
                                              const UserType &type, const TargetLocation &bits,
                                              int depth)
{
    const quint32 size = type.size();
    switch (type.category()) {
    case UserType::Category::Array:
    case UserType::Category::Struct:
        return ExpressionValue::string(aggregateText(block, offset, type, depth));
    case UserType::Category::Pointer:
    case UserType::Category::Register:
        block.seek(offset);
        return ExpressionValue::unsignedInteger(block.readInteger(size), size);
    case UserType::Category::Simple:
        break;
    }
    const auto &simple = static_cast<const SimpleType &>(type);
    if (simple.basic() == BasicType::String) {
        QByteArray text(int(maxStringLength) + 1, '\0');
        block.seek(offset);
        block.readString(maxStringLength, text.data());
        return ExpressionValue::string(QString::fromLatin1(text.constData()));
    }
    // Blocks keep a cursor: every access positions it first.
    block.seek(offset);
    const quint64 raw = bits.bitSize
        ? block.readBits(0, size, qint32(bits.bitOffset), bits.bitSize, bits.lsbNumbering)
        : block.readInteger(size);
    if (simple.isFloat())
        return ExpressionValue::floating(fromFloatBits(raw, size), size);
    if (simple.isUnsigned())
        return ExpressionValue::unsignedInteger(raw, size);
    const quint32 width = bits.bitSize ? bits.bitSize : size * 8;
    quint64 extended = raw;
    if (width < 64 && (raw >> (width - 1)) & 1)
        extended |= ~((quint64(1) << width) - 1);
    ExpressionValue value = ExpressionValue::signedInteger(qint64(extended), size);
    if (simple.basic() == BasicType::Byte)
        value.typeFlag = ExpressionValue::byteFlag;
    return value;
}

QString DebugExpressionParser::aggregateText(MemoryBlockInterface &block, quint32 offset,
                                             const UserType &type, int depth)
{
    if (depth == 0)
        m_valuesLeft = maxShownValues;
    const TargetLocation plain;
    QStringList parts;
    // Elements and members share one budget, so that nested arrays cannot multiply
    // the text without end.
    auto full = [&]() {
        if (m_valuesLeft > 0) {
            --m_valuesLeft;
            return false;
        }
        parts.append(QStringLiteral("..."));
        return true;
    };
    if (isCategory(type, UserType::Category::Array)) {
        const auto &array = static_cast<const ArrayType &>(type);
        const SimpleType *element = asSimple(*array.element());
        if (element && element->basic() == BasicType::Char && !element->isUnsigned()) {
            // Arrays of plain char read as text up to the terminator.
            QByteArray text;
            for (quint32 i = 0; i < array.count() && i < maxStringLength; ++i) {
                block.seek(offset + i);
                const char c = char(block.readInteger(1));
                if (c == '\0')
                    break;
                text += c;
            }
            const QString result = QString::fromLatin1(text);
            return depth ? QLatin1Char('"') + result + QLatin1Char('"') : result;
        }
        const quint32 step = array.element()->size();
        for (quint32 i = 0; i < array.count(); ++i) {
            if (int(i) >= maxShownElements) {
                parts.append(QStringLiteral("..."));
                break;
            }
            if (full())
                break;
            parts.append(decode(block, offset + i * step, *array.element(), plain, depth + 1)
                             .toText());
        }
    } else {
        const auto &structure = static_cast<const StructType &>(type);
        int shown = 0;
        for (const StructType::Member &member : structure.members()) {
            if (++shown > maxShownElements) {
                parts.append(QStringLiteral("..."));
                break;
            }
            if (full())
                break;
            TargetLocation bits;
            bits.bitOffset = member.bitOffset;
            bits.bitSize = member.bitSize;
            bits.lsbNumbering = m_byteOrder == 0;
            parts.append(member.name + QStringLiteral(" = ")
                         + decode(block, offset + member.offset, *member.type, bits, depth + 1)
                               .toText());
        }
    }
    return QLatin1Char('{') + parts.join(QStringLiteral(", ")) + QLatin1Char('}');
}

// Integers, pointers and register values store their bits (a bit-field only its own
// bits, the rest of its storage unit kept); floating types their IEEE bits.
void DebugExpressionParser::writeValue(const UserType &type, const TargetLocation &location,
                                       const ExpressionValue &value)
{
    if (location.kind == TargetLocation::constantKind)
        fail(QStringLiteral("can't update a constant"));
    const SimpleType *simple = asSimple(type);
    const bool scalar = (simple && simple->basic() != BasicType::String)
        || isCategory(type, UserType::Category::Pointer)
        || isCategory(type, UserType::Category::Register);
    if (!scalar)
        fail(QStringLiteral("cannot assign to ") + type.name());
    const quint32 size = type.size();
    const quint64 raw = simple && simple->isFloat()
        ? floatBits(floatingValue(value, type), size) : integerBits(value, type);
    MemoryBlock block(location.bitSize ? readBytes(location, size) : QByteArray(int(size), '\0'),
                      m_byteOrder);
    if (location.bitSize)
        block.writeBits(raw, 0, size, qint32(location.bitOffset), location.bitSize,
                        location.lsbNumbering);
    else
        block.writeInteger(raw, size);
    writeBytes(location, block.toByteArray());
}

// --- Names and registers

ExpressionValue DebugExpressionParser::symbolMarker(const Symbol &symbol)
{
    TargetLocation location;
    location.kind = symbol.space;
    location.address = symbol.address;
    location.pointeeSpace = symbol.space;
    return markerFor(symbol.type, location);
}

ExpressionValue DebugExpressionParser::lookupName(const QString &name)
{
    if (const std::optional<Symbol> symbol = findSymbol(name))
        return symbolMarker(*symbol);
    fail(name + QStringLiteral(" symbol not found"));
}

ExpressionValue DebugExpressionParser::lookupScopedName(const QStringList &parts)
{
    const QString name = parts.join(QStringLiteral("::"));
    const QString key = name.startsWith(QLatin1String("::")) ? name.mid(2) : name;
    if (const std::optional<Symbol> symbol = findSymbol(key))
        return symbolMarker(*symbol);
    fail(name + QStringLiteral(" symbol not found"));
}

ExpressionValue DebugExpressionParser::thisObject()
{
    if (const std::optional<Symbol> symbol = findSymbol(QStringLiteral("this")))
        return symbolMarker(*symbol);
    return ExpressionParser::thisObject();
}

ExpressionValue DebugExpressionParser::lookupRegister(const QString &name)
{
    UserTypePtr type;
    if (!readRegister(name, nullptr, &type) || !type)
        fail(QStringLiteral("unknown register"));
    TargetLocation location;
    location.kind = TargetLocation::registerKind;
    location.registerName = name;
    return markerFor(type, location);
}

// --- Pointers, arrays and members

ExpressionValue DebugExpressionParser::pointerValue(const UserTypePtr &pointee, quint64 address,
                                                    quint32 space)
{
    MemoryBlock bytes(PointerType::pointerSize, m_byteOrder);
    bytes.writeInteger(address, PointerType::pointerSize);
    TargetLocation location;
    location.kind = TargetLocation::constantKind;
    location.bytes = bytes.toByteArray();
    location.pointeeSpace = space;
    return markerFor(std::make_shared<PointerType>(pointee), location);
}

bool DebugExpressionParser::isPointer(const ExpressionValue &marker)
{
    const TargetValueMarker *target = targetMarker(marker);
    return target && isCategory(*target->type(), UserType::Category::Pointer);
}

bool DebugExpressionParser::isArray(const ExpressionValue &marker)
{
    const TargetValueMarker *target = targetMarker(marker);
    return target && isCategory(*target->type(), UserType::Category::Array)
        && target->location().isMemory();
}

// Element `index` of what a pointer points to or of an array in memory.
ExpressionValue DebugExpressionParser::elementAt(const TargetValueMarker &base, qint64 index)
{
    const UserType &type = *base.type();
    TargetLocation location;
    UserTypePtr element;
    if (isCategory(type, UserType::Category::Pointer)) {
        element = static_cast<const PointerType &>(type).target();
        location.kind = base.location().pointeeSpace;
        location.address = readValue(type, base.location()).data;
    } else if (isCategory(type, UserType::Category::Array) && base.location().isMemory()) {
        element = static_cast<const ArrayType &>(type).element();
        location.kind = base.location().kind;
        location.address = base.location().address;
    } else {
        return ExpressionParser::dereference(ExpressionValue(), ExpressionValue());
    }
    location.address += quint64(index) * element->size();
    location.pointeeSpace = location.kind;
    return markerFor(element, location);
}

ExpressionValue DebugExpressionParser::dereference(const ExpressionValue &value,
                                                   const ExpressionValue &index)
{
    const TargetValueMarker *target = targetMarker(value);
    if (!target)
        return ExpressionParser::dereference(value, index);
    return elementAt(*target, qint64(index.data));
}

ExpressionValue DebugExpressionParser::pointerAdd(const ExpressionValue &pointer,
                                                  const ExpressionValue &offset)
{
    const TargetValueMarker *target = targetMarker(pointer);
    if (!target)
        return ExpressionParser::pointerAdd(pointer, offset);
    const ExpressionValue element = elementAt(*target, qint64(offset.data));
    const auto *elementMarker = static_cast<const TargetValueMarker *>(element.marker.get());
    return pointerValue(elementMarker->type(), elementMarker->location().address,
                        elementMarker->location().kind);
}

ExpressionValue DebugExpressionParser::addressOf(const ExpressionValue &value)
{
    const TargetValueMarker *target = targetMarker(value);
    if (!target || target->location().kind == TargetLocation::constantKind)
        fail(QStringLiteral("cannot take address of a constant"));
    if (target->location().kind == TargetLocation::registerKind)
        fail(QStringLiteral("cannot take address of a register"));
    if (target->location().bitSize)
        fail(QStringLiteral("cannot take address of a bit-field"));
    return pointerValue(target->type(), target->location().address, target->location().kind);
}

ExpressionValue DebugExpressionParser::slice(const ExpressionValue &array,
                                             const ExpressionValue &start,
                                             const ExpressionValue &stop)
{
    const TargetValueMarker *target = targetMarker(array);
    if (!target || !(isPointer(array) || isArray(array)))
        return ExpressionParser::slice(array, start, stop);
    const quint64 count = stop.data - start.data;   // wraps to huge when stop < start
    if (count > 0xFFFF)
        fail(QStringLiteral("bad slice bounds"));
    const ExpressionValue first = elementAt(*target, qint64(start.data));
    const auto *firstMarker = static_cast<const TargetValueMarker *>(first.marker.get());
    return markerFor(std::make_shared<ArrayType>(firstMarker->type(), quint32(count)),
                     firstMarker->location());
}

// a.b on structures and register layouts. Member access is lenient about . and ->:
// a pointer to a structure is followed with either.
ExpressionValue DebugExpressionParser::member(const ExpressionValue &object,
                                              const QString &name, MemberAccess access)
{
    const TargetValueMarker *target = targetMarker(object);
    if (!target)
        return ExpressionParser::member(object, name, access);
    const UserType &type = *target->type();
    if (isCategory(type, UserType::Category::Pointer))
        return member(elementAt(*target, 0), name, access);
    TargetLocation location = target->location();
    if (isCategory(type, UserType::Category::Register)) {
        const RegisterType::Field *field = static_cast<const RegisterType &>(type).field(name);
        if (!field)
            fail(name + QStringLiteral(" is not a field of ") + type.name());
        location.bitOffset = field->bitOffset;
        location.bitSize = field->bitSize;
        location.lsbNumbering = true;
        return markerFor(fieldType(type.size()), location);
    }
    if (!isCategory(type, UserType::Category::Struct) || !location.isMemory())
        fail(QStringLiteral("bad expression type"));
    const StructType::Member *found = static_cast<const StructType &>(type).member(name);
    if (!found)
        fail(name + QStringLiteral(" is not a member of ") + type.name());
    location.address += found->offset;
    location.bitOffset = found->bitOffset;
    location.bitSize = found->bitSize;
    location.lsbNumbering = m_byteOrder == 0;
    location.pointeeSpace = location.kind;
    return markerFor(found->type, location);
}

// --- Casts, sizes and addresses

ExpressionValue DebugExpressionParser::cast(const ExpressionValue &value, const UserTypePtr &type)
{
    const TargetValueMarker *target = targetMarker(value);
    switch (type->category()) {
    case UserType::Category::Simple: {
        const auto &simple = static_cast<const SimpleType &>(*type);
        const ExpressionValue v = value.resolved();
        if (simple.basic() == BasicType::String || v.isString())
            break;
        if (simple.isFloat())
            return ExpressionValue::floating(v.toDouble(), type->size());
        const quint64 raw = integerBits(v, *type);
        if (simple.isUnsigned())
            return ExpressionValue::unsignedInteger(raw, type->size());
        ExpressionValue result = ExpressionValue::signedInteger(qint64(raw), type->size());
        if (simple.basic() == BasicType::Byte)
            result.typeFlag = ExpressionValue::byteFlag;
        return result;
    }
    case UserType::Category::Pointer: {
        const UserTypePtr &pointee = static_cast<const PointerType &>(*type).target();
        if (target && isArray(value))
            return pointerValue(pointee, target->location().address, target->location().kind);
        const quint32 space = target && isPointer(value) ? target->location().pointeeSpace : 0;
        const ExpressionValue v = value.resolved();
        if (!v.isInteger())
            break;
        return pointerValue(pointee, v.data, space);
    }
    case UserType::Category::Register: {
        const ExpressionValue v = value.resolved();
        if (!v.isInteger())
            break;
        MemoryBlock bytes(type->size(), m_byteOrder);
        bytes.writeInteger(v.data, type->size());
        TargetLocation location;
        location.kind = TargetLocation::constantKind;
        location.bytes = bytes.toByteArray();
        return markerFor(type, location);
    }
    case UserType::Category::Array:
    case UserType::Category::Struct:
        if (target && target->location().isMemory() && !target->location().bitSize)
            return markerFor(type, target->location());
        break;
    }
    return ExpressionParser::cast(value, type);
}

// sizeof gives a signed value like the integer literals, so that it mixes with them
// (shift counts must be signed).
ExpressionValue DebugExpressionParser::sizeOf(Expression &expression)
{
    const ExpressionValue value = expression.evaluate();
    if (const TargetValueMarker *target = targetMarker(value))
        return ExpressionValue::signedInteger(target->type()->size());
    return ExpressionValue::signedInteger(value.resolved().size);
}

ExpressionValue DebugExpressionParser::sizeOfType(const UserType &type)
{
    return ExpressionValue::signedInteger(type.size());
}

ExpressionValue DebugExpressionParser::addressOfLine(const QString &fileName, qint64 line)
{
    if (const std::optional<quint64> address = lineAddress(fileName, line))
        return ExpressionValue::unsignedInteger(*address, PointerType::pointerSize);
    fail(QStringLiteral("no code at %1:%2").arg(fileName).arg(line));
}

// The symbol's name, with +offset when the address is inside it.
ExpressionValue DebugExpressionParser::symbolAt(const ExpressionValue &address)
{
    if (!address.isInteger())
        fail(QStringLiteral("bad expression type"));
    const std::optional<Symbol> symbol = symbolContaining(address.data);
    if (!symbol)
        fail(QStringLiteral("no symbol at ") + hex(address.data));
    const quint64 offset = address.data - symbol->address;
    return ExpressionValue::string(offset ? symbol->name + QStringLiteral("+%1").arg(offset)
                                          : symbol->name);
}
