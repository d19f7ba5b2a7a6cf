#pragma once

// Internals shared by the lexer, the parser and the code generator.

#include <QHash>
#include <QString>

#include <memory>
#include <vector>

class ESAtom;
class ESCodeBlock;
class ESContext;

/// Token codes. Below 128 a code is the punctuation character itself; the same numbers
/// name the kinds of tree nodes, so the tree-only kinds are here too.
struct ESTok
{
    enum Code : int {
        EndOfInput = 128,
        AndAssign, OrAssign, XorAssign, ShlAssign, ShrAssign, UShrAssign,
        AddAssign, SubAssign, MulAssign, DivAssign, ModAssign,
        LogOr, LogAnd, StrictEq, StrictNe, Eq, Ne, Le, Ge, Shl, Shr, UShr, Inc, Dec,
        Number = 153,
        Identifier = 159,
        String = 161,
        This, TypeOf, Delete, Void, While, For, Break, Continue, With, Return, Function,
        Var, If, Else, In, New, Case, Default, Switch, True, False, Null,
        Line,     // a statement in a list: child 0 the statement, child 1 the next
        Column,
        PostInc, PostDec, Negate, Plus, Call, NewCall, ForIn, ForVar, ForVarIn,
        ArrayInit, ObjectInit,
        Catch = 199,
        Class, Const, Debugger, Do, Enum, Export, Extends, Finally, Import, Super, Throw, Try,
        TryCatch, TryFinally, TryCatchFinally,
    };
    static_assert(Null == 183 && ObjectInit == 196 && TryCatchFinally == 214,
                  "token codes out of step");

    /// What messages print for a code: the character, the table's name, or "token<N>".
    static QString displayName(int code);
    /// The keyword's code, or Identifier.
    static int keyword(const QString &word);
};

/// Every message a compile error can carry; the texts are in one table in
/// escompiler.cpp.
enum class ESSyntaxMessage {
    Expected,             // expected TOKEN found TOKEN
    ExpectedExpression,
    ArrayElement,
    ObjectKey,
    NotLeftHandSide,
    ForInVariables,
    ExpectedCase,
    DefaultDefined,
    NotInFunction,
    UnknownLabel,
    ContinueNotLoop,
    BreakOutsideLoop,
    ContinueOutsideLoop,
    BadDigit,
    BadNumber,
    BadHexEscape,
    NewlineInString,
    EndInString,
    UnknownCharacter,
    NestedTooDeeply,
    BlockTooLarge,
    TooManyVariables,
    TooManyAtoms,
    TooManyBlocks,
    Count
};

/// Raises the SyntaxError of `message` (with %1 and %2 filled in) at `line`.
[[noreturn]] void esSyntaxError(ESContext *cx, int line, ESSyntaxMessage message,
                                const QString &first = QString(),
                                const QString &second = QString());

/// Compiles a source: the blocks of its functions, inner ones first, and the program's
/// block last. `firstNumber` is the registry number the first block will get;
/// `scopeMode` resolves the program's free names along the scope chain (for a source
/// evaluated while a function runs). Throws ESException with a SyntaxError.
std::vector<std::unique_ptr<ESCodeBlock>> esCompile(ESContext *cx, const QString &source,
                                                    int firstNumber, bool scopeMode);

/// Throws ESFatalError "virtual machine stack too small" when the native stack of the
/// running thread is nearly used up. Every recursion of the compiler and the machine
/// passes here, so no script text can overflow the native stack.
void esCheckNativeStack(const ESContext *cx);
/// The lowest address the running thread's stack may grow to, with a margin left.
const char *esNativeStackLimit();

/// The compiler's nesting limit for statements and expressions: deeper text is a
/// SyntaxError "expression nested too deeply".
constexpr int esMaxNesting = 1000;

struct ESFunctionScope;

union ESNodeOperand
{
    ESAtom *atom;
    double number;
    qint64 integer;
    ESFunctionScope *scope;
};

/// One node of the syntax tree, a fixed record. `kind` is a token code; statement lists
/// chain Line nodes through child 1. The two chains collect the forward jumps of break
/// and continue statements that leave this node (0xFFFF ends a chain).
struct ESNode
{
    quint16 breakChain = 0xFFFF;
    quint16 continueChain = 0xFFFF;
    int kind = 0;
    ESNodeOperand operand[2] = {{nullptr}, {nullptr}};
    ESNode *child[4] = {nullptr, nullptr, nullptr, nullptr};
    int line = 0;
};

/// What the compiler knows about one function (or the program) while compiling it.
struct ESFunctionScope
{
    ESFunctionScope *parent = nullptr;  // null for the program
    ESNode *body = nullptr;             // statement list
    ESAtom *name = nullptr;
    std::vector<ESAtom *> parameters;
    std::vector<ESAtom *> locals;
    QHash<const ESAtom *, int> slots;   // parameter i as i, local j as -1 - j
    std::vector<ESFunctionScope *> children;  // function literals directly inside
    std::vector<ESNode *> declarations;       // function declarations, hoisted
    bool needsActivation = false;
    bool usesEval = false;
    bool insideWith = false;   // the literal stands inside a with statement
    int blockNumber = -1;

    bool isProgram() const { return parent == nullptr; }
    /// Adds a local unless the name is already a parameter or local; answers its slot
    /// code as in `slots`.
    int declareLocal(ESAtom *name);
    void markActivationOutwards();
};
