#include "usertype.h"

#include <algorithm>

// --- SimpleType

SimpleType::SimpleType(BasicType basic, bool isUnsigned) : m_basic(basic), m_unsigned(isUnsigned)
{
}

quint32 SimpleType::size() const
{
    static const quint32 sizes[] = {1, 2, 4, 4, 8, 4, 8, 0, 1};
    return sizes[quint32(m_basic)];
}

QString SimpleType::name() const
{
    static const char *const names[] = {"char", "short", "int", "long", "long long", "float",
                                        "double", "string", "byte"};
    const QString base = QLatin1String(names[quint32(m_basic)]);
    return m_unsigned && isInteger() ? QStringLiteral("unsigned ") + base : base;
}

// --- PointerType, ArrayType

QString PointerType::name() const
{
    const QString target = m_target->name();
    return target.endsWith(QLatin1Char('*')) ? target + QLatin1Char('*')
                                             : target + QStringLiteral(" *");
}

// int [2][3]: the element type's name with the dimensions outermost first.
QString ArrayType::name() const
{
    QString dimensions;
    const UserType *type = this;
    while (type->category() == Category::Array) {
        const auto *array = static_cast<const ArrayType *>(type);
        dimensions += QStringLiteral("[%1]").arg(array->count());
        type = array->element().get();
    }
    return type->name() + QLatin1Char(' ') + dimensions;
}

// --- StructType

static quint32 alignUp(quint32 value, quint32 alignment)
{
    return alignment > 1 ? (value + alignment - 1) / alignment * alignment : value;
}

bool StructType::addMember(const QString &name, const UserTypePtr &type, qint64 bitWidth)
{
    Member member;
    member.name = name;
    member.type = type;
    const quint32 alignment = std::max<quint32>(type->alignment(), 1);
    m_alignment = std::max(m_alignment, alignment);
    if (bitWidth < 0) {
        m_unitSize = 0;
        const quint64 end = quint64(alignUp(m_offset, alignment)) + type->size();
        if (end > 0xFFFFFFF0u)
            return false;  // keeps every offset and the aligned size within 32 bits
        m_offset = alignUp(m_offset, alignment);
        member.offset = m_offset;
        m_offset = quint32(end);
        m_members.push_back(member);
        return true;
    }
    const auto *simple = dynamic_cast<const SimpleType *>(type.get());
    const quint32 unitBits = type->size() * 8;
    if (!simple || !simple->isInteger() || bitWidth > qint64(unitBits))
        return false;
    // A zero width closes the storage unit, as in C.
    if (bitWidth == 0) {
        m_unitSize = 0;
        return true;
    }
    if (m_unitSize != type->size() || m_unitBits + bitWidth > unitBits) {
        m_offset = alignUp(m_offset, alignment);
        m_unitOffset = m_offset;
        m_unitSize = type->size();
        m_unitBits = 0;
        m_offset += m_unitSize;
    }
    member.offset = m_unitOffset;
    member.bitOffset = m_unitBits;
    member.bitSize = quint32(bitWidth);
    m_unitBits += quint32(bitWidth);
    m_members.push_back(member);
    return true;
}

quint32 StructType::size() const
{
    return alignUp(m_offset, m_alignment);
}

const StructType::Member *StructType::member(const QString &name) const
{
    for (const Member &member : m_members) {
        if (member.name == name)
            return &member;
    }
    return nullptr;
}

QString StructType::name() const
{
    if (!m_tag.isEmpty())
        return QStringLiteral("struct ") + m_tag;
    QString text = QStringLiteral("struct {");
    for (const Member &member : m_members) {
        text += QLatin1Char(' ') + member.type->name() + QLatin1Char(' ') + member.name;
        if (member.bitSize)
            text += QStringLiteral(" : %1").arg(member.bitSize);
        text += QLatin1Char(';');
    }
    return text + QStringLiteral(" }");
}

// --- RegisterType

void RegisterType::addField(const QString &name, quint32 bitOffset, quint32 bitSize)
{
    m_fields.push_back(Field{name, bitOffset, bitSize});
}

const RegisterType::Field *RegisterType::field(const QString &name) const
{
    for (const Field &field : m_fields) {
        if (field.name == name)
            return &field;
    }
    return nullptr;
}

QString RegisterType::name() const
{
    QString text = QStringLiteral("register %1 {").arg(m_size);
    for (const Field &field : m_fields)
        text += QStringLiteral(" %1 %2 %3;")
                    .arg(field.name).arg(field.bitOffset).arg(field.bitSize);
    return text + QStringLiteral(" }");
}
