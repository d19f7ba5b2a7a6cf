#pragma once

// The insides of the Forth system, shared by the inner interpreter, the outer
// interpreter and the word groups. Users go through ForthInterpreter.

#include "forthexception.h"

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QString>

#include <csignal>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <vector>

class ForthSystem;
struct PCFA;
struct Instr;

/// What a cell holds. Int is zero so that "both operands are integers" is one test of
/// the or-ed kinds, the question every arithmetic word asks first.
enum class CellKind : uint32_t { Int = 0, Float, String, Code, Data, Return };

/// A typed cell. Data addresses are `i` with the region number above bit 40 and the cell
/// offset below; code addresses point at their word; strings at text the system keeps.
struct Cell
{
    union {
        int64_t i;
        double f;
        PCFA *word;
        const QByteArray *text;
        const Instr *ret;
    };
    CellKind kind;
    uint32_t spare;
};

inline Cell intCell(int64_t value)
{
    Cell cell;
    cell.i = value;
    cell.kind = CellKind::Int;
    cell.spare = 0;
    return cell;
}
inline Cell floatCell(double value)
{
    Cell cell = intCell(0);
    cell.f = value;
    cell.kind = CellKind::Float;
    return cell;
}
inline Cell codeCell(PCFA *word)
{
    Cell cell = intCell(0);
    cell.word = word;
    cell.kind = CellKind::Code;
    return cell;
}

constexpr int regionShift = 40;
constexpr int64_t offsetMask = (int64_t(1) << regionShift) - 1;

/// The regions of the data space. Every access checks the region and the allotted size.
enum Region : int {
    RegionDictionary = 1,  // HERE, ALLOT, CREATE, compiled strings
    RegionSystem,          // STATE
    RegionTransient,       // interpreted S" strings and HTML-ESCAPE results, per line
    RegionWord,            // the counted string of WORD
    RegionInput,           // the input line of source depth 0; deeper sources follow
};

inline Cell dataCell(int region, int64_t offset)
{
    Cell cell = intCell((int64_t(region) << regionShift) + offset);
    cell.kind = CellKind::Data;
    return cell;
}

enum class PMemoryKind { PUMemory, PIMemory, PHMemory };

/// One region of the data space: `allotted` cells of `cells` may be used. The dictionary
/// region is one large reservation the kernel fills in on use, so its cells never move.
struct PMemory
{
    PMemoryKind kind = PMemoryKind::PHMemory;
    Cell *cells = nullptr;
    int64_t allotted = 0;
    int64_t capacity = 0;
    int64_t used = 0;  // the dictionary's high-water mark (above it cells are 0); the
                       // transient region's next free cell
    std::vector<Cell> storage;  // for the small regions
};

using NativeFn = void (*)(ForthSystem &);

/// The instructions of compiled code, each named after the run-time piece it stands for.
/// Primitive words compile to their own instruction; everything else runs as PNative.
enum class Op : uint32_t {
    PLiteral,        // ( -- x )        the cell in i with kind arg
    PCall,           // ( -- )          enter word's code
    PCallAt,         // ( -- )          enter word's code at offset arg (DOES> code)
    PExit,           // ( -- )          return to the caller
    PBranch,         // ( -- )          ip += arg
    PZBranch,        // ( flag -- )     ip += arg when flag is zero
    POfBranch,       // ( x1 x2 -- | x1 ) drop both when equal, else keep x1 and branch
    PDoRun,          // ( limit index -- )
    PQuestionDoRun,  // ( limit index -- ) branch by arg past the loop when equal
    PLoopRun,        // ( -- )          step by one, branch back while in the loop
    PPlusLoopRun,    // ( n -- )
    PIRun,           // ( -- index )
    PJRun,           // ( -- index' )
    PLeave,          // ( -- )          drop the loop frame, branch past the loop
    PUnloop,         // ( -- )
    PExecute,        // ( xt -- )
    PNative,         // ( ... )         fn does it all
    PValueFetch,     // ( -- x )        word's value
    PValueStore,     // ( x -- )        TO value
    PLocalsEnter,    // ( -- )          a frame of arg locals
    PLocalsLeave,    // ( -- )
    PLocalFetch,     // ( -- x )
    PLocalStore,     // ( x -- )
    PPostponeRun,    // ( -- )          compile word into the current definition
    PDoesRun,        // ( -- )          latest word runs word's code at arg, then return
    // Primitives
    Store, Mul, StarSlash, StarSlashMod, Add, PlusStore, Sub, Div, DivMod, MinusRot,
    ZeroLess, ZeroEqual, OnePlus, OneMinus, TwoStore, TwoStar, TwoSlash, TwoFetch, TwoDrop,
    TwoDup, TwoOver, TwoSwap, Less, Equal, Greater, GreaterEqual, ToR, QuestionDup, Fetch,
    Abs, And, CharPlus, Chars, Depth, Drop, Dup, Invert, LShift, Max, Min, Mod, Negate, Or,
    Over, RFrom, RFetch, Rot, RShift, Swap, ULess, Xor, ZeroNotEqual, ZeroGreater,
    ZeroGreaterEqual, TwoToR, TwoRFrom, TwoRFetch, NotEqual, Nip, Pick, Tuck, UGreater, Within,
    CFetch, CStore, Cells, CellPlus,
    // A literal and the operator after it, fused by the compiler ( x -- x op i ).
    AddLiteral, SubLiteral, LessLiteral, GreaterLiteral, EqualLiteral, AndLiteral,
    Count
};

struct Instr
{
    Op op;
    int32_t arg;
    union {
        int64_t i;
        double f;
        PCFA *word;
        NativeFn fn;
    };
};

enum class WordKind {
    Primitive,          // one instruction
    Native,             // a C++ function
    PColonChild,
    PColonNonameChild,
    PConstantChild,
    PValueChild,
    PCreateChild,       // CREATE and VARIABLE: the data address
    PDoesChild,
    FVocabularyChild,
};

struct Wordlist;

/// A dictionary entry: name, flags (1 primitive, 2 immediate) and the code EXECUTE runs.
/// For colon definitions the code is the body; for every other word a short thunk ending
/// in PExit, which COMPILE, copies in place of a call.
struct PCFA
{
    enum Flag { Primitive = 1, Immediate = 2 };

    QByteArray name;
    int flags = 0;
    WordKind kind = WordKind::Native;
    std::vector<Instr> code;
    Cell value;               // PValueChild's value; PCreateChild/PDoesChild's body address
    Wordlist *vocabulary = nullptr;  // FVocabularyChild
    bool isPrivate = false;   // PPrivateCFA: not listed by WORDS

    bool isImmediate() const { return flags & Immediate; }
};

/// A word list: names in definition order and an index by upper-case name (lookups
/// ignore case). An empty name is an unnamed list, shown as ANON-WORDLIST.
struct Wordlist
{
    QByteArray name;
    int64_t id = 0;
    std::vector<PCFA *> words;
    QHash<QByteArray, PCFA *> index;  // upper-case name -> latest entry (CSEntry)
};

/// One item of the control-flow stack; `fixups` are the forward branches a do-sys
/// (LEAVE, ?DO) or a case-sys (ENDOF) resolves when it closes.
enum class ControlKind { CSOrig, CSDest, CSColonSys, CSDoSys, CSOfSys, CSCaseSys };
struct CSItem
{
    ControlKind kind;
    int position;
    std::vector<int> fixups;
};

struct LoopFrame
{
    int64_t index;
    int64_t limit;
};

/// Where interpreted text comes from: a file (id > 0), lines of a text (user input,
/// id 0) or an EVALUATE string (id -1, one line).
struct InputSource
{
    QString name;
    int64_t id = 0;
    QByteArray line;
    int in = 0;              // >IN: the parse position in `line`
    int lineNumber = 0;
    QByteArray text;         // the text of a text source
    int textPosition = 0;    // next unread byte of `text`
    bool hasLine = false;    // an EVALUATE string is its one line
};

/// The Forth system: stacks, data space, dictionary and the two interpreters.
class ForthSystem
{
public:
    static constexpr int stackSize = 512;
    static constexpr int localsSize = 4096;
    static constexpr int maxOrder = 16;
    static constexpr int maxSourceDepth = 32;
    static constexpr int64_t dictionaryCells = int64_t(1) << 24;
    static constexpr int64_t transientCells = int64_t(1) << 20;

    ForthSystem();
    ~ForthSystem();
    ForthSystem(const ForthSystem &) = delete;
    ForthSystem &operator=(const ForthSystem &) = delete;

    // The outer interpreter.
    void interpretSource(InputSource source);
    void interpretLine();
    void interpretName(const QByteArray &name);
    bool refill();
    InputSource &source() { return m_sources.back(); }
    QByteArray parseName();
    QByteArray parse(char delimiter);                // the rest of the line when missing
    QByteArray parseClosed(char delimiter, const char *what);  // throws without it
    Cell inputAddress(int offset) const;
    void includeFile(const QString &fileName);
    void includeOpenFile(int64_t fileId, const QString &name);
    void resetAfterError();

    // The inner interpreter.
    void run(const Instr *code);
    void execute(PCFA *word)
    {
        checkComplete(word);
        run(word->code.data());
    }
    // The definition being compiled has no end yet: running it is invalid recursion.
    void checkComplete(const PCFA *word) const
    {
        if (word == m_defining)
            throw ForthException(-27);
    }

    // Stacks, for the native words.
    void push(const Cell &cell)
    {
        if (m_sp >= m_stack + stackSize)
            throw ForthException(-4);
        *m_sp++ = cell;
    }
    void pushInt(int64_t value) { push(intCell(value)); }
    Cell pop()
    {
        if (m_sp <= m_stack)
            throw ForthException(-3);
        return *--m_sp;
    }
    int64_t popInt();
    double popFloat();
    PCFA *popWord();
    void need(int count) const
    {
        if (m_sp - m_stack < count)
            throw ForthException(-3);
    }
    int64_t depth() const { return m_sp - m_stack; }

    // Data space.
    /// The cell at a data address; throws unless it lies in an allotted region.
    Cell *cellAt(const Cell &address, bool store)
    {
        const uint64_t region = uint64_t(address.i) >> regionShift;
        const int64_t offset = address.i & offsetMask;
        if (address.kind == CellKind::Data && region < m_regions.size()
            && offset < m_regions[region].allotted)
            return m_regions[region].cells + offset;
        throwBadAddress(address, store);
    }
    [[noreturn]] void throwBadAddress(const Cell &address, bool store);
    void allot(int64_t cells);
    PMemory &dictionary() { return m_regions[RegionDictionary]; }
    const PMemory &dictionary() const { return m_regions[RegionDictionary]; }
    Cell here() const { return dataCell(RegionDictionary, dictionary().allotted); }
    void comma(const Cell &cell);
    QByteArray readString(const Cell &address, int64_t length);
    Cell transientString(const QByteArray &text);   // in the per-line region
    Cell dictionaryString(const QByteArray &text);  // allotted at HERE
    void checkInterrupt();

    // The dictionary.
    PCFA *find(const QByteArray &name, int *localIndex = nullptr);
    PCFA *define(const QByteArray &name, WordKind kind, int flags = 0);
    void link(PCFA *word);
    PCFA *defineConstant(const QByteArray &name, const Cell &value,
                         WordKind kind = WordKind::PConstantChild);
    PCFA *addNative(const char *name, NativeFn fn, int flags = 0);
    PCFA *addPrimitive(const char *name, Op op, int flags = PCFA::Primitive);
    Wordlist *newWordlist(const QByteArray &name);
    Wordlist *wordlistFromId(int64_t id);
    QByteArray parseDefinitionName();

    // The compiler.
    bool compiling() const { return m_state->i != 0; }
    void setCompiling(bool on) { *m_state = intCell(on ? -1 : 0); }
    std::vector<Instr> &code();                       // the current definition's
    int emitOp(Op op, int64_t operand = 0, int arg = 0);
    void emitLiteral(const Cell &cell);
    void compileWord(PCFA *word);
    void resolveForward(int from);                    // a branch at from to the next instr
    void markLabel();                                 // a branch goes to the next instr
    bool fuseWithLiteral(Op op);
    void branchBack(Op op, int to);
    CSItem popControl(ControlKind kind, const char *message);
    int controlDepthOf(ControlKind kind) const;       // index from the top, -1 when none
    void beginDefinition(PCFA *word);
    void endDefinition();
    void declareLocal(const QByteArray &name, bool fromStack);
    void compileExit();

    void output(const QByteArray &bytes) { m_output(bytes.constData(), size_t(bytes.size())); }
    void output(const char *data, size_t size) { m_output(data, size); }
    static QByteArray cellText(const Cell &cell);
    QByteArray stackText() const;  // "<depth> " then each cell and a blank

    // State; public for the word groups, which are small functions over it.
    Cell m_stack[stackSize + 1];
    Cell *m_sp = m_stack;
    Cell m_rstack[stackSize + 1];
    Cell *m_rp = m_rstack;
    LoopFrame m_loops[stackSize + 1];
    LoopFrame *m_lp = m_loops;
    Cell m_locals[localsSize];
    int m_localsTop = 0;
    int m_localsFrame = 0;

    std::vector<PMemory> m_regions;
    Cell *m_state = nullptr;

    std::deque<std::unique_ptr<PCFA>> m_words;
    std::deque<std::unique_ptr<Wordlist>> m_wordlists;
    std::deque<QByteArray> m_strings;                 // texts of string cells
    std::vector<Wordlist *> m_order;                  // first entry searched first
    Wordlist *m_forth = nullptr;
    Wordlist *m_current = nullptr;
    PCFA *m_latest = nullptr;
    PCFA *m_defining = nullptr;
    bool m_definingLinks = false;                     // link at ";" (colon definitions)
    std::vector<CSItem> m_control;
    std::vector<QByteArray> m_localNames;             // upper case, of the definition
    int m_localsEnter = -1;                           // its PLocalsEnter, -1 without locals
    int m_labelAt = -1;       // PLabel: the latest branch target in the current definition

    std::vector<InputSource> m_sources;
    std::function<void(const char *, size_t)> m_output;

    /// A file of the file words; its fileid is its index in m_files plus one.
    struct OpenFile
    {
        QFile file;
    };
    std::vector<std::unique_ptr<OpenFile>> m_files;
    QFile *fileFromId(int64_t fileId);
};

extern volatile std::sig_atomic_t forthInterruptRequested;

// The word groups; each registers its words.
void registerCoreWords(ForthSystem &system);
void registerCompilerWords(ForthSystem &system);
void registerSearchWords(ForthSystem &system);
void registerFileWords(ForthSystem &system);

[[noreturn]] void throwTypeError(const char *message);
