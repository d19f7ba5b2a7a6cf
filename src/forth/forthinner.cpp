// The inner interpreter: compiled code is a vector of Instr run by one dispatch loop with
// the stack pointers in locals. Natives see the members, so the loop writes its pointers
// back before it calls one and reads them again after; an exception needs no write-back
// because CATCH and the error reset set every stack depth themselves.

#include "forthsystem_p.h"

#include <cmath>

volatile std::sig_atomic_t forthInterruptRequested = 0;

void throwTypeError(const char *message)
{
    throw ForthException(-12, message);
}

namespace {

[[noreturn]] void throwCombination()
{
    throwTypeError("invalid operand combination");
}

bool bothInts(const Cell &a, const Cell &b)
{
    return (uint32_t(a.kind) | uint32_t(b.kind)) == 0;
}

bool isNumber(const Cell &cell)
{
    return cell.kind == CellKind::Int || cell.kind == CellKind::Float;
}

double asDouble(const Cell &cell)
{
    return cell.kind == CellKind::Float ? cell.f : double(cell.i);
}

int64_t wrapAdd(int64_t a, int64_t b) { return int64_t(uint64_t(a) + uint64_t(b)); }
int64_t wrapSub(int64_t a, int64_t b) { return int64_t(uint64_t(a) - uint64_t(b)); }
int64_t wrapMul(int64_t a, int64_t b) { return int64_t(uint64_t(a) * uint64_t(b)); }

// Floored division, the rounding of / MOD /MOD */ and */MOD.
void flooredDivide(__int128 dividend, int64_t divisor, int64_t *quotient, int64_t *remainder)
{
    if (divisor == 0)
        throw ForthException(-10);
    __int128 q = dividend / divisor;
    __int128 r = dividend % divisor;
    if (r != 0 && ((r < 0) != (divisor < 0))) {
        q -= 1;
        r += divisor;
    }
    *quotient = int64_t(uint64_t(q));
    *remainder = int64_t(r);
}

// The cases of the binary arithmetic words the integer fast path leaves over: floats,
// address arithmetic and the kind errors.
Cell slowArithmetic(Op op, const Cell &a, const Cell &b)
{
    if (isNumber(a) && isNumber(b)) {
        const double x = asDouble(a), y = asDouble(b);
        switch (op) {
        case Op::Add: return floatCell(x + y);
        case Op::Sub: return floatCell(x - y);
        case Op::Mul: return floatCell(x * y);
        case Op::Div: return floatCell(x / y);
        case Op::Max: return floatCell(x < y ? y : x);
        case Op::Min: return floatCell(x < y ? x : y);
        default: throwCombination();
        }
    }
    const bool addressA = a.kind == CellKind::Data || a.kind == CellKind::Code;
    const bool addressB = b.kind == CellKind::Data || b.kind == CellKind::Code;
    switch (op) {
    case Op::Add:
        if (a.kind == CellKind::Data && b.kind == CellKind::Int)
            return {{wrapAdd(a.i, b.i)}, CellKind::Data, 0};
        if (a.kind == CellKind::Int && b.kind == CellKind::Data)
            return {{wrapAdd(a.i, b.i)}, CellKind::Data, 0};
        break;
    case Op::Sub:
        if (a.kind == CellKind::Data && b.kind == CellKind::Int)
            return {{wrapSub(a.i, b.i)}, CellKind::Data, 0};
        if (a.kind == CellKind::Data && b.kind == CellKind::Data
            && (a.i >> regionShift) == (b.i >> regionShift))
            return intCell(a.i - b.i);
        break;
    case Op::And: case Op::Or: case Op::Xor: case Op::LShift: case Op::RShift:
        if (addressA || addressB)
            throwTypeError("unrelocated literal required");
        break;
    default:
        break;
    }
    throwCombination();
}

// = <> < > >= U< U> for cells that are not both integers.
bool slowCompare(Op op, const Cell &a, const Cell &b)
{
    if (op == Op::Equal || op == Op::NotEqual) {
        bool equal;
        if (isNumber(a) && isNumber(b))
            equal = asDouble(a) == asDouble(b);
        else
            equal = a.kind == b.kind && a.i == b.i;
        return (op == Op::Equal) == equal;
    }
    double x, y;
    if (isNumber(a) && isNumber(b)) {
        x = asDouble(a);
        y = asDouble(b);
    } else if (a.kind == b.kind && a.kind == CellKind::Data) {
        x = double(a.i);
        y = double(b.i);
    } else {
        throwCombination();
    }
    switch (op) {
    case Op::Less: case Op::ULess: return x < y;
    case Op::Greater: case Op::UGreater: return x > y;
    default: return x >= y;
    }
}

// The fused literal instructions' fallback: their operator on any cells.
Cell slowBinary(Op op, const Cell &a, const Cell &b)
{
    if (op == Op::Less || op == Op::Greater || op == Op::Equal)
        return intCell(slowCompare(op, a, b) ? -1 : 0);
    return slowArithmetic(op, a, b);
}

Cell slowUnary(Op op, const Cell &a)
{
    if (a.kind == CellKind::Float) {
        switch (op) {
        case Op::Negate: return floatCell(-a.f);
        case Op::Abs: return floatCell(std::fabs(a.f));
        case Op::OnePlus: return floatCell(a.f + 1);
        case Op::OneMinus: return floatCell(a.f - 1);
        case Op::ZeroEqual: return intCell(a.f == 0 ? -1 : 0);
        case Op::ZeroNotEqual: return intCell(a.f != 0 ? -1 : 0);
        case Op::ZeroLess: return intCell(a.f < 0 ? -1 : 0);
        case Op::ZeroGreater: return intCell(a.f > 0 ? -1 : 0);
        case Op::ZeroGreaterEqual: return intCell(a.f >= 0 ? -1 : 0);
        default: break;
        }
    } else if (a.kind == CellKind::Data) {
        switch (op) {
        case Op::OnePlus: case Op::CharPlus: case Op::CellPlus:
            return {{wrapAdd(a.i, 1)}, CellKind::Data, 0};
        case Op::OneMinus: return {{wrapSub(a.i, 1)}, CellKind::Data, 0};
        case Op::ZeroEqual: return intCell(0);
        case Op::ZeroNotEqual: return intCell(-1);
        case Op::Invert: case Op::TwoStar: case Op::TwoSlash:
            throwTypeError("unrelocated literal required");
        default: break;
        }
    } else if (op == Op::ZeroEqual || op == Op::ZeroNotEqual) {
        return intCell((op == Op::ZeroNotEqual) ? -1 : 0);
    }
    throwCombination();
}

bool isTrue(const Cell &cell)
{
    return cell.kind == CellKind::Int ? cell.i != 0 : cell.kind != CellKind::Float || cell.f != 0;
}

[[noreturn]] void throwLoopUnderflow()
{
    throw ForthException(-26, "loop stack underflow");
}

int64_t needInt(const Cell &cell)
{
    if (cell.kind != CellKind::Int)
        throwCombination();
    return cell.i;
}

} // namespace

void ForthSystem::checkInterrupt()
{
    if (forthInterruptRequested) {
        forthInterruptRequested = 0;
        throw ForthException(-28);
    }
}

void ForthSystem::throwBadAddress(const Cell &address, bool store)
{
    if (address.kind != CellKind::Data)
        throwTypeError("not a data address");
    throw ForthException(-9, store ? "cell store outside allotted region"
                                   : "cell fetch outside allotted region");
}

void ForthSystem::run(const Instr *code)
{
#define DISPATCH goto *labels[uint32_t(ip->op)]
#define NEXT do { ++ip; DISPATCH; } while (0)
#define NEED(n) do { if (sp - m_stack < (n)) throw ForthException(-3); } while (0)
#define ROOM(n) do { if (sp + (n) > m_stack + stackSize) throw ForthException(-4); } while (0)
#define RNEED(n) do { if (rp - rbase < (n)) throw ForthException(-6); } while (0)
#define RROOM(n) do { if (rp + (n) > m_rstack + stackSize) throw ForthException(-5); } while (0)
#define SYNC do { m_sp = sp; m_rp = rp; m_lp = lp; } while (0)
#define RELOAD do { sp = m_sp; rp = m_rp; lp = m_lp; } while (0)
#define TRUTH(c) ((c) ? int64_t(-1) : int64_t(0))
// ( a b -- a op b ) integer fast path, the rest through slowArithmetic
#define BINARY(opname, expr) \
    L_##opname: { NEED(2); Cell &a = sp[-2]; const Cell &b = sp[-1]; \
        if (bothInts(a, b)) { const int64_t x = a.i, y = b.i; a.i = (expr); } \
        else a = slowArithmetic(Op::opname, a, b); \
        --sp; NEXT; }
#define COMPARE(opname, expr) \
    L_##opname: { NEED(2); Cell &a = sp[-2]; const Cell &b = sp[-1]; \
        if (bothInts(a, b)) { const int64_t x = a.i, y = b.i; a.i = TRUTH(expr); } \
        else a = intCell(TRUTH(slowCompare(Op::opname, a, b))); \
        --sp; NEXT; }
// ( a -- a op i ) with the literal i of the instruction
#define WITH_LITERAL(opname, base, expr) \
    L_##opname: { NEED(1); Cell &a = sp[-1]; \
        if (a.kind == CellKind::Int) { const int64_t x = a.i, y = ip->i; a.i = (expr); } \
        else a = slowBinary(Op::base, a, intCell(ip->i)); \
        NEXT; }
#define UNARY(opname, expr) \
    L_##opname: { NEED(1); Cell &a = sp[-1]; \
        if (a.kind == CellKind::Int) { const int64_t x = a.i; a.i = (expr); } \
        else a = slowUnary(Op::opname, a); \
        NEXT; }

    static const void *const labels[] = {
        &&L_PLiteral, &&L_PCall, &&L_PCallAt, &&L_PExit, &&L_PBranch, &&L_PZBranch,
        &&L_POfBranch, &&L_PDoRun, &&L_PQuestionDoRun, &&L_PLoopRun, &&L_PPlusLoopRun,
        &&L_PIRun, &&L_PJRun, &&L_PLeave, &&L_PUnloop, &&L_PExecute, &&L_PNative,
        &&L_PValueFetch, &&L_PValueStore, &&L_PLocalsEnter, &&L_PLocalsLeave, &&L_PLocalFetch,
        &&L_PLocalStore, &&L_PPostponeRun, &&L_PDoesRun,
        &&L_Store, &&L_Mul, &&L_StarSlash, &&L_StarSlashMod, &&L_Add, &&L_PlusStore, &&L_Sub,
        &&L_Div, &&L_DivMod, &&L_MinusRot, &&L_ZeroLess, &&L_ZeroEqual, &&L_OnePlus,
        &&L_OneMinus, &&L_TwoStore, &&L_TwoStar, &&L_TwoSlash, &&L_TwoFetch, &&L_TwoDrop,
        &&L_TwoDup, &&L_TwoOver, &&L_TwoSwap, &&L_Less, &&L_Equal, &&L_Greater,
        &&L_GreaterEqual, &&L_ToR, &&L_QuestionDup, &&L_Fetch, &&L_Abs, &&L_And, &&L_CharPlus,
        &&L_Chars, &&L_Depth, &&L_Drop, &&L_Dup, &&L_Invert, &&L_LShift, &&L_Max, &&L_Min,
        &&L_Mod, &&L_Negate, &&L_Or, &&L_Over, &&L_RFrom, &&L_RFetch, &&L_Rot, &&L_RShift,
        &&L_Swap, &&L_ULess, &&L_Xor, &&L_ZeroNotEqual, &&L_ZeroGreater, &&L_ZeroGreaterEqual,
        &&L_TwoToR, &&L_TwoRFrom, &&L_TwoRFetch, &&L_NotEqual, &&L_Nip, &&L_Pick, &&L_Tuck,
        &&L_UGreater, &&L_Within, &&L_CFetch, &&L_CStore, &&L_Cells, &&L_CellPlus,
        &&L_AddLiteral, &&L_SubLiteral, &&L_LessLiteral, &&L_GreaterLiteral,
        &&L_EqualLiteral, &&L_AndLiteral,
    };
    static_assert(sizeof(labels) / sizeof(labels[0]) == size_t(Op::Count),
                  "labels out of step with Op");

    Cell *sp = m_sp;
    Cell *rp = m_rp;
    LoopFrame *lp = m_lp;
    if (rp >= m_rstack + stackSize)
        throw ForthException(-5);
    // The bottom of this run: a return address of null that ends it.
    rp->ret = nullptr;
    rp->kind = CellKind::Return;
    ++rp;
    Cell *const rbase = rp;
    const Instr *ip = code;
    DISPATCH;

L_PLiteral:
    ROOM(1);
    sp->i = ip->i;
    sp->kind = CellKind(ip->arg);
    sp->spare = 0;
    ++sp;
    NEXT;
L_PCall:
    RROOM(1);
    if (forthInterruptRequested)
        checkInterrupt();
    rp->ret = ip + 1;
    rp->kind = CellKind::Return;
    ++rp;
    ip = ip->word->code.data();
    DISPATCH;
L_PCallAt:
    RROOM(1);
    rp->ret = ip + 1;
    rp->kind = CellKind::Return;
    ++rp;
    ip = ip->word->code.data() + ip->arg;
    DISPATCH;
L_PExecute: {
    NEED(1);
    const Cell &xt = sp[-1];
    if (xt.kind != CellKind::Code)
        throwTypeError("not a code address");
    checkComplete(xt.word);
    RROOM(1);
    if (forthInterruptRequested)
        checkInterrupt();
    --sp;
    rp->ret = ip + 1;
    rp->kind = CellKind::Return;
    ++rp;
    ip = xt.word->code.data();
    DISPATCH;
}
L_PExit:
    --rp;
    if (rp->kind != CellKind::Return)
        throw ForthException(-25);
    ip = rp->ret;
    if (!ip) {
        SYNC;
        return;
    }
    DISPATCH;
L_PBranch:
    if (ip->arg <= 0 && forthInterruptRequested)
        checkInterrupt();
    ip += ip->arg;
    DISPATCH;
L_PZBranch:
    NEED(1);
    --sp;
    if (isTrue(*sp))
        NEXT;
    if (ip->arg <= 0 && forthInterruptRequested)
        checkInterrupt();
    ip += ip->arg;
    DISPATCH;
L_POfBranch:
    NEED(2);
    if (slowCompare(Op::Equal, sp[-2], sp[-1])) {
        sp -= 2;
        NEXT;
    }
    --sp;
    ip += ip->arg;
    DISPATCH;
L_PDoRun:
L_PQuestionDoRun:
    NEED(2);
    if (lp >= m_loops + stackSize)
        throw ForthException(-7);
    lp->limit = needInt(sp[-2]);
    lp->index = needInt(sp[-1]);
    sp -= 2;
    if (ip->op == Op::PQuestionDoRun && lp->limit == lp->index) {
        ip += ip->arg;
        DISPATCH;
    }
    ++lp;
    NEXT;
L_PLoopRun:
    if (lp == m_loops)
        throwLoopUnderflow();
    if (++lp[-1].index != lp[-1].limit) {
        if (forthInterruptRequested)
            checkInterrupt();
        ip += ip->arg;
        DISPATCH;
    }
    --lp;
    NEXT;
L_PPlusLoopRun: {
    NEED(1);
    if (lp == m_loops)
        throwLoopUnderflow();
    const int64_t step = needInt(sp[-1]);
    --sp;
    // Leave when the index crosses the boundary between limit-1 and limit.
    const uint64_t before = uint64_t(lp[-1].index) - uint64_t(lp[-1].limit);
    const uint64_t after = before + uint64_t(step);
    lp[-1].index = wrapAdd(lp[-1].index, step);
    const bool crossed = step >= 0 ? after < before : after > before;
    if (!crossed) {
        if (forthInterruptRequested)
            checkInterrupt();
        ip += ip->arg;
        DISPATCH;
    }
    --lp;
    NEXT;
}
L_PIRun:
    if (lp == m_loops)
        throwLoopUnderflow();
    ROOM(1);
    *sp++ = intCell(lp[-1].index);
    NEXT;
L_PJRun:
    if (lp - m_loops < 2)
        throwLoopUnderflow();
    ROOM(1);
    *sp++ = intCell(lp[-2].index);
    NEXT;
L_PLeave:
    if (lp == m_loops)
        throwLoopUnderflow();
    --lp;
    ip += ip->arg;
    DISPATCH;
L_PUnloop:
    if (lp == m_loops)
        throwLoopUnderflow();
    --lp;
    NEXT;
L_PNative:
    SYNC;
    ip->fn(*this);
    RELOAD;
    NEXT;
L_PValueFetch:
    ROOM(1);
    *sp++ = ip->word->value;
    NEXT;
L_PValueStore:
    NEED(1);
    ip->word->value = *--sp;
    NEXT;
L_PLocalsEnter:
    if (m_localsTop + 1 + ip->arg > localsSize)
        throw ForthException(-5);
    m_locals[m_localsTop] = intCell(m_localsFrame);
    m_localsFrame = m_localsTop + 1;
    m_localsTop += 1 + ip->arg;
    NEXT;
L_PLocalsLeave:
    m_localsTop = m_localsFrame - 1;
    m_localsFrame = int(m_locals[m_localsTop].i);
    NEXT;
L_PLocalFetch:
    ROOM(1);
    *sp++ = m_locals[m_localsFrame + ip->arg];
    NEXT;
L_PLocalStore:
    NEED(1);
    m_locals[m_localsFrame + ip->arg] = *--sp;
    NEXT;
L_PPostponeRun:
    SYNC;
    compileWord(ip->word);
    RELOAD;
    NEXT;
L_PDoesRun: {
    PCFA *word = m_latest;
    if (!word || (word->kind != WordKind::PCreateChild && word->kind != WordKind::PDoesChild))
        throw ForthException(-21, "DOES> needs a word made by CREATE");
    word->kind = WordKind::PDoesChild;
    word->code.resize(3);
    word->code[1].op = Op::PCallAt;
    word->code[1].word = ip->word;
    word->code[1].arg = ip->arg;
    word->code[2].op = Op::PExit;
    NEXT;
}

L_Store: {
    NEED(2);
    *cellAt(sp[-1], true) = sp[-2];
    sp -= 2;
    NEXT;
}
L_CStore: {
    NEED(2);
    Cell value = sp[-2];
    if (value.kind == CellKind::Int)
        value.i &= 0xff;
    *cellAt(sp[-1], true) = value;
    sp -= 2;
    NEXT;
}
L_Fetch:
L_CFetch:
    NEED(1);
    sp[-1] = *cellAt(sp[-1], false);
    NEXT;
L_PlusStore: {
    NEED(2);
    Cell *target = cellAt(sp[-1], true);
    if (bothInts(*target, sp[-2]))
        target->i = wrapAdd(target->i, sp[-2].i);
    else
        *target = slowArithmetic(Op::Add, *target, sp[-2]);
    sp -= 2;
    NEXT;
}
L_TwoStore: {
    NEED(3);
    Cell *first = cellAt(sp[-1], true);
    Cell next = sp[-1];
    next.i += 1;
    Cell *second = cellAt(next, true);
    *first = sp[-2];
    *second = sp[-3];
    sp -= 3;
    NEXT;
}
L_TwoFetch: {
    NEED(1);
    ROOM(1);
    Cell next = sp[-1];
    next.i += 1;
    const Cell second = *cellAt(next, false);
    sp[-1] = *cellAt(sp[-1], false);
    sp[0] = sp[-1];
    sp[-1] = second;
    ++sp;
    NEXT;
}

L_Add: {
    // ( a b -- a+b ) integers, and an address plus an offset, without leaving the loop
    NEED(2);
    Cell &a = sp[-2];
    const Cell &b = sp[-1];
    if (bothInts(a, b)) {
        a.i = wrapAdd(a.i, b.i);
    } else if (a.kind == CellKind::Data && b.kind == CellKind::Int) {
        a.i = wrapAdd(a.i, b.i);
    } else if (a.kind == CellKind::Int && b.kind == CellKind::Data) {
        a.i = wrapAdd(a.i, b.i);
        a.kind = CellKind::Data;
    } else {
        a = slowArithmetic(Op::Add, a, b);
    }
    --sp;
    NEXT;
}
    BINARY(Sub, wrapSub(x, y))
    BINARY(Mul, wrapMul(x, y))
    BINARY(And, x & y)
    BINARY(Or, x | y)
    BINARY(Xor, x ^ y)
    BINARY(Max, x < y ? y : x)
    BINARY(Min, x < y ? x : y)
    BINARY(LShift, uint64_t(y) >= 64 ? 0 : int64_t(uint64_t(x) << y))
    BINARY(RShift, uint64_t(y) >= 64 ? 0 : int64_t(uint64_t(x) >> y))
    COMPARE(Less, x < y)
    COMPARE(Greater, x > y)
    COMPARE(GreaterEqual, x >= y)
    COMPARE(Equal, x == y)
    COMPARE(NotEqual, x != y)
    COMPARE(ULess, uint64_t(x) < uint64_t(y))
    COMPARE(UGreater, uint64_t(x) > uint64_t(y))
    WITH_LITERAL(AddLiteral, Add, wrapAdd(x, y))
    WITH_LITERAL(SubLiteral, Sub, wrapSub(x, y))
    WITH_LITERAL(AndLiteral, And, x & y)
    WITH_LITERAL(LessLiteral, Less, TRUTH(x < y))
    WITH_LITERAL(GreaterLiteral, Greater, TRUTH(x > y))
    WITH_LITERAL(EqualLiteral, Equal, TRUTH(x == y))
    UNARY(Negate, wrapSub(0, x))
    UNARY(Abs, x < 0 ? wrapSub(0, x) : x)
    UNARY(OnePlus, wrapAdd(x, 1))
    UNARY(OneMinus, wrapSub(x, 1))
    UNARY(CharPlus, wrapAdd(x, 1))
    UNARY(CellPlus, wrapAdd(x, 1))
    UNARY(Invert, ~x)
    UNARY(TwoStar, int64_t(uint64_t(x) << 1))
    UNARY(TwoSlash, x >> 1)
    UNARY(ZeroLess, TRUTH(x < 0))
    UNARY(ZeroEqual, TRUTH(x == 0))
    UNARY(ZeroNotEqual, TRUTH(x != 0))
    UNARY(ZeroGreater, TRUTH(x > 0))
    UNARY(ZeroGreaterEqual, TRUTH(x >= 0))

L_Div:
L_Mod:
L_DivMod: {
    NEED(2);
    const Cell &a = sp[-2], &b = sp[-1];
    if (!bothInts(a, b)) {
        if (ip->op == Op::DivMod)
            throwCombination();
        sp[-2] = slowArithmetic(ip->op, a, b);
        --sp;
        NEXT;
    }
    int64_t quotient, remainder;
    flooredDivide(a.i, b.i, &quotient, &remainder);
    if (ip->op == Op::DivMod) {
        sp[-2].i = remainder;
        sp[-1].i = quotient;
    } else {
        sp[-2].i = ip->op == Op::Div ? quotient : remainder;
        --sp;
    }
    NEXT;
}
L_StarSlash:
L_StarSlashMod: {
    NEED(3);
    const int64_t n1 = needInt(sp[-3]), n2 = needInt(sp[-2]), n3 = needInt(sp[-1]);
    int64_t quotient, remainder;
    flooredDivide(__int128(n1) * n2, n3, &quotient, &remainder);
    if (ip->op == Op::StarSlash) {
        sp[-3].i = quotient;
        sp -= 2;
    } else {
        sp[-3].i = remainder;
        sp[-2] = intCell(quotient);
        --sp;
    }
    NEXT;
}
L_Within: {
    // ( x lo hi -- flag ) lo <= x < hi, as (x - lo) U< (hi - lo)
    NEED(3);
    const Cell &x = sp[-3], &lo = sp[-2], &hi = sp[-1];
    bool inside;
    if ((uint32_t(x.kind) | uint32_t(lo.kind) | uint32_t(hi.kind)) == 0)
        inside = uint64_t(x.i) - uint64_t(lo.i) < uint64_t(hi.i) - uint64_t(lo.i);
    else
        inside = !slowCompare(Op::Less, x, lo) && slowCompare(Op::Less, x, hi);
    sp -= 2;
    sp[-1] = intCell(TRUTH(inside));
    NEXT;
}
L_Chars:
L_Cells:
    NEED(1);
    needInt(sp[-1]);
    NEXT;

L_Dup:
    NEED(1);
    ROOM(1);
    sp[0] = sp[-1];
    ++sp;
    NEXT;
L_QuestionDup:
    NEED(1);
    if (isTrue(sp[-1])) {
        ROOM(1);
        sp[0] = sp[-1];
        ++sp;
    }
    NEXT;
L_Drop:
    NEED(1);
    --sp;
    NEXT;
L_Swap: {
    NEED(2);
    const Cell t = sp[-1];
    sp[-1] = sp[-2];
    sp[-2] = t;
    NEXT;
}
L_Over:
    NEED(2);
    ROOM(1);
    sp[0] = sp[-2];
    ++sp;
    NEXT;
L_Rot: {
    NEED(3);
    const Cell t = sp[-3];
    sp[-3] = sp[-2];
    sp[-2] = sp[-1];
    sp[-1] = t;
    NEXT;
}
L_MinusRot: {
    NEED(3);
    const Cell t = sp[-1];
    sp[-1] = sp[-2];
    sp[-2] = sp[-3];
    sp[-3] = t;
    NEXT;
}
L_Nip:
    NEED(2);
    sp[-2] = sp[-1];
    --sp;
    NEXT;
L_Tuck:
    NEED(2);
    ROOM(1);
    sp[0] = sp[-1];
    sp[-1] = sp[-2];
    sp[-2] = sp[0];
    ++sp;
    NEXT;
L_Pick: {
    NEED(1);
    const int64_t n = needInt(sp[-1]);
    if (n < 0 || n >= sp - m_stack - 1)
        throw ForthException(-3);
    sp[-1] = sp[-2 - n];
    NEXT;
}
L_Depth:
    ROOM(1);
    *sp = intCell(sp - m_stack);
    ++sp;
    NEXT;
L_TwoDrop:
    NEED(2);
    sp -= 2;
    NEXT;
L_TwoDup:
    NEED(2);
    ROOM(2);
    sp[0] = sp[-2];
    sp[1] = sp[-1];
    sp += 2;
    NEXT;
L_TwoOver:
    NEED(4);
    ROOM(2);
    sp[0] = sp[-4];
    sp[1] = sp[-3];
    sp += 2;
    NEXT;
L_TwoSwap: {
    NEED(4);
    const Cell a = sp[-4], b = sp[-3];
    sp[-4] = sp[-2];
    sp[-3] = sp[-1];
    sp[-2] = a;
    sp[-1] = b;
    NEXT;
}
L_ToR:
    NEED(1);
    RROOM(1);
    *rp++ = *--sp;
    NEXT;
L_RFrom:
    RNEED(1);
    ROOM(1);
    *sp++ = *--rp;
    NEXT;
L_RFetch:
    RNEED(1);
    ROOM(1);
    *sp++ = rp[-1];
    NEXT;
L_TwoToR:
    NEED(2);
    RROOM(2);
    rp[0] = sp[-2];
    rp[1] = sp[-1];
    rp += 2;
    sp -= 2;
    NEXT;
L_TwoRFrom:
    RNEED(2);
    ROOM(2);
    sp[0] = rp[-2];
    sp[1] = rp[-1];
    sp += 2;
    rp -= 2;
    NEXT;
L_TwoRFetch:
    RNEED(2);
    ROOM(2);
    sp[0] = rp[-2];
    sp[1] = rp[-1];
    sp += 2;
    NEXT;

#undef DISPATCH
#undef NEXT
#undef NEED
#undef ROOM
#undef RNEED
#undef RROOM
#undef SYNC
#undef RELOAD
#undef TRUTH
#undef BINARY
#undef COMPARE
#undef UNARY
#undef WITH_LITERAL
}
