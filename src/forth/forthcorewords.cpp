// Core words that are not control structures or definitions: the primitives, output,
// memory, numbers, input, strings and exceptions. Each native is a few lines over the
// ForthSystem stacks, with its stack effect above it.

#include "forthsystem_p.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

using S = ForthSystem;

// ( x -- )
void dot(S &s)
{
    s.output(S::cellText(s.pop()) + ' ');
}

// ( n w -- ) n right-aligned in a field of w characters
void dotR(S &s)
{
    const int64_t width = s.popInt();
    const QByteArray text = S::cellText(s.pop());
    if (width > text.size())
        s.output(QByteArray(int(qMin<int64_t>(width, 4096) - text.size()), ' '));
    s.output(text);
}

// ( -- ) "<depth> " and each cell, deepest first
void dotS(S &s)
{
    s.output(s.stackText());
}

// ( u -- ) unsigned
void uDot(S &s)
{
    s.output(QByteArray::number(qulonglong(s.popInt())) + ' ');
}

// ( char -- )
void emitChar(S &s)
{
    const char c = char(s.popInt());
    s.output(&c, 1);
}

// ( -- )
void cr(S &s) { s.output("\n", 1); }
void space(S &s) { s.output(" ", 1); }

// ( n -- )
void spaces(S &s)
{
    const int64_t count = s.popInt();
    if (count > 0)
        s.output(QByteArray(int(qMin<int64_t>(count, 1 << 20)), ' '));
}

// ( c-addr u -- )
void type(S &s)
{
    const int64_t length = s.popInt();
    s.output(s.readString(s.pop(), length));
}

// ( c-addr1 -- c-addr2 u )
void count(S &s)
{
    const Cell address = s.pop();
    const Cell length = *s.cellAt(address, false);
    Cell next = address;
    next.i += 1;
    s.push(next);
    s.push(length);
}

// ( addr1 addr2 u -- ) copies u cells, overlapping or not
void move(S &s)
{
    const int64_t length = s.popInt();
    const Cell to = s.pop(), from = s.pop();
    if (length <= 0)
        return;
    Cell lastTo = to, lastFrom = from;
    lastTo.i += length - 1;
    lastFrom.i += length - 1;
    s.cellAt(lastFrom, false);
    s.cellAt(lastTo, true);
    Cell *target = s.cellAt(to, true);
    const Cell *source = s.cellAt(from, false);
    std::memmove(static_cast<void *>(target), source, size_t(length) * sizeof(Cell));
}

// ( addr u char -- )
void fill(S &s)
{
    const Cell value = intCell(s.popInt() & 0xff);
    const int64_t length = s.popInt();
    const Cell address = s.pop();
    if (length <= 0)
        return;
    Cell last = address;
    last.i += length - 1;
    s.cellAt(last, true);
    Cell *cells = s.cellAt(address, true);
    std::fill(cells, cells + length, value);
}

// ( -- c-addr u ) the input line
void source(S &s)
{
    s.push(s.inputAddress(0));
    s.pushInt(s.source().line.size());
}

// ( n -- )
void allotWord(S &s) { s.allot(s.popInt()); }

// ( x -- )
void commaWord(S &s) { s.comma(s.pop()); }

// ( char -- )
void cComma(S &s) { s.comma(intCell(s.popInt() & 0xff)); }

// ( x1 x2 -- ) two cells at HERE, x2 first as 2! stores them
void twoComma(S &s)
{
    const Cell second = s.pop(), first = s.pop();
    s.comma(second);
    s.comma(first);
}

// ( -- addr )
void here(S &s) { s.push(s.here()); }

// ( -- u )
void unused(S &s) { s.pushInt(s.dictionary().capacity - s.dictionary().allotted); }

// ( -- addr )
void state(S &s) { s.push(dataCell(RegionSystem, 0)); }

// ( ud1 c-addr1 u1 -- ud2 c-addr2 u2 ) decimal digits into the double number
void toNumber(S &s)
{
    int64_t length = s.popInt();
    Cell address = s.pop();
    const uint64_t high = uint64_t(s.popInt()), low = uint64_t(s.popInt());
    unsigned __int128 value = (static_cast<unsigned __int128>(high) << 64) | low;
    while (length > 0) {
        const Cell c = *s.cellAt(address, false);
        if (c.kind != CellKind::Int || c.i < '0' || c.i > '9')
            break;
        value = value * 10 + unsigned(c.i - '0');
        address.i += 1;
        --length;
    }
    s.pushInt(int64_t(uint64_t(value)));
    s.pushInt(int64_t(uint64_t(value >> 64)));
    s.push(address);
    s.pushInt(length);
}

// ( ud1 c-addr1 -- ud2 c-addr2 ) digits from c-addr1 + 1 up to the first non-digit
void convert(S &s)
{
    Cell address = s.pop();
    address.i += 1;
    const uint64_t high = uint64_t(s.popInt()), low = uint64_t(s.popInt());
    unsigned __int128 value = (static_cast<unsigned __int128>(high) << 64) | low;
    for (;;) {
        const Cell c = *s.cellAt(address, false);
        if (c.kind != CellKind::Int || c.i < '0' || c.i > '9')
            break;
        value = value * 10 + unsigned(c.i - '0');
        address.i += 1;
    }
    s.pushInt(int64_t(uint64_t(value)));
    s.pushInt(int64_t(uint64_t(value >> 64)));
    s.push(address);
}

// ( xu ... x0 u -- xu-1 ... x0 xu )
void roll(S &s)
{
    const int64_t n = s.popInt();
    if (n < 0 || n >= s.depth())
        throw ForthException(-3);
    Cell *item = s.m_sp - 1 - n;
    const Cell picked = *item;
    std::memmove(static_cast<void *>(item), item + 1, size_t(n) * sizeof(Cell));
    s.m_sp[-1] = picked;
}

// ( r -- r' )
void floorWord(S &s) { s.push(floatCell(std::floor(s.popFloat()))); }
void fsin(S &s) { s.push(floatCell(std::sin(s.popFloat()))); }
void fcos(S &s) { s.push(floatCell(std::cos(s.popFloat()))); }
void ftan(S &s) { s.push(floatCell(std::tan(s.popFloat()))); }

// ( "name" -- char )
void charWord(S &s)
{
    const QByteArray name = s.parseDefinitionName();
    s.pushInt(uchar(name[0]));
}

// ( char "<chars>ccc<char>" -- c-addr ) a counted string; a blank delimiter stands for
// every blank
void word(S &s)
{
    const char delimiter = char(s.popInt());
    InputSource &input = s.source();
    const auto isDelimiter = [delimiter](char c) {
        return delimiter == ' ' ? uchar(c) <= ' ' : c == delimiter;
    };
    int i = input.in;
    while (i < input.line.size() && isDelimiter(input.line[i]))
        ++i;
    const int start = i;
    while (i < input.line.size() && !isDelimiter(input.line[i]))
        ++i;
    input.in = i < input.line.size() ? i + 1 : i;
    const QByteArray text = input.line.mid(start, i - start);
    if (text.size() > 255)
        throw ForthException(-17);
    PMemory &region = s.m_regions[RegionWord];
    region.cells[0] = intCell(text.size());
    for (int k = 0; k < text.size(); ++k)
        region.cells[k + 1] = intCell(uchar(text[k]));
    region.allotted = text.size() + 1;
    s.push(dataCell(RegionWord, 0));
}

// ( char "ccc<char>" -- c-addr u )
void parseWord(S &s)
{
    const char delimiter = char(s.popInt());
    const int start = s.source().in;
    const QByteArray text = s.parse(delimiter);
    s.push(s.inputAddress(qMin(start, s.source().line.size())));
    s.pushInt(text.size());
}

// ( -- flag )
void refillWord(S &s) { s.pushInt(s.refill() ? -1 : 0); }

// ( -- ) the next line of the current source, end of input or not
void query(S &s) { s.refill(); }

// ( -- 0 | -1 | fileid )
void sourceId(S &s) { s.pushInt(s.source().id); }

// ( -- line >in 2 )
void saveInput(S &s)
{
    s.pushInt(s.source().lineNumber);
    s.pushInt(s.source().in);
    s.pushInt(2);
}

// ( line >in 2 -- flag ) true when the position is not on the current line
void restoreInput(S &s)
{
    const int64_t count = s.popInt();
    if (count != 2)
        throw ForthException(-24, "RESTORE-INPUT needs what SAVE-INPUT gave");
    const int64_t in = s.popInt(), line = s.popInt();
    InputSource &input = s.source();
    const bool restored = line == input.lineNumber && in >= 0 && in <= input.line.size();
    if (restored)
        input.in = int(in);
    s.pushInt(restored ? 0 : -1);
}

// ( c-addr u -- )
void evaluateWord(S &s)
{
    const int64_t length = s.popInt();
    InputSource input;
    input.line = s.readString(s.pop(), length);
    input.name = s.source().name;
    input.lineNumber = s.source().lineNumber;
    input.id = -1;
    s.interpretSource(std::move(input));
}

// ( i*x xt -- j*x 0 | i*x n )
void catchWord(S &s)
{
    PCFA *xt = s.popWord();
    Cell *const sp = s.m_sp;
    Cell *const rp = s.m_rp;
    LoopFrame *const lp = s.m_lp;
    const int localsTop = s.m_localsTop, localsFrame = s.m_localsFrame;
    try {
        s.execute(xt);
    } catch (const ForthException &error) {
        s.m_sp = sp;
        s.m_rp = rp;
        s.m_lp = lp;
        s.m_localsTop = localsTop;
        s.m_localsFrame = localsFrame;
        s.pushInt(error.code());
        return;
    }
    s.pushInt(0);
}

// ( k*x n -- k*x | i*x n )
void throwWord(S &s)
{
    const int64_t code = s.popInt();
    if (code != 0)
        throw ForthException(code);
}

// ( i*x -- )
void abortWord(S &)
{
    throw ForthException(-1);
}

QByteArray htmlEscaped(const QByteArray &text)
{
    QByteArray escaped;
    for (const char c : text) {
        switch (c) {
        case '&': escaped += "&amp;"; break;
        case '<': escaped += "&lt;"; break;
        case '>': escaped += "&gt;"; break;
        case '"': escaped += "&quot;"; break;
        case '\'': escaped += "&#39;"; break;
        default: escaped += c; break;
        }
    }
    return escaped;
}

Cell stringCell(S &s, const QByteArray &text)
{
    s.m_strings.push_back(text);
    Cell cell;
    cell.text = &s.m_strings.back();
    cell.kind = CellKind::String;
    cell.spare = 0;
    return cell;
}

// ( string1 -- string2 ) & < > " ' as HTML entities
void htmlEscape(S &s)
{
    const Cell text = s.pop();
    if (text.kind != CellKind::String)
        throwTypeError("string required");
    s.push(stringCell(s, htmlEscaped(*text.text)));
}

// ( c-addr u -- string ) the characters as one string cell
void stringArg(S &s)
{
    const int64_t length = s.popInt();
    s.push(stringCell(s, s.readString(s.pop(), length)));
}

struct PrimitiveEntry
{
    const char *name;
    Op op;
};

// The primitives compiled to their own instruction ( see Op for the stack effects ).
constexpr PrimitiveEntry primitives[] = {
    {"!", Op::Store}, {"*", Op::Mul}, {"*/", Op::StarSlash}, {"*/MOD", Op::StarSlashMod},
    {"+", Op::Add}, {"+!", Op::PlusStore}, {"-", Op::Sub}, {"-ROT", Op::MinusRot},
    {"/", Op::Div}, {"/MOD", Op::DivMod}, {"0<", Op::ZeroLess}, {"0=", Op::ZeroEqual},
    {"1+", Op::OnePlus}, {"1-", Op::OneMinus}, {"2!", Op::TwoStore}, {"2*", Op::TwoStar},
    {"2/", Op::TwoSlash}, {"2@", Op::TwoFetch}, {"2DROP", Op::TwoDrop}, {"2DUP", Op::TwoDup},
    {"2OVER", Op::TwoOver}, {"2SWAP", Op::TwoSwap}, {"<", Op::Less}, {"=", Op::Equal},
    {">", Op::Greater}, {">=", Op::GreaterEqual}, {">R", Op::ToR}, {"?DUP", Op::QuestionDup},
    {"@", Op::Fetch}, {"ABS", Op::Abs}, {"AND", Op::And}, {"CHAR+", Op::CharPlus},
    {"CHARS", Op::Chars}, {"DEPTH", Op::Depth}, {"DROP", Op::Drop}, {"DUP", Op::Dup},
    {"EXECUTE", Op::PExecute}, {"INVERT", Op::Invert}, {"LSHIFT", Op::LShift},
    {"MAX", Op::Max}, {"MIN", Op::Min}, {"MOD", Op::Mod}, {"NEGATE", Op::Negate},
    {"OR", Op::Or}, {"OVER", Op::Over}, {"R>", Op::RFrom}, {"R@", Op::RFetch},
    {"ROT", Op::Rot}, {"RSHIFT", Op::RShift}, {"SWAP", Op::Swap}, {"U<", Op::ULess},
    {"XOR", Op::Xor}, {"0<>", Op::ZeroNotEqual}, {"0>", Op::ZeroGreater},
    {"0>=", Op::ZeroGreaterEqual}, {"2>R", Op::TwoToR}, {"2R>", Op::TwoRFrom},
    {"2R@", Op::TwoRFetch}, {"<>", Op::NotEqual}, {"NIP", Op::Nip}, {"PICK", Op::Pick},
    {"TUCK", Op::Tuck}, {"U>", Op::UGreater}, {"WITHIN", Op::Within},
    // Standard words beyond the registered set: characters and cells are one address
    // unit each.
    {"C@", Op::CFetch}, {"C!", Op::CStore}, {"CELLS", Op::Cells}, {"CELL+", Op::CellPlus},
    {"UNLOOP", Op::PUnloop},
};

struct NativeEntry
{
    const char *name;
    NativeFn fn;
    int flags;
};

constexpr int primitive = PCFA::Primitive;

constexpr NativeEntry natives[] = {
    {",", commaWord, primitive}, {".", dot, primitive}, {">NUMBER", toNumber, primitive},
    {"ALLOT", allotWord, primitive}, {"COUNT", count, primitive},
    {"EMIT", emitChar, primitive}, {"MOVE", move, primitive}, {".R", dotR, primitive},
    {"FLOOR", floorWord, primitive}, {"FSIN", fsin, primitive}, {"FCOS", fcos, primitive},
    {"FTAN", ftan, primitive},
    {".S", dotS, 0}, {"ABORT", abortWord, 0}, {"CHAR", charWord, 0}, {"CR", cr, 0},
    {"HERE", here, 0}, {"SPACE", space, 0}, {"SPACES", spaces, 0}, {"STATE", state, 0},
    {"WORD", word, 0}, {"CONVERT", convert, 0}, {"PARSE", parseWord, 0},
    {"QUERY", query, 0}, {"REFILL", refillWord, 0}, {"RESTORE-INPUT", restoreInput, 0},
    {"ROLL", roll, 0}, {"SAVE-INPUT", saveInput, 0}, {"SOURCE-ID", sourceId, 0},
    {"UNUSED", unused, 0}, {"THROW", throwWord, 0}, {"CATCH", catchWord, 0},
    {"HTML-ESCAPE", htmlEscape, 0}, {",,", twoComma, 0}, {"STRING-ARG", stringArg, 0},
    // Beyond the registered set.
    {"TYPE", type, 0}, {"C,", cComma, 0}, {"EVALUATE", evaluateWord, 0}, {"U.", uDot, 0},
    {"FILL", fill, 0}, {"SOURCE", source, 0},
};

} // namespace

void registerCoreWords(ForthSystem &system)
{
    for (const PrimitiveEntry &entry : primitives)
        system.addPrimitive(entry.name, entry.op);
    for (const NativeEntry &entry : natives)
        system.addNative(entry.name, entry.fn, entry.flags);
    system.defineConstant("BL", intCell(' '));
}
