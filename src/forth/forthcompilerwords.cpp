// Defining words, the compiler's immediate words and the control structures. A control
// structure leaves its items (CSOrig, CSDest, CSDoSys, ...) on the control-flow stack
// and the word that closes it checks the kind on top, failing with the message that
// names the missing opener.

#include "forthsystem_p.h"

namespace {

using S = ForthSystem;

const char noOrigIf[] = "no <orig> on control stack; missing IF?";
const char noDestBegin[] = "no <dest> on control stack; missing BEGIN?";
const char noDoSys[] = "no <do-sys> on control stack; missing DO?";

PCFA *findOrThrow(S &s, const QByteArray &name)
{
    int local = -1;
    PCFA *word = s.find(name, &local);
    if (local >= 0)
        throw ForthException(-14, "local variable execution not supported");
    if (!word)
        throw ForthException(-13, name);
    return word;
}

PCFA *parseWord(S &s)
{
    return findOrThrow(s, s.parseDefinitionName());
}

// --- Definitions ---------------------------------------------------------------------

// ( "name" -- colon-sys )
void colon(S &s)
{
    PCFA *word = s.define(QByteArray(), WordKind::PColonChild);
    word->name = s.parseDefinitionName();
    s.beginDefinition(word);
    s.m_definingLinks = true;
}

// ( -- xt colon-sys )
void colonNoname(S &s)
{
    PCFA *word = s.define(QByteArray(), WordKind::PColonNonameChild);
    s.beginDefinition(word);
    s.push(codeCell(word));
}

// ( colon-sys -- )
void semicolon(S &s)
{
    if (s.m_control.empty())
        throw ForthException(-22, "control stack underflow");
    s.popControl(ControlKind::CSColonSys, nullptr);
    if (s.m_localsEnter >= 0)
        s.emitOp(Op::PLocalsLeave);
    s.emitOp(Op::PExit);
    s.endDefinition();
}

// ( x "name" -- )
void constant(S &s)
{
    const Cell value = s.pop();
    s.defineConstant(s.parseDefinitionName(), value);
}

// ( "name" -- ) a word that pushes the data address at HERE
PCFA *create(S &s, WordKind kind = WordKind::PCreateChild)
{
    PCFA *word = s.defineConstant(s.parseDefinitionName(), s.here(), kind);
    return word;
}

void createWord(S &s) { create(s); }

// ( "name" -- )
void variable(S &s)
{
    create(s);
    s.allot(1);
}

// ( x "name" -- )
void value(S &s)
{
    const Cell initial = s.pop();
    PCFA *word = s.define(s.parseDefinitionName(), WordKind::PValueChild);
    word->value = initial;
    Instr fetch;
    fetch.op = Op::PValueFetch;
    fetch.arg = 0;
    fetch.word = word;
    word->code = {fetch, Instr{Op::PExit, 0, {0}}};
}

// ( x "name" -- ) a value or, while compiling, a local
void to(S &s)
{
    const QByteArray name = s.parseDefinitionName();
    int local = -1;
    PCFA *word = s.find(name, &local);
    if (local >= 0 && s.compiling()) {
        s.emitOp(Op::PLocalStore, 0, local);
        return;
    }
    if (!word)
        throw ForthException(-13, name);
    if (word->kind != WordKind::PValueChild)
        throw ForthException(-268, name);
    if (s.compiling()) {
        const int at = s.emitOp(Op::PValueStore);
        s.code()[size_t(at)].word = word;
    } else {
        word->value = s.pop();
    }
}

// ( -- ) the code after DOES> becomes the behaviour of the latest CREATE'd word
void does(S &s)
{
    PCFA *definer = s.m_defining;
    const int at = s.emitOp(Op::PDoesRun);
    s.code()[size_t(at)].word = definer;
    s.compileExit();
    if (s.m_localsEnter >= 0)
        s.code()[size_t(s.m_localsEnter)].arg = int(s.m_localNames.size());
    s.m_localNames.clear();
    s.m_localsEnter = -1;
    s.code()[size_t(at)].arg = int(s.code().size());
    s.markLabel();
}

// ( -- )
void immediate(S &s)
{
    if (!s.m_latest)
        throw ForthException(-256);
    s.m_latest->flags |= PCFA::Immediate;
}

// ( xt -- a-addr )
void toBody(S &s)
{
    PCFA *word = s.popWord();
    if (word->kind != WordKind::PCreateChild && word->kind != WordKind::PDoesChild)
        throw ForthException(-31, "does not have a PFA");
    s.push(word->value);
}

// ( "name" -- xt )
void tick(S &s) { s.push(codeCell(parseWord(s))); }

// ( "name" -- ) compiles the xt as a literal
void bracketTick(S &s) { s.emitLiteral(codeCell(parseWord(s))); }

// ( xt -- )
void compileComma(S &s) { s.compileWord(s.popWord()); }

// ( "name" -- )
void postpone(S &s)
{
    PCFA *word = parseWord(s);
    if (word->isImmediate()) {
        s.compileWord(word);
        return;
    }
    const int at = s.emitOp(Op::PPostponeRun);
    s.code()[size_t(at)].word = word;
}

void bracketCompile(S &s) { s.compileWord(parseWord(s)); }

// ( x -- )
void literal(S &s) { s.emitLiteral(s.pop()); }

void recurse(S &s)
{
    if (!s.m_defining)
        throw ForthException(-14);
    s.compileWord(s.m_defining);
}

void leftBracket(S &s) { s.setCompiling(false); }
void rightBracket(S &s) { s.setCompiling(true); }

// ( "name" -- char ) compiled as a literal
void bracketChar(S &s)
{
    s.emitLiteral(intCell(uchar(s.parseDefinitionName()[0])));
}

void exitWord(S &s) { s.compileExit(); }

// --- Control structures ----------------------------------------------------------------

void pushControl(S &s, ControlKind kind, int position)
{
    s.m_control.push_back(CSItem{kind, position, {}});
}

// ( -- orig )
void ifWord(S &s) { pushControl(s, ControlKind::CSOrig, s.emitOp(Op::PZBranch)); }
void ahead(S &s) { pushControl(s, ControlKind::CSOrig, s.emitOp(Op::PBranch)); }

// ( orig -- )
void then(S &s) { s.resolveForward(s.popControl(ControlKind::CSOrig, noOrigIf).position); }

// ( orig1 -- orig2 )
void elseWord(S &s)
{
    const CSItem orig = s.popControl(ControlKind::CSOrig, noOrigIf);
    ahead(s);
    s.resolveForward(orig.position);
}

// ( -- dest )
void begin(S &s)
{
    s.markLabel();
    pushControl(s, ControlKind::CSDest, int(s.code().size()));
}

// ( dest -- )
void until(S &s)
{
    s.branchBack(Op::PZBranch, s.popControl(ControlKind::CSDest, noDestBegin).position);
}
void again(S &s)
{
    s.branchBack(Op::PBranch, s.popControl(ControlKind::CSDest, noDestBegin).position);
}

// ( dest -- orig dest )
void whileWord(S &s)
{
    const CSItem dest = s.popControl(ControlKind::CSDest, noDestBegin);
    ifWord(s);
    s.m_control.push_back(dest);
}

// ( orig dest -- )
void repeat(S &s)
{
    const CSItem dest = s.popControl(ControlKind::CSDest,
                                     "no <dest> on control stack, missing BEGIN?");
    const CSItem orig = s.popControl(ControlKind::CSOrig,
                                     "no <orig> on control stack; missing WHILE?");
    s.branchBack(Op::PBranch, dest.position);
    s.resolveForward(orig.position);
}

// ( -- do-sys )
void doWord(S &s)
{
    s.emitOp(Op::PDoRun);
    s.markLabel();
    pushControl(s, ControlKind::CSDoSys, int(s.code().size()));
}

void questionDo(S &s)
{
    const int at = s.emitOp(Op::PQuestionDoRun);
    s.markLabel();
    pushControl(s, ControlKind::CSDoSys, int(s.code().size()));
    s.m_control.back().fixups.push_back(at);
}

// ( do-sys -- )
void closeLoop(S &s, Op op)
{
    const CSItem loop = s.popControl(ControlKind::CSDoSys, noDoSys);
    s.branchBack(op, loop.position);
    for (const int fixup : loop.fixups)
        s.resolveForward(fixup);
}
void loop(S &s) { closeLoop(s, Op::PLoopRun); }
void plusLoop(S &s) { closeLoop(s, Op::PPlusLoopRun); }

void leave(S &s)
{
    const int depth = s.controlDepthOf(ControlKind::CSDoSys);
    if (depth < 0)
        throw ForthException(-257, "LEAVE not in DO-LOOP");
    const int at = s.emitOp(Op::PLeave);
    s.m_control[s.m_control.size() - 1 - size_t(depth)].fixups.push_back(at);
}

int loopNesting(const S &s)
{
    int loops = 0;
    for (auto it = s.m_control.rbegin();
         it != s.m_control.rend() && it->kind != ControlKind::CSColonSys; ++it) {
        loops += it->kind == ControlKind::CSDoSys;
    }
    return loops;
}

// ( -- index ) compiled inside a loop; run when interpreted
void loopIndex(S &s, Op op, int nesting, const char *message)
{
    if (s.compiling()) {
        if (loopNesting(s) < nesting)
            throw ForthException(-264, message);
        s.emitOp(op);
        return;
    }
    if (s.m_lp - s.m_loops < nesting)
        throw ForthException(-26, "loop stack underflow");
    s.pushInt(s.m_lp[-nesting].index);
}
void iWord(S &s) { loopIndex(s, Op::PIRun, 1, "I not in DO-LOOP"); }
void jWord(S &s) { loopIndex(s, Op::PJRun, 2, "J not in DO-LOOP"); }

// ( -- case-sys )
void caseWord(S &s) { pushControl(s, ControlKind::CSCaseSys, int(s.code().size())); }

// ( case-sys -- case-sys of-sys )
void of(S &s)
{
    if (s.m_control.empty() || s.m_control.back().kind != ControlKind::CSCaseSys)
        throw ForthException(-22, "OF not within CASE");
    pushControl(s, ControlKind::CSOfSys, s.emitOp(Op::POfBranch));
}

// ( case-sys of-sys -- case-sys )
void endof(S &s)
{
    const CSItem of = s.popControl(ControlKind::CSOfSys, "ENDOF not matched with OF");
    s.m_control.back().fixups.push_back(s.emitOp(Op::PBranch));
    s.resolveForward(of.position);
}

// ( case-sys -- )
void endcase(S &s)
{
    const CSItem cases = s.popControl(ControlKind::CSCaseSys, "ENDCASE not matched with CASE");
    s.emitOp(Op::Drop);
    for (const int fixup : cases.fixups)
        s.resolveForward(fixup);
}

// ( u -- ) copies the u-th control-flow item to the top
void csPick(S &s)
{
    const int64_t u = s.popInt();
    if (u < 0 || u >= int64_t(s.m_control.size()))
        throw ForthException(-22, "CS-PICK outside stack");
    s.m_control.push_back(s.m_control[s.m_control.size() - 1 - size_t(u)]);
}

// ( u -- ) moves the u-th control-flow item to the top
void csRoll(S &s)
{
    const int64_t u = s.popInt();
    if (u < 0 || u >= int64_t(s.m_control.size()))
        throw ForthException(-22, "CS-PICK outside stack");
    const auto at = s.m_control.end() - 1 - u;
    const CSItem item = *at;
    s.m_control.erase(at);
    s.m_control.push_back(item);
}

// --- Comments, strings and conditional compilation ----------------------------------------

// ( "ccc<paren>" -- ) may go on over the following lines of a file
void paren(S &s)
{
    for (;;) {
        InputSource &input = s.source();
        const int end = input.line.indexOf(')', input.in);
        if (end >= 0) {
            input.in = end + 1;
            return;
        }
        if (!s.refill())
            throw ForthException(-39, "unterminated comment");
    }
}

void backslash(S &s) { s.source().in = s.source().line.size(); }

// ( "ccc<paren>" -- )
void dotParen(S &s) { s.output(s.parseClosed(')', "string")); }

void typeCompiled(S &s, const QByteArray &text)
{
    s.emitLiteral(s.dictionaryString(text));
    s.emitLiteral(intCell(text.size()));
}

// ( "ccc<quote>" -- )
void dotQuote(S &s)
{
    const QByteArray text = s.parseClosed('"', "string");
    if (!s.compiling()) {
        s.output(text);
        return;
    }
    typeCompiled(s, text);
    s.compileWord(s.m_forth->index.value("TYPE"));
}

// ( "ccc<quote>" -- c-addr u )
void sQuote(S &s)
{
    const QByteArray text = s.parseClosed('"', "string");
    if (s.compiling()) {
        typeCompiled(s, text);
        return;
    }
    s.push(s.transientString(text));
    s.pushInt(text.size());
}

// Skips words up to the [ELSE] (when `stopAtElse`) or [THEN] of this level, over lines.
void skipConditional(S &s, bool stopAtElse)
{
    int level = 0;
    for (;;) {
        const QByteArray name = s.parseName().toUpper();
        if (name.isEmpty()) {
            if (!s.refill())
                throw ForthException(-22, "[IF] has no matching [THEN]");
            continue;
        }
        if (name == "[IF]") {
            ++level;
        } else if (name == "[ELSE]") {
            if (level == 0 && stopAtElse)
                return;
        } else if (name == "[THEN]") {
            if (level == 0)
                return;
            --level;
        } else if (name == "\\") {
            s.source().in = s.source().line.size();
        }
    }
}

// ( flag -- )
void bracketIf(S &s)
{
    const Cell flag = s.pop();
    if (flag.kind == CellKind::Int && flag.i == 0)
        skipConditional(s, true);
}
void bracketElse(S &s) { skipConditional(s, false); }
void bracketThen(S &) {}

// ( "name" -- flag )
void bracketDefined(S &s) { s.pushInt(s.find(s.parseDefinitionName()) ? -1 : 0); }
void bracketUndefined(S &s) { s.pushInt(s.find(s.parseDefinitionName()) ? 0 : -1); }

// --- Locals -------------------------------------------------------------------------------

void declareLocals(S &s, bool fromStack)
{
    if (!s.m_defining)
        throw ForthException(-14);
    for (;;) {
        const QByteArray name = s.parseName();
        if (name.isEmpty())
            throw ForthException(-39, "unterminated locals list");
        if (name == "|")
            return;
        s.declareLocal(name, fromStack);
    }
}

// ( xn ... x1 "name1 ... namen |" -- ) name1 takes x1, the top
void localsBar(S &s) { declareLocals(s, true); }
// ( "name1 ... namen |" -- ) temporaries, each 0 at the start
void tempsBar(S &s) { declareLocals(s, false); }

void declareByString(S &s, bool fromStack)
{
    const int64_t length = s.popInt();
    const QByteArray name = s.readString(s.pop(), length);
    if (name.isEmpty())
        return;
    if (!s.m_defining)
        throw ForthException(-14);
    s.declareLocal(name, fromStack);
}

// ( c-addr u -- ) u = 0 ends the list
void parenLocal(S &s) { declareByString(s, true); }
void parenTemp(S &s) { declareByString(s, false); }

struct Entry
{
    const char *name;
    NativeFn fn;
    int flags;
};

constexpr int immediateFlag = PCFA::Immediate;

constexpr Entry entries[] = {
    {"[DEFINED]", bracketDefined, immediateFlag}, {"[UNDEFINED]", bracketUndefined, immediateFlag},
    {"(", paren, immediateFlag}, {"+LOOP", plusLoop, immediateFlag},
    {".\"", dotQuote, immediateFlag}, {";", semicolon, immediateFlag},
    {"BEGIN", begin, immediateFlag}, {"DO", doWord, immediateFlag}, {"DOES>", does, immediateFlag},
    {"ELSE", elseWord, immediateFlag}, {"EXIT", exitWord, immediateFlag},
    {"IF", ifWord, immediateFlag}, {"J", jWord, immediateFlag}, {"LEAVE", leave, immediateFlag},
    {"LITERAL", literal, immediateFlag}, {"LOOP", loop, immediateFlag},
    {"POSTPONE", postpone, immediateFlag}, {"RECURSE", recurse, immediateFlag},
    {"REPEAT", repeat, immediateFlag}, {"S\"", sQuote, immediateFlag},
    {"THEN", then, immediateFlag}, {"UNTIL", until, immediateFlag},
    {"WHILE", whileWord, immediateFlag}, {"[", leftBracket, immediateFlag},
    {"[']", bracketTick, immediateFlag}, {"[CHAR]", bracketChar, immediateFlag},
    {"]", rightBracket, immediateFlag}, {".(", dotParen, immediateFlag},
    {"?DO", questionDo, immediateFlag}, {"AGAIN", again, immediateFlag},
    {"CASE", caseWord, immediateFlag}, {"ENDCASE", endcase, immediateFlag},
    {"ENDOF", endof, immediateFlag}, {"OF", of, immediateFlag}, {"TO", to, immediateFlag},
    {"[COMPILE]", bracketCompile, immediateFlag}, {"\\", backslash, immediateFlag},
    {"[IF]", bracketIf, immediateFlag}, {"[ELSE]", bracketElse, immediateFlag},
    {"[THEN]", bracketThen, immediateFlag}, {"LOCALS|", localsBar, immediateFlag},
    {"TEMPS|", tempsBar, immediateFlag},
    {"I", iWord, PCFA::Immediate | PCFA::Primitive},
    {"'", tick, PCFA::Primitive},
    {"AHEAD", ahead, 0}, {":", colon, 0}, {">BODY", toBody, 0}, {"CONSTANT", constant, 0},
    {"CREATE", createWord, 0}, {"IMMEDIATE", immediate, 0}, {"VARIABLE", variable, 0},
    {":NONAME", colonNoname, 0}, {"COMPILE,", compileComma, 0}, {"VALUE", value, 0},
    {"(LOCAL)", parenLocal, 0}, {"(TEMP)", parenTemp, 0},
    // Beyond the registered set.
    {"CS-PICK", csPick, 0}, {"CS-ROLL", csRoll, 0},
};

} // namespace

void registerCompilerWords(ForthSystem &system)
{
    for (const Entry &entry : entries)
        system.addNative(entry.name, entry.fn, entry.flags);
}
