#include "simulateddebugger.h"

#include "lexer.h"
#include "parserexception.h"

#include "loadfile/loadfile.h"
#include "loadfile/loadfilefactory.h"
#include "loadfile/valuecodec.h"
#include "qtx/hexception.h"
#include "qtx/toolsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

namespace {

[[noreturn]] void fail(const QString &message)
{
    throw HException(message);
}

quint64 number(const QString &text)
{
    bool ok = false;
    const quint64 value = text.toULongLong(&ok, 0);
    if (!ok)
        fail(QStringLiteral("bad number '%1'").arg(text));
    return value;
}

// "0x100" is in space 0, "2:0x100" in space 2.
void parseAddress(const QString &text, quint32 *space, quint64 *address)
{
    const int colon = text.indexOf(QLatin1Char(':'));
    *space = 0;
    if (colon >= 0) {
        const quint64 value = number(text.left(colon));
        if (value >= MemoryTarget::memorySpaces)
            fail(QStringLiteral("bad memory space '%1'").arg(text.left(colon)));
        *space = quint32(value);
    }
    *address = number(text.mid(colon + 1));
}

// The first blank-separated word of `text`, removed from it.
QString takeWord(QString &text)
{
    text = text.trimmed();
    int end = 0;
    while (end < text.size() && !text.at(end).isSpace())
        ++end;
    const QString word = text.left(end);
    text = text.mid(end).trimmed();
    return word;
}

} // namespace

bool SimulatedDebugExpressionParser::Memory::writeMemory(quint32 space, quint64 address,
                                                         quint32 count, const void *source)
{
    if (space >= memorySpaces)
        return false;
    SimulatedMemory &simulated = memory(space);
    for (int i = 0; i < simulated.rangeCount(); ++i) {
        const AddressRange &range = simulated.range(i);
        if (count && range.contains(address, address + count - 1))
            return range.access() != AccessKind::ReadOnly
                && SimulatedTarget::writeMemory(space, address, count, source);
    }
    return false;
}

SimulatedDebugExpressionParser::SimulatedDebugExpressionParser()
    : DebugExpressionParser(&m_memory, littleEndianOrder)
{
    m_typedefs.insert(QStringLiteral("byte"),
                      std::make_shared<SimpleType>(BasicType::Byte, false));
    m_typedefs.insert(QStringLiteral("string"),
                      std::make_shared<SimpleType>(BasicType::String, false));
}

SimulatedDebugExpressionParser::~SimulatedDebugExpressionParser() = default;

// --- Building the target

void SimulatedDebugExpressionParser::addMemory(quint32 space, quint64 start, quint64 end,
                                               AccessKind access)
{
    const AddressRange range(start, end, access);
    const quint64 length = range.length();
    if (length == 0 || length > maxRangeLength || m_totalLength + length > maxTotalLength)
        fail(QStringLiteral("memory range too large"));
    m_totalLength += length;
    m_memory.memory(space).addRange(range);
}

bool SimulatedDebugExpressionParser::writeInitialBytes(quint32 space, quint64 address,
                                                       const QByteArray &bytes)
{
    return bytes.isEmpty()
        || m_memory.memory(space).write(address, quint32(bytes.size()), bytes.constData());
}

void SimulatedDebugExpressionParser::addVariable(const QString &name, const UserTypePtr &type,
                                                 quint32 space, quint64 address)
{
    Symbol symbol{name, type, space, address};
    const auto existing = m_symbolIndex.constFind(name);
    if (existing != m_symbolIndex.constEnd()) {
        m_symbols[size_t(*existing)] = symbol;
        return;
    }
    m_symbolIndex.insert(name, int(m_symbols.size()));
    m_symbols.push_back(symbol);
}

void SimulatedDebugExpressionParser::addRegister(const QString &name, const UserTypePtr &type,
                                                 quint64 value)
{
    m_registers.insert(name, Register{type, value});
}

void SimulatedDebugExpressionParser::addTypedef(const QString &name, const UserTypePtr &type)
{
    m_typedefs.insert(name, type);
}

void SimulatedDebugExpressionParser::addStruct(const QString &tag, const UserTypePtr &type)
{
    m_structs.insert(tag, type);
}

void SimulatedDebugExpressionParser::addLine(const QString &fileName, qint64 line,
                                             quint64 address)
{
    m_lines.insert(fileName + QLatin1Char(':') + QString::number(line), address);
}

// --- What the evaluator asks

std::optional<DebugExpressionParser::Symbol>
SimulatedDebugExpressionParser::findSymbol(const QString &name)
{
    const auto found = m_symbolIndex.constFind(name);
    if (found == m_symbolIndex.constEnd())
        return std::nullopt;
    return m_symbols[size_t(*found)];
}

std::optional<DebugExpressionParser::Symbol>
SimulatedDebugExpressionParser::symbolContaining(quint64 address)
{
    for (quint32 space = 0; space < MemoryTarget::memorySpaces; ++space) {
        for (const Symbol &symbol : m_symbols) {
            const quint64 size = qMax<quint64>(symbol.type->size(), 1);
            if (symbol.space == space && address >= symbol.address
                && address - symbol.address < size)
                return symbol;
        }
    }
    return std::nullopt;
}

bool SimulatedDebugExpressionParser::readRegister(const QString &name, QByteArray *bytes,
                                                  UserTypePtr *type)
{
    const auto found = m_registers.constFind(name);
    if (found == m_registers.constEnd())
        return false;
    if (bytes) {
        bytes->resize(int(found->type->size()));
        ValueCodec::encodeInteger(reinterpret_cast<quint8 *>(bytes->data()), found->value,
                                  found->type->size(), byteOrder());
    }
    if (type)
        *type = found->type;
    return true;
}

bool SimulatedDebugExpressionParser::writeRegister(const QString &name, const QByteArray &bytes)
{
    const auto found = m_registers.find(name);
    if (found == m_registers.end())
        return false;
    found->value = ValueCodec::decodeInteger(reinterpret_cast<const quint8 *>(bytes.constData()),
                                             quint32(bytes.size()), byteOrder());
    return true;
}

std::optional<quint64> SimulatedDebugExpressionParser::lineAddress(const QString &fileName,
                                                                   qint64 line)
{
    const auto found = m_lines.constFind(fileName + QLatin1Char(':') + QString::number(line));
    if (found == m_lines.constEnd())
        return std::nullopt;
    return *found;
}

bool SimulatedDebugExpressionParser::isTypeName(const QString &name)
{
    return m_typedefs.contains(name);
}

UserTypePtr SimulatedDebugExpressionParser::typeNamed(const QString &name)
{
    return m_typedefs.value(name);
}

UserTypePtr SimulatedDebugExpressionParser::structNamed(const QString &tag)
{
    return m_structs.value(tag);
}

// --- The description file

void SimulatedDebugExpressionParser::loadDescription(const QString &fileName)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        fail("cannot open target description " + QTx::quoted(fileName) + ": "
             + file.errorString());
    loadDescriptionText(QString::fromUtf8(file.readAll()), fileName,
                        QFileInfo(fileName).absolutePath());
}

void SimulatedDebugExpressionParser::loadDescriptionText(const QString &text,
                                                         const QString &fileName,
                                                         const QString &directory)
{
    const QStringList lines = text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        QString rest = lines.at(i).trimmed();
        if (rest.isEmpty() || rest.startsWith(QLatin1Char('#')))
            continue;
        const QString directive = takeWord(rest);
        try {
            runDirective(directive, rest, directory);
        } catch (const HException &e) {
            fail(QStringLiteral("%1:%2: %3").arg(fileName).arg(i + 1).arg(e.message()));
        } catch (const ParserException &e) {
            fail(QStringLiteral("%1:%2: %3").arg(fileName).arg(i + 1).arg(e.message()));
        }
    }
}

UserTypePtr SimulatedDebugExpressionParser::typeOf(const QString &text)
{
    if (text.isEmpty())
        fail(QStringLiteral("type expected"));
    return parseTypeName(text);
}

// One row per directive; each handler gets the line after the directive's name.
void SimulatedDebugExpressionParser::runDirective(const QString &directive, const QString &rest,
                                                  const QString &directory)
{
    using Self = SimulatedDebugExpressionParser;
    static const struct
    {
        const char *name;
        DirectiveHandler handler;
    } directives[] = {
        {"byteorder", &Self::byteOrderDirective}, {"memory", &Self::memoryDirective},
        {"bytes", &Self::bytesDirective},         {"text", &Self::textDirective},
        {"load", &Self::loadDirective},           {"struct", &Self::structDirective},
        {"typedef", &Self::typedefDirective},     {"variable", &Self::variableDirective},
        {"register", &Self::registerDirective},   {"line", &Self::lineDirective},
        {"set", &Self::setDirective},
    };
    for (const auto &row : directives) {
        if (directive == QLatin1String(row.name))
            return (this->*row.handler)(rest, directory);
    }
    fail(QStringLiteral("unknown directive '%1'").arg(directive));
}

// byteorder little|big
void SimulatedDebugExpressionParser::byteOrderDirective(QString rest, const QString &)
{
    const QString order = takeWord(rest);
    if (order != QLatin1String("little") && order != QLatin1String("big"))
        fail(QStringLiteral("byte order must be little or big"));
    setByteOrder(order == QLatin1String("big") ? bigEndianOrder : littleEndianOrder);
}

// memory START END [readwrite|readonly|writeonly]; the access names are in AccessKind order.
void SimulatedDebugExpressionParser::memoryDirective(QString rest, const QString &)
{
    quint32 space = 0;
    quint64 address = 0;
    parseAddress(takeWord(rest), &space, &address);
    const quint64 end = number(takeWord(rest));
    const QString access = takeWord(rest);
    static const QStringList accessNames = {QStringLiteral("readwrite"),
                                            QStringLiteral("readonly"),
                                            QStringLiteral("writeonly")};
    if (!access.isEmpty() && !accessNames.contains(access))
        fail(QStringLiteral("unknown access '%1'").arg(access));
    addMemory(space, address, end, AccessKind(qMax(0, accessNames.indexOf(access))));
}

// bytes ADDRESS HH HH ...
void SimulatedDebugExpressionParser::bytesDirective(QString rest, const QString &)
{
    quint32 space = 0;
    quint64 address = 0;
    parseAddress(takeWord(rest), &space, &address);
    QByteArray bytes;
    while (!rest.isEmpty()) {
        const QString word = takeWord(rest);
        bool ok = false;
        const uint byte = word.toUInt(&ok, 16);
        if (!ok || byte > 0xFF)
            fail(QStringLiteral("bad byte '%1'").arg(word));
        bytes.append(char(byte));
    }
    if (!writeInitialBytes(space, address, bytes))
        fail(QStringLiteral("bytes at 0x%1 lie outside the memory ranges").arg(address, 0, 16));
}

// text ADDRESS "TEXT": the text as written, then a zero byte.
void SimulatedDebugExpressionParser::textDirective(QString rest, const QString &)
{
    quint32 space = 0;
    quint64 address = 0;
    parseAddress(takeWord(rest), &space, &address);
    const QChar quote = QLatin1Char('"');
    if (rest.size() < 2 || !rest.startsWith(quote) || !rest.endsWith(quote))
        fail(QStringLiteral("quoted text expected"));
    const QByteArray bytes = rest.mid(1, rest.size() - 2).toLatin1() + '\0';
    if (!writeInitialBytes(space, address, bytes))
        fail(QStringLiteral("text at 0x%1 lies outside the memory ranges").arg(address, 0, 16));
}

// struct TAG { ... }: the whole line is a type as a cast writes it.
void SimulatedDebugExpressionParser::structDirective(QString rest, const QString &)
{
    const UserTypePtr type = typeOf(QStringLiteral("struct ") + rest);
    const auto *structure = dynamic_cast<const StructType *>(type.get());
    if (!structure || structure->tag().isEmpty())
        fail(QStringLiteral("struct declaration expected"));
    addStruct(structure->tag(), type);
}

// typedef NAME TYPE
void SimulatedDebugExpressionParser::typedefDirective(QString rest, const QString &)
{
    const QString name = takeWord(rest);
    addTypedef(name, typeOf(rest));
}

// variable NAME ADDRESS TYPE
void SimulatedDebugExpressionParser::variableDirective(QString rest, const QString &)
{
    const QString name = takeWord(rest);
    quint32 space = 0;
    quint64 address = 0;
    parseAddress(takeWord(rest), &space, &address);
    addVariable(name, typeOf(rest), space, address);
}

// register NAME VALUE [TYPE]: a register holds what fits in its bits, never an
// aggregate or a string.
void SimulatedDebugExpressionParser::registerDirective(QString rest, const QString &)
{
    const QString name = takeWord(rest);
    const quint64 value = number(takeWord(rest));
    const UserTypePtr type = rest.isEmpty()
        ? std::make_shared<SimpleType>(BasicType::Int, true) : typeOf(rest);
    const auto *simple = dynamic_cast<const SimpleType *>(type.get());
    if (type->category() == UserType::Category::Array
        || type->category() == UserType::Category::Struct
        || (simple && simple->basic() == BasicType::String))
        fail(QStringLiteral("a register holds an integer, a floating value or a pointer"));
    addRegister(name, type, value);
}

// line FILE LINE ADDRESS
void SimulatedDebugExpressionParser::lineDirective(QString rest, const QString &)
{
    const QString file = takeWord(rest);
    const qint64 line = qint64(number(takeWord(rest)));
    addLine(file, line, number(takeWord(rest)));
}

// set EXPRESSION: evaluated once; the whole line must be one expression.
void SimulatedDebugExpressionParser::setDirective(QString rest, const QString &)
{
    int end = 0;
    ExpressionPtr expression = parseExpression(rest, &end);
    if (!expression)
        fail(QStringLiteral("expression expected"));
    if (end < rest.size())
        fail(QStringLiteral("unexpected text '%1'").arg(rest.mid(end)));
    expression->evaluate().resolved();
}

// load FILE [ADDRESS]: every section of the file goes into the memory ranges; a raw
// binary file, which has no addresses of its own, is placed at ADDRESS.
void SimulatedDebugExpressionParser::loadDirective(QString rest, const QString &directory)
{
    const QString name = takeWord(rest);
    if (name.isEmpty())
        fail(QStringLiteral("load file expected"));
    quint32 space = 0;
    quint64 address = 0;
    if (!rest.isEmpty())
        parseAddress(takeWord(rest), &space, &address);
    const QString path = QDir(directory).filePath(name);
    LoadFileFactory factory;
    const QString format = factory.formatForFileName(path);
    if (format.isEmpty())
        fail(QStringLiteral("unknown load-file format of %1").arg(name));
    std::unique_ptr<LoadFileInterface> loadFile = factory.create(path, format);
    if (!loadFile)
        fail(QStringLiteral("unknown load-file format of %1").arg(name));
    if (!loadFile->isAddressed())
        loadFile->setLoadAddress(address);
    LoadFileSections &sections = loadFile->sections();
    for (int i = 0; i < sections.count(); ++i) {
        const LoadFileSectionInterface *section = sections.at(i);
        const QByteArray bytes(reinterpret_cast<const char *>(section->data()),
                               int(section->size()));
        if (!writeInitialBytes(space, section->address(), bytes))
            fail(QStringLiteral("%1: data at 0x%2 lie outside the memory ranges")
                     .arg(name).arg(section->address(), 0, 16));
    }
}
