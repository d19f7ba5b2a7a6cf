#pragma once

#include "expression/debugexpressionparser.h"

#include "loadfile/addressrange.h"
#include "loadfile/simulatedmemory.h"

#include <QHash>

#include <vector>

/// A small debugger of our own over simulated target memory: memory ranges in the
/// spaces 0 to 3, registers, variables with their types, typedefs, structures and a
/// line table, read from a target description. It makes names, registers, memory and
/// assignments of the expression language usable without a board.
///
/// Target description, one directive per line ('#' starts a comment line); addresses
/// may carry a memory space as "2:0x100", numbers are C-style (0x.., 0.., decimal):
///
///     byteorder little|big
///     memory START END [readwrite|readonly|writeonly]   a zero-filled range
///     bytes ADDRESS HH HH ...                           initial contents (hex bytes)
///     text ADDRESS "TEXT"                               zero-terminated text
///     load FILE [ADDRESS]                               a load file (format by extension;
///                                                       raw binary goes to ADDRESS)
///     struct TAG { TYPE NAME [: BITS]; ... }            a structure type
///     typedef NAME TYPE
///     variable NAME ADDRESS TYPE
///     register NAME VALUE [TYPE]                        TYPE defaults to unsigned int
///     line FILE LINE ADDRESS                            for addressof("FILE", LINE)
///     set EXPRESSION                                    evaluated once, e.g. set x = 5
class SimulatedDebugExpressionParser : public DebugExpressionParser
{
public:
    /// Largest memory range of a description, and largest total, so that a description
    /// cannot make us allocate without bound.
    static constexpr quint64 maxRangeLength = quint64(16) << 20;
    static constexpr quint64 maxTotalLength = quint64(64) << 20;

    SimulatedDebugExpressionParser();
    ~SimulatedDebugExpressionParser() override;

    /// Reads a description file. Throws HException "FILE:LINE: message".
    void loadDescription(const QString &fileName);
    /// Reads a description from text; relative load-file names are taken from `directory`.
    void loadDescriptionText(const QString &text, const QString &fileName,
                             const QString &directory);

    /// Adds a zero-filled memory range; throws HException when it is too large.
    void addMemory(quint32 space, quint64 start, quint64 end,
                   AccessKind access = AccessKind::ReadWrite);
    /// Writes initial contents, whatever the access kind; false outside the ranges.
    bool writeInitialBytes(quint32 space, quint64 address, const QByteArray &bytes);
    void addVariable(const QString &name, const UserTypePtr &type, quint32 space,
                     quint64 address);
    void addRegister(const QString &name, const UserTypePtr &type, quint64 value);
    void addTypedef(const QString &name, const UserTypePtr &type);
    void addStruct(const QString &tag, const UserTypePtr &type);
    void addLine(const QString &fileName, qint64 line, quint64 address);
    SimulatedTarget &memory() { return m_memory; }

    std::optional<Symbol> findSymbol(const QString &name) override;
    std::optional<Symbol> symbolContaining(quint64 address) override;
    bool readRegister(const QString &name, QByteArray *bytes, UserTypePtr *type) override;
    bool writeRegister(const QString &name, const QByteArray &bytes) override;
    std::optional<quint64> lineAddress(const QString &fileName, qint64 line) override;
    bool isTypeName(const QString &name) override;
    UserTypePtr typeNamed(const QString &name) override;
    UserTypePtr structNamed(const QString &tag) override;

private:
    /// Simulated memory that refuses target writes to read-only ranges, as a board would.
    class Memory : public SimulatedTarget
    {
    public:
        bool writeMemory(quint32 space, quint64 address, quint32 count,
                         const void *source) override;
    };
    struct Register
    {
        UserTypePtr type;
        quint64 value;
    };

    void runDirective(const QString &directive, const QString &rest, const QString &directory);
    // One handler per directive of the description; `rest` is the line after the
    // directive's name, `directory` the one relative load-file names are taken from.
    using DirectiveHandler = void (SimulatedDebugExpressionParser::*)(QString rest,
                                                                       const QString &directory);
    void byteOrderDirective(QString rest, const QString &directory);
    void memoryDirective(QString rest, const QString &directory);
    void bytesDirective(QString rest, const QString &directory);
    void textDirective(QString rest, const QString &directory);
    void loadDirective(QString rest, const QString &directory);
    void structDirective(QString rest, const QString &directory);
    void typedefDirective(QString rest, const QString &directory);
    void variableDirective(QString rest, const QString &directory);
    void registerDirective(QString rest, const QString &directory);
    void lineDirective(QString rest, const QString &directory);
    void setDirective(QString rest, const QString &directory);
    UserTypePtr typeOf(const QString &text);

    Memory m_memory;
    quint64 m_totalLength = 0;
    std::vector<Symbol> m_symbols;
    QHash<QString, int> m_symbolIndex;
    QHash<QString, Register> m_registers;
    QHash<QString, UserTypePtr> m_typedefs;
    QHash<QString, UserTypePtr> m_structs;
    QHash<QString, quint64> m_lines;   // "file:line"
};
