#include "escodegen_p.h"

#include "esatom.h"
#include "escodeblock.h"
#include "escontext.h"
#include "esexception.h"
#include "esobject.h"

#include <cmath>
#include <cstring>

namespace {

// Counts one level of nesting while an emit function runs. Left-deep chains of binary
// operators are emitted in a loop, so only real nesting counts.
class ESEmitNesting
{
public:
    ESEmitNesting(int &depth, ESContext *cx, int line) : m_depth(depth)
    {
        esCheckNativeStack(cx);
        if (++m_depth > 4 * esMaxNesting) {
            --m_depth;
            esSyntaxError(cx, line, ESSyntaxMessage::NestedTooDeeply);
        }
    }
    ~ESEmitNesting() { --m_depth; }
    ESEmitNesting(const ESEmitNesting &) = delete;
    ESEmitNesting &operator=(const ESEmitNesting &) = delete;

private:
    int &m_depth;
};

// The names of hidden variables, "CG0", "CG1", ..., count on across the process.
int hiddenVariableCount = 0;

constexpr int endOfChain = 0xFFFF;

// The opcode of a two-operand operator; `swapped` when the operands must be pushed
// right first (there is no greater-than: a > b is b < a).
ESOp binaryOp(int kind, bool *swapped = nullptr)
{
    if (swapped)
        *swapped = kind == '>' || kind == ESTok::Ge;
    switch (kind) {
    case '+': return ESOp::Add;
    case '-': return ESOp::Sub;
    case '*': return ESOp::Mul;
    case '/': return ESOp::Div;
    case '%': return ESOp::Mod;
    case '&': return ESOp::BitAnd;
    case '|': return ESOp::BitOr;
    case '^': return ESOp::BitXor;
    case ESTok::Shl: return ESOp::Shl;
    case ESTok::Shr: return ESOp::Shr;
    case ESTok::UShr: return ESOp::UShr;
    case '<': case '>': return ESOp::Lt;
    case ESTok::Le: case ESTok::Ge: return ESOp::Le;
    case ESTok::Eq: return ESOp::Eq;
    case ESTok::Ne: return ESOp::Ne;
    default: return ESOp::Count;
    }
}

bool isPlainBinary(int kind)
{
    bool swapped = false;
    return binaryOp(kind, &swapped) != ESOp::Count && !swapped;
}

// The operator of a compound assignment, and its computed-member form (Count when the
// operator has none: the shifts).
ESOp compoundOp(int kind, ESOp *memberForm)
{
    struct Row { int kind; ESOp op; ESOp member; };
    static constexpr Row rows[] = {
        {ESTok::AddAssign, ESOp::Add, ESOp::AddX}, {ESTok::SubAssign, ESOp::Sub, ESOp::SubX},
        {ESTok::MulAssign, ESOp::Mul, ESOp::MulX}, {ESTok::DivAssign, ESOp::Div, ESOp::DivX},
        {ESTok::ModAssign, ESOp::Mod, ESOp::ModX},
        {ESTok::AndAssign, ESOp::BitAnd, ESOp::BitAndX},
        {ESTok::OrAssign, ESOp::BitOr, ESOp::BitOrX},
        {ESTok::XorAssign, ESOp::BitXor, ESOp::BitXorX},
        {ESTok::ShlAssign, ESOp::Shl, ESOp::Count}, {ESTok::ShrAssign, ESOp::Shr, ESOp::Count},
        {ESTok::UShrAssign, ESOp::UShr, ESOp::Count},
    };
    for (const Row &row : rows) {
        if (row.kind == kind) {
            *memberForm = row.member;
            return row.op;
        }
    }
    Q_UNREACHABLE();
    return ESOp::Count;
}

} // namespace

ESCodeGenerator::ESCodeGenerator(ESContext *cx, int firstNumber, bool scopeMode)
    : m_cx(cx), m_firstNumber(firstNumber), m_scopeMode(scopeMode)
{
}

void ESCodeGenerator::compile(ESFunctionScope *scope)
{
    compileFunction(scope);
}

void ESCodeGenerator::compileFunction(ESFunctionScope *scope)
{
    esCheckNativeStack(m_cx);
    for (ESFunctionScope *child : scope->children)
        compileFunction(child);

    auto block = std::make_unique<ESCodeBlock>();
    m_scope = scope;
    m_block = block.get();
    m_withDepth = scope->insideWith ? 1 : 0;
    m_line = scope->body ? scope->body->line : 1;
    block->name = scope->name;
    block->parameterNames = scope->parameters;
    block->parameterCount = int(scope->parameters.size());
    // Settled before any code: the A/L or AM/LM forms depend on it.
    // (The program's variables are globals: it never has one.)
    block->needsActivation = !scope->isProgram() && (scope->needsActivation || scope->usesEval);
    block->usesEval = scope->usesEval;

    // Function declarations are hoisted: they are assigned before the first statement.
    for (ESNode *declaration : scope->declarations) {
        m_line = declaration->line;
        emit(ESOp::Closure, declaration->operand[1].scope->blockNumber);
        store(resolve(declaration->operand[0].atom));
    }
    statements(scope->body);
    emit(scope->isProgram() ? ESOp::Ret : ESOp::RetU);

    if (scope->parameters.size() > 0xFFFF || scope->locals.size() > 0xFFFF)
        esSyntaxError(m_cx, m_line, ESSyntaxMessage::TooManyVariables);
    block->localNames = scope->locals;
    block->localCount = int(scope->locals.size());
    const auto arguments = scope->slots.constFind(esKeys().arguments);
    if (arguments != scope->slots.constEnd() && *arguments < 0)
        block->argumentsSlot = -1 - *arguments;
    scope->blockNumber = m_firstNumber + int(m_blocks.size());
    if (scope->blockNumber > 0xFFFF)
        esSyntaxError(m_cx, m_line, ESSyntaxMessage::TooManyBlocks);
    m_blocks.push_back(std::move(block));
}

// ---- Emitting

int ESCodeGenerator::here() const
{
    return int(m_block->code.size());
}

// Every byte records the current source line beside it.
void ESCodeGenerator::emitByte(int byte)
{
    if (m_block->code.size() >= std::size_t(ESCodeBlock::maxCodeSize))
        esSyntaxError(m_cx, m_line, ESSyntaxMessage::BlockTooLarge);
    m_block->code.push_back(quint8(byte));
    m_block->lines.push_back(quint32(m_line));
}

void ESCodeGenerator::emit(ESOp op)
{
    emitByte(int(op));
}

void ESCodeGenerator::emit(ESOp op, int operand)
{
    emit(op);
    emitByte(operand >> 8);
    emitByte(operand & 0xff);
}

void ESCodeGenerator::emit(ESOp op, int first, int second)
{
    emit(op, first);
    emitByte(second >> 8);
    emitByte(second & 0xff);
}

// A forward jump: its operand holds the previous jump to the same place, and the chain
// head moves to it, until patch() writes the target into every link.
void ESCodeGenerator::emitJump(ESOp op, quint16 *chain)
{
    emit(op);
    const int position = here();
    if (position >= 0x10000)
        ESContext::fatal(QStringLiteral("compiler error: patch constant too large"));
    emitByte(*chain >> 8);
    emitByte(*chain & 0xff);
    *chain = quint16(position);
}

void ESCodeGenerator::emitJumpBack(ESOp op, int target)
{
    emit(op, target);
}

void ESCodeGenerator::patch(quint16 *chain, int target)
{
    std::vector<quint8> &code = m_block->code;
    for (int position = *chain; position != endOfChain;) {
        const int next = code[position] << 8 | code[position + 1];
        code[position] = quint8(target >> 8);
        code[position + 1] = quint8(target & 0xff);
        position = next;
    }
    *chain = endOfChain;
}

void ESCodeGenerator::emitNumber(double value)
{
    if (value == -1) {
        emit(ESOp::NumM1);
        return;
    }
    if (value >= 0 && value <= 4 && value == std::floor(value) && !std::signbit(value)) {
        emit(ESOp(int(ESOp::Num0) + int(value)));
        return;
    }
    std::vector<double> &constants = m_block->constants;
    std::size_t index = 0;
    while (index < constants.size()
           && std::memcmp(&constants[index], &value, sizeof value) != 0)
        ++index;
    if (index == constants.size()) {
        if (index > 0xFFFF)
            esSyntaxError(m_cx, m_line, ESSyntaxMessage::BlockTooLarge);
        constants.push_back(value);
    }
    emit(ESOp::Num, int(index));
}

int ESCodeGenerator::atomOperand(ESAtom *atom)
{
    if (atom->number > 0xFFFF)
        esSyntaxError(m_cx, m_line, ESSyntaxMessage::TooManyAtoms);
    return int(atom->number);
}

// ---- Names

// In order: inside `with`, by the scope chain; a parameter or local of this function;
// a variable of an enclosing function, by the scope chain (those functions then keep
// their variables in activation objects); otherwise a global slot, made now if the
// global object lacks the name.
ESCodeGenerator::Name ESCodeGenerator::resolve(ESAtom *atom)
{
    if (m_withDepth > 0)
        return {Form::W, 0, atom};
    if (!m_scope->isProgram()) {
        const auto found = m_scope->slots.constFind(atom);
        if (found != m_scope->slots.constEnd())
            return slotName(atom, *found);
        for (ESFunctionScope *outer = m_scope->parent; outer && !outer->isProgram();
             outer = outer->parent) {
            if (outer->slots.contains(atom)) {
                for (ESFunctionScope *enclosing = m_scope->parent; enclosing;
                     enclosing = enclosing->parent)
                    enclosing->needsActivation = true;
                return {Form::W, 0, atom};
            }
        }
    }
    if (m_scopeMode)
        return {Form::W, 0, atom};
    const int slot = globalSlot(atom);
    if (slot > 0xFFFF)
        return {Form::W, 0, atom};
    return {Form::G, slot, atom};
}

ESCodeGenerator::Name ESCodeGenerator::slotName(ESAtom *atom, int slot)
{
    const bool inActivation = m_block->needsActivation;
    if (slot >= 0)
        return {inActivation ? Form::AM : Form::A, slot, atom};
    return {inActivation ? Form::LM : Form::L, -1 - slot, atom};
}

// A variable of the compiler's own ("CG0", "CG1", ...) for a value a construct keeps
// across statements: a global in the program, a local in a function.
ESCodeGenerator::Name ESCodeGenerator::hiddenVariable()
{
    ESAtom *atom = ESAtom::intern(QStringLiteral("CG%1").arg(hiddenVariableCount++));
    if (!m_scope->isProgram())
        return slotName(atom, m_scope->declareLocal(atom));
    const int slot = globalSlot(atom);
    return slot > 0xFFFF ? Name{Form::W, 0, atom} : Name{Form::G, slot, atom};
}

int ESCodeGenerator::globalSlot(ESAtom *atom)
{
    const auto cached = m_globalSlots.constFind(atom);
    if (cached != m_globalSlots.constEnd())
        return *cached;
    ESObject *global = m_cx->global();
    int slot = global->indexOf(atom);
    if (slot < 0) {
        global->append(atom, ESValue());
        slot = int(global->properties.size()) - 1;
    }
    m_globalSlots.insert(atom, slot);
    return slot;
}

void ESCodeGenerator::load(const Name &name)
{
    static constexpr ESOp ops[] = {ESOp::GetW, ESOp::GetG, ESOp::GetA, ESOp::GetL,
                                   ESOp::GetAM, ESOp::GetLM};
    const ESOp op = ops[int(name.form)];
    emit(op, name.form == Form::W ? atomOperand(name.atom) : name.index);
}

void ESCodeGenerator::store(const Name &name)
{
    static constexpr ESOp ops[] = {ESOp::PutW, ESOp::PutG, ESOp::PutA, ESOp::PutL,
                                   ESOp::PutAM, ESOp::PutLM};
    const ESOp op = ops[int(name.form)];
    emit(op, name.form == Form::W ? atomOperand(name.atom) : name.index);
}

void ESCodeGenerator::call(const Name &name, int count)
{
    static constexpr ESOp ops[] = {ESOp::CallW, ESOp::CallG, ESOp::CallA, ESOp::CallL,
                                   ESOp::CallAM, ESOp::CallLM};
    const ESOp op = ops[int(name.form)];
    emit(op, name.form == Form::W ? atomOperand(name.atom) : name.index, count);
}

// ---- Statements

void ESCodeGenerator::statements(ESNode *list)
{
    for (ESNode *line = list; line; line = line->child[1]) {
        m_line = line->line;
        statement(line->child[0]);
    }
}

void ESCodeGenerator::statement(ESNode *node)
{
    ESEmitNesting nesting(m_depth, m_cx, node->line);
    m_line = node->line;
    switch (node->kind) {
    case '{':
        statements(node->child[0]);
        break;
    case ';':
        break;
    case ESTok::Var:
        for (ESNode *declarator = node->child[0]; declarator; declarator = declarator->child[1]) {
            if (!declarator->child[0])
                continue;
            m_line = declarator->line;
            const Name name = resolve(declarator->operand[0].atom);
            pushValue(declarator->child[0]);
            store(name);
        }
        break;
    case ESTok::If: ifStatement(node); break;
    case ESTok::While: whileStatement(node); break;
    case ESTok::Do: doStatement(node); break;
    case ESTok::For: case ESTok::ForVar: forStatement(node); break;
    case ESTok::ForIn: case ESTok::ForVarIn: forInStatement(node); break;
    case ESTok::Break: case ESTok::Continue: jumpStatement(node); break;
    case ESTok::Return:
        if (node->child[0]) {
            pushValue(node->child[0]);
            m_line = node->line;
            emit(ESOp::Ret);
        } else {
            emit(ESOp::RetU);
        }
        break;
    case ESTok::With: withStatement(node); break;
    case ESTok::Switch: switchStatement(node); break;
    case ':':
        statement(node->child[0]);
        patch(&node->breakChain, here());
        break;
    default:
        // The program keeps the value of its last expression statement as its result:
        // the previous one is dropped and the new one takes its place.
        if (m_scope->isProgram()) {
            emit(ESOp::Drop);
            pushValue(node);
        } else {
            expression(node, false);
        }
        break;
    }
}

// if: condition JF else; then; J end; else: otherwise; end:
void ESCodeGenerator::ifStatement(ESNode *node)
{
    quint16 toElse = endOfChain;
    pushValue(node->child[0]);
    emitJump(ESOp::JF, &toElse);
    statement(node->child[1]);
    if (!node->child[2]) {
        patch(&toElse, here());
        return;
    }
    quint16 toEnd = endOfChain;
    emitJump(ESOp::J, &toEnd);
    patch(&toElse, here());
    statement(node->child[2]);
    patch(&toEnd, here());
}

// The test at the bottom of a loop jumps back to the body; a < b (or a > b, as b < a)
// compares and jumps in one instruction; no test at all loops for ever.
void ESCodeGenerator::loopCondition(ESNode *condition, int bodyStart)
{
    if (!condition) {
        emitJumpBack(ESOp::J, bodyStart);
        return;
    }
    if (condition->kind == '<' || condition->kind == '>') {
        const bool swapped = condition->kind == '>';
        pushValue(condition->child[swapped ? 1 : 0]);
        pushValue(condition->child[swapped ? 0 : 1]);
        m_line = condition->line;
        emitJumpBack(ESOp::JLt, bodyStart);
        return;
    }
    pushValue(condition);
    emitJumpBack(ESOp::JT, bodyStart);
}

// while: J test; body: body; continue: test: condition jumps to body; break:
void ESCodeGenerator::whileStatement(ESNode *node)
{
    quint16 toTest = endOfChain;
    emitJump(ESOp::J, &toTest);
    const int body = here();
    statement(node->child[1]);
    patch(&node->continueChain, here());
    patch(&toTest, here());
    loopCondition(node->child[0], body);
    patch(&node->breakChain, here());
}

void ESCodeGenerator::doStatement(ESNode *node)
{
    const int body = here();
    statement(node->child[0]);
    patch(&node->continueChain, here());
    loopCondition(node->child[1], body);
    patch(&node->breakChain, here());
}

// for: init; J test; body: body; continue: step; test: condition jumps to body; break:
void ESCodeGenerator::forStatement(ESNode *node)
{
    if (node->child[0]) {
        if (node->kind == ESTok::ForVar)
            statement(node->child[0]);
        else
            expression(node->child[0], false);
    }
    quint16 toTest = endOfChain;
    emitJump(ESOp::J, &toTest);
    const int body = here();
    statement(node->child[3]);
    patch(&node->continueChain, here());
    if (node->child[2])
        expression(node->child[2], false);
    patch(&toTest, here());
    loopCondition(node->child[1], body);
    patch(&node->breakChain, here());
}

// for-in: the enumeration object waits in a hidden variable, so the body runs on a
// balanced stack and break needs no clean-up.
//   object ENUM PUT e; top: GET e NEXT break; assign the key; body; J top; break:
void ESCodeGenerator::forInStatement(ESNode *node)
{
    const bool declares = node->kind == ESTok::ForVarIn;
    Name variable{Form::W, 0, nullptr};
    if (declares) {
        variable = resolve(node->operand[0].atom);
        if (node->child[0]) {
            pushValue(node->child[0]);
            store(variable);
        }
    }
    pushValue(node->child[1]);
    m_line = node->line;
    emit(ESOp::Enum);
    const Name enumeration = hiddenVariable();
    store(enumeration);
    const int top = here();
    load(enumeration);
    emitJump(ESOp::Next, &node->breakChain);
    ESNode *target = node->child[0];
    if (declares) {
        store(variable);
    } else if (target->kind == ESTok::Identifier) {
        store(resolve(target->operand[0].atom));
    } else if (target->kind == '.') {
        pushValue(target->child[0]);
        emit(ESOp::PutF, atomOperand(target->operand[0].atom));
    } else if (target->kind == '[') {
        pushValue(target->child[0]);
        pushValue(target->child[1]);
        emit(ESOp::PutX);
    } else {
        emit(ESOp::Drop);
    }
    statement(node->child[2]);
    patch(&node->continueChain, top);
    emitJumpBack(ESOp::J, top);
    patch(&node->breakChain, here());
}

// break and continue leave the with statements in between, then jump.
void ESCodeGenerator::jumpStatement(ESNode *node)
{
    for (qint64 i = 0; i < node->operand[0].integer; ++i)
        emit(ESOp::EndWith);
    ESNode *target = node->child[0];
    emitJump(ESOp::J, node->kind == ESTok::Break ? &target->breakChain
                                                 : &target->continueChain);
}

void ESCodeGenerator::withStatement(ESNode *node)
{
    pushValue(node->child[0]);
    m_line = node->line;
    emit(ESOp::With);
    ++m_withDepth;
    statement(node->child[1]);
    --m_withDepth;
    emit(ESOp::EndWith);
}

// switch: the cases are tried in source order against the discriminant, which stays
// on the stack until a case matches (JT_DROP drops it with the comparison) or none
// does; then the clause bodies follow one another, so control falls through.
//   d {DUP case IDENTITY JT_DROP clause} DROP J default-or-break; clauses; break:
void ESCodeGenerator::switchStatement(ESNode *node)
{
    pushValue(node->child[0]);
    ESNode *defaultClause = nullptr;
    for (ESNode *clause = node->child[1]; clause; clause = clause->child[2]) {
        if (!clause->child[0]) {
            defaultClause = clause;
            continue;
        }
        m_line = clause->line;
        emit(ESOp::Dup);
        pushValue(clause->child[0]);
        m_line = clause->line;
        emit(ESOp::Identity);
        emitJump(ESOp::JTDrop, &clause->continueChain);
    }
    emit(ESOp::Drop);
    emitJump(ESOp::J, defaultClause ? &defaultClause->continueChain : &node->breakChain);
    for (ESNode *clause = node->child[1]; clause; clause = clause->child[2]) {
        patch(&clause->continueChain, here());
        statements(clause->child[1]);
    }
    patch(&node->breakChain, here());
}

// ---- Expressions

void ESCodeGenerator::expression(ESNode *node, bool value)
{
    ESEmitNesting nesting(m_depth, m_cx, node->line);
    const int line = node->line;
    m_line = line;
    switch (node->kind) {
    case ESTok::Number:
        if (value)
            emitNumber(node->operand[0].number);
        return;
    case ESTok::String:
        if (value)
            emit(ESOp::Str, atomOperand(node->operand[0].atom));
        return;
    case ESTok::True: case ESTok::False: case ESTok::Null: case ESTok::This:
        if (value) {
            emit(node->kind == ESTok::True ? ESOp::True
                 : node->kind == ESTok::False ? ESOp::False
                 : node->kind == ESTok::Null ? ESOp::Null : ESOp::This);
        }
        return;
    case ESTok::Identifier:
        load(resolve(node->operand[0].atom));
        break;
    case '.':
        pushValue(node->child[0]);
        m_line = line;
        emit(ESOp::GetF, atomOperand(node->operand[0].atom));
        break;
    case '[':
        pushValue(node->child[0]);
        pushValue(node->child[1]);
        m_line = line;
        emit(ESOp::GetX);
        break;
    case ESTok::Call:
        callExpression(node);
        break;
    case ESTok::New:
        pushValue(node->child[0]);
        m_line = line;
        emit(ESOp::New);
        break;
    case ESTok::NewCall: {
        const int count = arguments(node->child[1]);
        pushValue(node->child[0]);
        m_line = line;
        emit(ESOp::NewA, count);
        break;
    }
    case ESTok::Function:
        emit(ESOp::Closure, node->operand[1].scope->blockNumber);
        break;
    case ESTok::ArrayInit: {
        int count = 0;
        for (ESNode *element = node->child[0]; element; element = element->child[1], ++count) {
            if (element->child[0])
                pushValue(element->child[0]);
            else
                emit(ESOp::Undefined);
        }
        m_line = line;
        emit(ESOp::MkArray, count);
        break;
    }
    case ESTok::ObjectInit:
        emit(ESOp::NewObj);
        for (ESNode *entry = node->child[0]; entry; entry = entry->child[1]) {
            pushValue(entry->child[0]);
            m_line = entry->line;
            emit(ESOp::InitF, atomOperand(entry->operand[0].atom));
        }
        break;
    case '=':
        assignment(node, value);
        return;
    case ESTok::AndAssign: case ESTok::OrAssign: case ESTok::XorAssign:
    case ESTok::ShlAssign: case ESTok::ShrAssign: case ESTok::UShrAssign:
    case ESTok::AddAssign: case ESTok::SubAssign: case ESTok::MulAssign:
    case ESTok::DivAssign: case ESTok::ModAssign:
        compoundAssignment(node, value);
        return;
    case ESTok::Inc: case ESTok::Dec: case ESTok::PostInc: case ESTok::PostDec:
        increment(node, value);
        return;
    case ESTok::Delete:
        deletion(node);
        break;
    case ESTok::Negate:
        if (node->child[0]->kind == ESTok::Number) {
            if (value)
                emitNumber(-node->child[0]->operand[0].number);
            return;
        }
        pushValue(node->child[0]);
        m_line = line;
        emit(ESOp::Neg);
        break;
    case ESTok::Void: case ESTok::TypeOf: case ESTok::Plus: case '~': case '!':
        pushValue(node->child[0]);
        m_line = line;
        emit(node->kind == ESTok::Void ? ESOp::Void
             : node->kind == ESTok::TypeOf ? ESOp::TypeOf
             : node->kind == ESTok::Plus ? ESOp::Pos
             : node->kind == '~' ? ESOp::BitNot : ESOp::LogNot);
        break;
    case '?':
        conditional(node, value);
        return;
    case ',': {
        // Left-deep, like the binary operators: evaluated in a loop.
        std::vector<ESNode *> spine;
        ESNode *left = node;
        for (; left->kind == ','; left = left->child[0])
            spine.push_back(left);
        expression(left, false);
        for (auto it = spine.rbegin(); it != spine.rend(); ++it)
            expression((*it)->child[1], value && *it == node);
        return;
    }
    default:
        Q_ASSERT(binaryOp(node->kind) != ESOp::Count || node->kind == ESTok::LogAnd
                 || node->kind == ESTok::LogOr);
        binarySpine(node);
        break;
    }
    if (!value)
        emit(ESOp::Drop);
}

// a op b op c ... nests to the left; the chain is walked in a loop so that a long
// sum does not recurse once per operator. && and || jump past their right operand
// keeping the left value.
void ESCodeGenerator::binarySpine(ESNode *node)
{
    bool swapped = false;
    const ESOp op = binaryOp(node->kind, &swapped);
    if (swapped) {
        pushValue(node->child[1]);
        pushValue(node->child[0]);
        m_line = node->line;
        emit(op);
        return;
    }
    const auto inSpine = [](const ESNode *n) {
        return isPlainBinary(n->kind) || n->kind == ESTok::LogAnd || n->kind == ESTok::LogOr;
    };
    std::vector<ESNode *> spine;
    ESNode *left = node;
    for (; inSpine(left); left = left->child[0])
        spine.push_back(left);
    pushValue(left);
    for (auto it = spine.rbegin(); it != spine.rend(); ++it) {
        ESNode *operation = *it;
        if (operation->kind == ESTok::LogAnd || operation->kind == ESTok::LogOr) {
            quint16 toEnd = endOfChain;
            m_line = operation->line;
            emitJump(operation->kind == ESTok::LogAnd ? ESOp::LogAnd : ESOp::LogOr, &toEnd);
            pushValue(operation->child[1]);
            patch(&toEnd, here());
        } else {
            pushValue(operation->child[1]);
            m_line = operation->line;
            emit(binaryOp(operation->kind));
        }
    }
}

// c ? a : b -- condition JF else; a; J end; else: b; end:  (a < b tests use JLT and
// put the else branch first)
void ESCodeGenerator::conditional(ESNode *node, bool value)
{
    ESNode *condition = node->child[0];
    quint16 toEnd = endOfChain;
    if (condition->kind == '<' || condition->kind == '>') {
        const bool swapped = condition->kind == '>';
        quint16 toThen = endOfChain;
        pushValue(condition->child[swapped ? 1 : 0]);
        pushValue(condition->child[swapped ? 0 : 1]);
        m_line = condition->line;
        emitJump(ESOp::JLt, &toThen);
        expression(node->child[2], value);
        emitJump(ESOp::J, &toEnd);
        patch(&toThen, here());
        expression(node->child[1], value);
    } else {
        quint16 toElse = endOfChain;
        pushValue(condition);
        emitJump(ESOp::JF, &toElse);
        expression(node->child[1], value);
        emitJump(ESOp::J, &toEnd);
        patch(&toElse, here());
        expression(node->child[2], value);
    }
    patch(&toEnd, here());
}

// The stored value is pushed first: PUTF wants the object above it, PUTX the object
// and the key. A target that names no place (a call, this, a literal) is evaluated
// and the value is the assignment's result, stored nowhere.
void ESCodeGenerator::assignment(ESNode *node, bool value)
{
    ESNode *target = node->child[0];
    switch (target->kind) {
    case ESTok::Identifier: {
        const Name name = resolve(target->operand[0].atom);
        pushValue(node->child[1]);
        if (value)
            emit(ESOp::Dup);
        m_line = node->line;
        store(name);
        return;
    }
    case '.': case '[':
        pushValue(node->child[1]);
        if (value)
            emit(ESOp::Dup);
        pushValue(target->child[0]);
        if (target->kind == '[')
            pushValue(target->child[1]);
        m_line = node->line;
        if (target->kind == '.')
            emit(ESOp::PutF, atomOperand(target->operand[0].atom));
        else
            emit(ESOp::PutX);
        return;
    default:
        expression(target, false);
        expression(node->child[1], value);
        return;
    }
}

void ESCodeGenerator::pushKey(ESNode *member)
{
    if (member->kind == '.')
        emit(ESOp::Str, atomOperand(member->operand[0].atom));
    else
        pushValue(member->child[1]);
}

// x op= v on a variable reads, combines and stores; on a member the X instructions do
// it in one step. The shifts have no member form: object and key wait in hidden
// variables while the value is computed.
void ESCodeGenerator::compoundAssignment(ESNode *node, bool value)
{
    ESOp memberOp = ESOp::Count;
    const ESOp op = compoundOp(node->kind, &memberOp);
    ESNode *target = node->child[0];
    if (target->kind == ESTok::Identifier) {
        const Name name = resolve(target->operand[0].atom);
        load(name);
        pushValue(node->child[1]);
        m_line = node->line;
        emit(op);
        if (value)
            emit(ESOp::Dup);
        store(name);
        return;
    }
    if (target->kind != '.' && target->kind != '[') {
        pushValue(target);
        pushValue(node->child[1]);
        m_line = node->line;
        emit(op);
    } else if (memberOp != ESOp::Count) {
        pushValue(target->child[0]);
        pushKey(target);
        pushValue(node->child[1]);
        m_line = node->line;
        emit(memberOp);
    } else {
        const Name object = hiddenVariable();
        const Name key = hiddenVariable();
        pushValue(target->child[0]);
        store(object);
        pushKey(target);
        store(key);
        load(object);
        load(key);
        emit(ESOp::GetX);
        pushValue(node->child[1]);
        m_line = node->line;
        emit(op);
        if (value)
            emit(ESOp::Dup);
        load(object);
        load(key);
        emit(ESOp::PutX);
        return;
    }
    if (!value)
        emit(ESOp::Drop);
}

// ++ and --: in place on global, argument and local slots; by name for variables found
// along the scope chain or in activation objects; on members as o[k] -= -1 (which
// converts to a number), the old value of a postfix form being the new one minus 1.
void ESCodeGenerator::increment(ESNode *node, bool value)
{
    const bool isIncrement = node->kind == ESTok::Inc || node->kind == ESTok::PostInc;
    const bool isPostfix = node->kind == ESTok::PostInc || node->kind == ESTok::PostDec;
    ESNode *target = node->child[0];
    if (target->kind == ESTok::Identifier) {
        const Name name = resolve(target->operand[0].atom);
        if (name.form == Form::G || name.form == Form::A || name.form == Form::L) {
            const int form = name.form == Form::G ? 0 : name.form == Form::A ? 1 : 2;
            const ESOp op = ESOp(int(isIncrement ? ESOp::IncG : ESOp::DecG) + form);
            if (value && isPostfix) {
                load(name);
                emit(ESOp::Pos);
            }
            emit(op, name.index);
            if (value && !isPostfix)
                load(name);
            return;
        }
        emit(ESOp::Str, atomOperand(name.atom));
        emit(isPostfix ? (isIncrement ? ESOp::PostIncX : ESOp::PostDecX)
                       : (isIncrement ? ESOp::PreIncX : ESOp::PreDecX));
    } else if (target->kind == '.' || target->kind == '[') {
        pushValue(target->child[0]);
        pushKey(target);
        emitNumber(isIncrement ? -1 : 1);
        m_line = node->line;
        emit(ESOp::SubX);
        if (value && isPostfix) {
            emitNumber(isIncrement ? 1 : -1);
            emit(ESOp::Sub);
        }
    } else {
        pushValue(target);
        emit(ESOp::Pos);
        if (!isPostfix) {
            emitNumber(1);
            emit(isIncrement ? ESOp::Add : ESOp::Sub);
        }
    }
    if (!value)
        emit(ESOp::Drop);
}

void ESCodeGenerator::deletion(ESNode *node)
{
    ESNode *target = node->child[0];
    if (target->kind == ESTok::Identifier) {
        emit(ESOp::DeleteW, atomOperand(target->operand[0].atom));
    } else if (target->kind == '.' || target->kind == '[') {
        pushValue(target->child[0]);
        pushKey(target);
        m_line = node->line;
        emit(ESOp::DeleteX);
    } else {
        expression(target, false);
        emit(ESOp::True);
    }
}

// A call of a name uses the name's form; o.m(...) and o[k](...) keep the object (and
// key) below the arguments; any other callee waits in a hidden variable.
void ESCodeGenerator::callExpression(ESNode *node)
{
    ESNode *callee = node->child[0];
    const int line = node->line;
    switch (callee->kind) {
    case ESTok::Identifier: {
        const Name name = resolve(callee->operand[0].atom);
        const int count = arguments(node->child[1]);
        m_line = line;
        call(name, count);
        return;
    }
    case '.': {
        pushValue(callee->child[0]);
        const int count = arguments(node->child[1]);
        m_line = line;
        emit(ESOp::CallF, atomOperand(callee->operand[0].atom), count);
        return;
    }
    case '[': {
        pushValue(callee->child[0]);
        pushValue(callee->child[1]);
        const int count = arguments(node->child[1]);
        m_line = line;
        emit(ESOp::CallX, count);
        return;
    }
    default: {
        pushValue(callee);
        const Name function = hiddenVariable();
        store(function);
        const int count = arguments(node->child[1]);
        m_line = line;
        call(function, count);
        return;
    }
    }
}

int ESCodeGenerator::arguments(ESNode *list)
{
    int count = 0;
    for (ESNode *argument = list; argument; argument = argument->child[1], ++count)
        pushValue(argument->child[0]);
    return count;
}
