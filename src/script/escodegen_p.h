#pragma once

#include "escompiler_p.h"
#include "esopcode.h"

#include <QHash>

#include <memory>
#include <vector>

class ESCodeBlock;

/// Walks the tree of each function and emits its ESCodeBlock. Functions are compiled
/// before the function around them, so that by the time a function's own code is
/// emitted every nested function that reaches its variables has marked it as needing
/// an activation object. Names are resolved here: scope-chain (W), global slot (G),
/// argument or local on the stack (A, L) or in the activation object (AM, LM).
class ESCodeGenerator
{
public:
    /// `firstNumber` is the registry number the first finished block will get.
    /// `scopeMode` compiles a program that runs inside a function's scope chain (an
    /// evaluation started from a running script): its free names go by the chain.
    ESCodeGenerator(ESContext *cx, int firstNumber, bool scopeMode);

    /// Compiles `scope` and, first, every function inside it; the program's block is
    /// the last of blocks().
    void compile(ESFunctionScope *scope);
    std::vector<std::unique_ptr<ESCodeBlock>> &blocks() { return m_blocks; }

private:
    enum class Form { W, G, A, L, AM, LM };
    struct Name
    {
        Form form;
        int index;     // slot, or atom number for W
        ESAtom *atom;
    };

    void compileFunction(ESFunctionScope *scope);

    // Emitting.
    void emitByte(int byte);
    void emit(ESOp op);
    void emit(ESOp op, int operand);
    void emit(ESOp op, int first, int second);
    void emitJump(ESOp op, quint16 *chain);
    void emitJumpBack(ESOp op, int target);
    void patch(quint16 *chain, int target);
    void emitNumber(double value);
    int here() const;
    int atomOperand(ESAtom *atom);

    // Names.
    Name resolve(ESAtom *atom);
    Name hiddenVariable();
    Name slotName(ESAtom *atom, int slot);
    int globalSlot(ESAtom *atom);
    void load(const Name &name);
    void store(const Name &name);
    void call(const Name &name, int count);

    // Statements.
    void statements(ESNode *list);
    void statement(ESNode *node);
    void ifStatement(ESNode *node);
    void loopCondition(ESNode *condition, int bodyStart);
    void whileStatement(ESNode *node);
    void doStatement(ESNode *node);
    void forStatement(ESNode *node);
    void forInStatement(ESNode *node);
    void jumpStatement(ESNode *node);
    void withStatement(ESNode *node);
    void switchStatement(ESNode *node);

    // Expressions: each pushes one value when `value` is true and leaves the stack as
    // it was when it is false.
    void expression(ESNode *node, bool value);
    void pushValue(ESNode *node) { expression(node, true); }
    void binarySpine(ESNode *node);
    void conditional(ESNode *node, bool value);
    void assignment(ESNode *node, bool value);
    void compoundAssignment(ESNode *node, bool value);
    void increment(ESNode *node, bool value);
    void deletion(ESNode *node);
    void callExpression(ESNode *node);
    int arguments(ESNode *list);
    void pushKey(ESNode *member);

    ESContext *m_cx;
    int m_firstNumber;
    bool m_scopeMode;
    std::vector<std::unique_ptr<ESCodeBlock>> m_blocks;
    QHash<const ESAtom *, int> m_globalSlots;

    // The function being emitted.
    ESFunctionScope *m_scope = nullptr;
    ESCodeBlock *m_block = nullptr;
    int m_withDepth = 0;
    int m_line = 1;
    int m_depth = 0;
};
