#pragma once

#include <QString>

#include <memory>
#include <vector>

/// A type known to the debugger side: what casts, `sizeof` and variables in target
/// memory are made of. Sizes are those of the 32-bit ARM targets: long and pointers
/// take 4 bytes.
class UserType
{
public:
    enum class Category { Simple, Pointer, Array, Struct, Register };

    virtual ~UserType() = default;
    virtual Category category() const = 0;
    /// Size in bytes.
    virtual quint32 size() const = 0;
    /// The type as it is written in a cast: "unsigned int", "char *", "short [4]".
    virtual QString name() const = 0;
    /// Alignment of the type as a structure member.
    virtual quint32 alignment() const { return 1; }
};

using UserTypePtr = std::shared_ptr<const UserType>;

/// The basic types of the language, with the debugger's `string` (zero-terminated text
/// read from the target, at most 1024 characters) and `byte` (signed 8-bit integer
/// displayed as "byte") added after the C keywords.
enum class BasicType : quint32 {
    Char = 0, Short = 1, Int = 2, Long = 3, LongLong = 4, Float = 5, Double = 6,
    String = 7, Byte = 8
};

class SimpleType : public UserType
{
public:
    SimpleType(BasicType basic, bool isUnsigned);
    Category category() const override { return Category::Simple; }
    quint32 size() const override;
    QString name() const override;
    quint32 alignment() const override { return size() ? size() : 1; }

    BasicType basic() const { return m_basic; }
    bool isUnsigned() const { return m_unsigned; }
    bool isFloat() const { return m_basic == BasicType::Float || m_basic == BasicType::Double; }
    bool isInteger() const { return !isFloat() && m_basic != BasicType::String; }

private:
    BasicType m_basic;
    bool m_unsigned;
};

class PointerType : public UserType
{
public:
    static constexpr quint32 pointerSize = 4;

    explicit PointerType(UserTypePtr target) : m_target(std::move(target)) {}
    Category category() const override { return Category::Pointer; }
    quint32 size() const override { return pointerSize; }
    QString name() const override;
    quint32 alignment() const override { return pointerSize; }
    const UserTypePtr &target() const { return m_target; }

private:
    UserTypePtr m_target;
};

class ArrayType : public UserType
{
public:
    ArrayType(UserTypePtr element, quint32 count)
        : m_element(std::move(element)), m_count(count) {}
    Category category() const override { return Category::Array; }
    quint32 size() const override { return m_element->size() * m_count; }
    QString name() const override;
    quint32 alignment() const override { return m_element->alignment(); }
    const UserTypePtr &element() const { return m_element; }
    quint32 count() const { return m_count; }

private:
    UserTypePtr m_element;
    quint32 m_count;
};

/// A structure laid out as the C compiler of the target does: members at their natural
/// alignment, bit-fields packed into storage units of their declared type, numbered
/// from the least significant bit on little-endian targets and from the most
/// significant one on big-endian targets (the numbering the memory blocks offer).
class StructType : public UserType
{
public:
    struct Member
    {
        QString name;
        UserTypePtr type;
        quint32 offset = 0;     // of the member, or of the bit-field's storage unit
        quint32 bitOffset = 0;  // within the storage unit
        quint32 bitSize = 0;    // 0: not a bit-field
    };

    explicit StructType(const QString &tag = QString()) : m_tag(tag) {}
    Category category() const override { return Category::Struct; }
    quint32 size() const override;
    QString name() const override;
    quint32 alignment() const override { return m_alignment; }

    /// Appends a member; `bitWidth` < 0 for an ordinary member. Returns false when the
    /// bit-field is impossible (not an integer type, or wider than its type) or the
    /// structure would outgrow 4 GiB.
    bool addMember(const QString &name, const UserTypePtr &type, qint64 bitWidth = -1);
    const Member *member(const QString &name) const;
    const std::vector<Member> &members() const { return m_members; }
    const QString &tag() const { return m_tag; }

private:
    QString m_tag;
    std::vector<Member> m_members;
    quint32 m_offset = 0;       // next free byte
    quint32 m_alignment = 1;
    quint32 m_unitOffset = 0;   // open bit-field storage unit
    quint32 m_unitSize = 0;     // 0: none open
    quint32 m_unitBits = 0;     // bits used in it
};

/// The layout of a device register: named bit-fields, numbered from bit 0.
class RegisterType : public UserType
{
public:
    struct Field
    {
        QString name;
        quint32 bitOffset;
        quint32 bitSize;
    };

    explicit RegisterType(quint32 size) : m_size(size) {}
    Category category() const override { return Category::Register; }
    quint32 size() const override { return m_size; }
    QString name() const override;
    quint32 alignment() const override { return m_size; }

    void addField(const QString &name, quint32 bitOffset, quint32 bitSize);
    const Field *field(const QString &name) const;

private:
    quint32 m_size;
    std::vector<Field> m_fields;
};
