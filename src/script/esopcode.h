#pragma once

#include <QtGlobal>

#include <iterator>

// Instruction encoding: one opcode byte, then zero, one or two 16-bit operands, each
// high byte first. Jump targets are absolute byte positions in the same block, so a
// block holds at most 65,535 bytes.
//
//   +--------+--------+--------+--------+--------+
//   | opcode | operand 1 (hi,lo) | operand 2 (hi,lo) |
//   +--------+--------+--------+--------+--------+
//
// The machine keeps the top of the stack in the accumulator: "push X" stores the
// accumulator in the next free slot and loads X; "drop" reloads the accumulator from
// the highest used slot. The stack effects below are written over the whole stack,
// accumulator included, top on the right.

/// The instruction set; the numbers are the byte values in code.
enum class ESOp : quint8 {
    Num,         // ( -- n )            number constant by index
    Num0, Num1, Num2, Num3, Num4,
    NumM1,       // ( -- -1 )
    Null, True, False, Undefined,
    This,        // ( -- this )
    Str,         // ( -- atom )
    New,         // ( f -- o )           construct without arguments
    NewA,        // ( a1..an f -- o )    construct with n arguments
    Drop,        // ( x -- )
    Dup,         // ( x -- x x )
    Void,        // ( x -- undefined )
    TypeOf,      // ( x -- name )
    Enum,        // ( o -- e )           the enumeration object of a for-in
    Next,        // ( e -- key ) or ( e -- ) and jump when no key remains
    Closure,     // ( -- f )             a function of a registered block
    MkArray,     // ( x1..xn -- array )
    NewObj,      // ( -- o )
    With,        // ( o -- )             o in front of the scope chain
    EndWith,     // ( -- )               drops the front scope node
    InitF,       // ( o v -- o )         o.atom = v
    CallW,       // ( a1..an -- r )      call the name atom found on the scope chain
    CallF,       // ( o a1..an -- r )    call o.atom with this = o
    CallG, CallA, CallAM, CallL, CallLM,  // ( a1..an -- r ) call a variable
    CallX,       // ( o k a1..an -- r )  call o[k] with this = o
    GetW, GetF, GetG, GetA, GetL, GetAM, GetLM,  // ( -- v ), GetF ( o -- o.atom )
    GetX,        // ( o k -- o[k] )
    PutW, PutF, PutG, PutA, PutL, PutAM, PutLM,  // ( v -- ), PutF ( v o -- )
    PutX,        // ( v o k -- )
    Add, AddX,   // ( a b -- a+b ), the X forms ( o k v -- o[k] op= v )
    Sub, SubX,
    Mul, MulX,
    Div, DivX,
    Mod, ModX,
    BitAnd, BitAndX,
    BitOr, BitOrX,
    BitXor, BitXorX,
    Shl, ShlX,   // the shift X forms are never executed
    Shr, ShrX,
    UShr, UShrX,
    Inc,         // never executed
    IncG, IncA, IncL,  // ( -- ) the variable becomes to-number of itself plus 1
    IncM, IncLM,       // never executed
    Dec,               // never executed
    DecG, DecA, DecL,  // ( -- ) minus 1
    DecAM, DecLM,      // never executed
    PreIncX, PostIncX, PreDecX, PostDecX,  // ( name -- new ) / ( name -- old )
    DeleteW,     // ( -- bool )
    DeleteX,     // ( o k -- bool )
    Lt, Le,      // ( a b -- a<b )
    Eq, Ne,
    Identity,    // ( a b -- a===b ), switch cases
    NotIdentity, // ( a b -- a!==b ), never emitted
    LogNot, BitNot, Pos, Neg,  // ( x -- op x )
    LogAnd,      // ( x -- x ) and jump when falsy, else ( x -- )
    LogOr,       // ( x -- x ) and jump when truthy, else ( x -- )
    J,           // ( -- )
    JT, JF,      // ( c -- ) jump when truthy / falsy
    JTDrop,      // ( d c -- ) and jump when c is truthy, else ( d c -- d )
    JLt,         // ( a b -- ) jump when a < b
    Ret,         // ( r -- ) return r
    RetU,        // ( -- ) return undefined
    Count
};

/// What an operand means (and how the listing prints it).
enum class ESOperand : quint8 {
    None,
    Constant,      // index into the block's number constants
    Atom,          // process-wide atom number
    Target,        // byte position in the block
    Count,         // argument or element count
    Block,         // number in the context's block registry
    GlobalSlot,    // index into the global object's property array
    ArgumentSlot,  // the block's parameter table
    LocalSlot,     // the block's local table
};

/// One row of the opcode table: the listing's name, the two operands' kinds, and
/// whether the machine executes the opcode (the others raise "???").
struct ESOpInfo
{
    const char *name;
    ESOperand first;
    ESOperand second;
    bool executed;  // false: the machine reports "???"
};

constexpr ESOpInfo esOpTable[] = {   // one row per ESOp, in order
    {"NUM", ESOperand::Constant, ESOperand::None, true},
    {"NUM_0", ESOperand::None, ESOperand::None, true},
    {"NUM_1", ESOperand::None, ESOperand::None, true},
    {"NUM_2", ESOperand::None, ESOperand::None, true},
    {"NUM_3", ESOperand::None, ESOperand::None, true},
    {"NUM_4", ESOperand::None, ESOperand::None, true},
    {"NUM_M1", ESOperand::None, ESOperand::None, true},
    {"NULL", ESOperand::None, ESOperand::None, true},
    {"TRUE", ESOperand::None, ESOperand::None, true},
    {"FALSE", ESOperand::None, ESOperand::None, true},
    {"UNDEFINED", ESOperand::None, ESOperand::None, true},
    {"THIS", ESOperand::None, ESOperand::None, true},
    {"STR", ESOperand::Atom, ESOperand::None, true},
    {"NEW", ESOperand::None, ESOperand::None, true},
    {"NEWA", ESOperand::Count, ESOperand::None, true},
    {"DROP", ESOperand::None, ESOperand::None, true},
    {"DUP", ESOperand::None, ESOperand::None, true},
    {"VOID", ESOperand::None, ESOperand::None, true},
    {"TYPEOF", ESOperand::None, ESOperand::None, true},
    {"ENUM", ESOperand::None, ESOperand::None, true},
    {"NEXT", ESOperand::Target, ESOperand::None, true},
    {"CLOSURE", ESOperand::Block, ESOperand::None, true},
    {"MKARRAY", ESOperand::Count, ESOperand::None, true},
    {"NEWOBJ", ESOperand::None, ESOperand::None, true},
    {"WITH", ESOperand::None, ESOperand::None, true},
    {"ENDWITH", ESOperand::None, ESOperand::None, true},
    {"INITF", ESOperand::Atom, ESOperand::None, true},
    {"CALLW", ESOperand::Atom, ESOperand::Count, true},
    {"CALLF", ESOperand::Atom, ESOperand::Count, true},
    {"CALLG", ESOperand::GlobalSlot, ESOperand::Count, true},
    {"CALLA", ESOperand::ArgumentSlot, ESOperand::Count, true},
    {"CALLAM", ESOperand::ArgumentSlot, ESOperand::Count, true},
    {"CALLL", ESOperand::LocalSlot, ESOperand::Count, true},
    {"CALLLM", ESOperand::LocalSlot, ESOperand::Count, true},
    {"CALLX", ESOperand::None, ESOperand::Count, true},
    {"GETW", ESOperand::Atom, ESOperand::None, true},
    {"GETF", ESOperand::Atom, ESOperand::None, true},
    {"GETG", ESOperand::GlobalSlot, ESOperand::None, true},
    {"GETA", ESOperand::ArgumentSlot, ESOperand::None, true},
    {"GETL", ESOperand::LocalSlot, ESOperand::None, true},
    {"GETAM", ESOperand::ArgumentSlot, ESOperand::None, true},
    {"GETLM", ESOperand::LocalSlot, ESOperand::None, true},
    {"GETX", ESOperand::None, ESOperand::None, true},
    {"PUTW", ESOperand::Atom, ESOperand::None, true},
    {"PUTF", ESOperand::Atom, ESOperand::None, true},
    {"PUTG", ESOperand::GlobalSlot, ESOperand::None, true},
    {"PUTA", ESOperand::ArgumentSlot, ESOperand::None, true},
    {"PUTL", ESOperand::LocalSlot, ESOperand::None, true},
    {"PUTAM", ESOperand::ArgumentSlot, ESOperand::None, true},
    {"PUTLM", ESOperand::LocalSlot, ESOperand::None, true},
    {"PUTX", ESOperand::None, ESOperand::None, true},
    {"ADD", ESOperand::None, ESOperand::None, true},
    {"ADDX", ESOperand::None, ESOperand::None, true},
    {"SUB", ESOperand::None, ESOperand::None, true},
    {"SUBX", ESOperand::None, ESOperand::None, true},
    {"MUL", ESOperand::None, ESOperand::None, true},
    {"MULX", ESOperand::None, ESOperand::None, true},
    {"DIV", ESOperand::None, ESOperand::None, true},
    {"DIVX", ESOperand::None, ESOperand::None, true},
    {"MOD", ESOperand::None, ESOperand::None, true},
    {"MODX", ESOperand::None, ESOperand::None, true},
    {"BITAND", ESOperand::None, ESOperand::None, true},
    {"BITANDX", ESOperand::None, ESOperand::None, true},
    {"BITOR", ESOperand::None, ESOperand::None, true},
    {"BITORX", ESOperand::None, ESOperand::None, true},
    {"BITXOR", ESOperand::None, ESOperand::None, true},
    {"BITXORX", ESOperand::None, ESOperand::None, true},
    {"SHL", ESOperand::None, ESOperand::None, true},
    {"SHLX", ESOperand::None, ESOperand::None, false},
    {"SHR", ESOperand::None, ESOperand::None, true},
    {"SHRX", ESOperand::None, ESOperand::None, false},
    {"USHR", ESOperand::None, ESOperand::None, true},
    {"USHRX", ESOperand::None, ESOperand::None, false},
    {"INC", ESOperand::None, ESOperand::None, false},
    {"INCG", ESOperand::GlobalSlot, ESOperand::None, true},
    {"INCA", ESOperand::ArgumentSlot, ESOperand::None, true},
    {"INCL", ESOperand::LocalSlot, ESOperand::None, true},
    {"INCM", ESOperand::ArgumentSlot, ESOperand::None, false},
    {"INCLM", ESOperand::LocalSlot, ESOperand::None, false},
    {"DEC", ESOperand::None, ESOperand::None, false},
    {"DECG", ESOperand::GlobalSlot, ESOperand::None, true},
    {"DECA", ESOperand::ArgumentSlot, ESOperand::None, true},
    {"DECL", ESOperand::LocalSlot, ESOperand::None, true},
    {"DECAM", ESOperand::ArgumentSlot, ESOperand::None, false},
    {"DECLM", ESOperand::LocalSlot, ESOperand::None, false},
    {"PREINCX", ESOperand::None, ESOperand::None, true},
    {"POSTINCX", ESOperand::None, ESOperand::None, true},
    {"PREDECX", ESOperand::None, ESOperand::None, true},
    {"POSTDECX", ESOperand::None, ESOperand::None, true},
    {"DELETEW", ESOperand::Atom, ESOperand::None, true},
    {"DELETEX", ESOperand::None, ESOperand::None, true},
    {"LT", ESOperand::None, ESOperand::None, true},
    {"LE", ESOperand::None, ESOperand::None, true},
    {"EQ", ESOperand::None, ESOperand::None, true},
    {"NE", ESOperand::None, ESOperand::None, true},
    {"IDENTITY", ESOperand::None, ESOperand::None, true},
    {"NOTIDENTITY", ESOperand::None, ESOperand::None, true},
    {"LOGNOT", ESOperand::None, ESOperand::None, true},
    {"BITNOT", ESOperand::None, ESOperand::None, true},
    {"POS", ESOperand::None, ESOperand::None, true},
    {"NEG", ESOperand::None, ESOperand::None, true},
    {"LOGAND", ESOperand::Target, ESOperand::None, true},
    {"LOGOR", ESOperand::Target, ESOperand::None, true},
    {"J", ESOperand::Target, ESOperand::None, true},
    {"JT", ESOperand::Target, ESOperand::None, true},
    {"JF", ESOperand::Target, ESOperand::None, true},
    {"JT_DROP", ESOperand::Target, ESOperand::None, true},
    {"JLT", ESOperand::Target, ESOperand::None, true},
    {"RET", ESOperand::None, ESOperand::None, true},
    {"RETU", ESOperand::None, ESOperand::None, true},
};
static_assert(std::size(esOpTable) == std::size_t(ESOp::Count), "esOpTable out of step with ESOp");
static_assert(int(ESOp::Str) == 12 && int(ESOp::CallW) == 27 && int(ESOp::PutX) == 50
                  && int(ESOp::IncG) == 74 && int(ESOp::DeleteW) == 89
                  && int(ESOp::NotIdentity) == 96 && int(ESOp::RetU) == 109,
              "ESOp numbers are the byte values of compiled code");

/// The row of an opcode byte, or null above the last opcode.
inline const ESOpInfo *esOpInfo(quint8 opcode)
{
    return opcode < std::size(esOpTable) ? &esOpTable[opcode] : nullptr;
}
/// Instruction length in bytes: 1, 3 or 5.
constexpr int esOpLength(const ESOpInfo &row)
{
    return 1 + (row.first != ESOperand::None ? 2 : 0) + (row.second != ESOperand::None ? 2 : 0);
}
