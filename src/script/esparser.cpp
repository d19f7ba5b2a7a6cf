#include "esparser_p.h"

#include "esatom.h"
#include "escontext.h"
#include "esvalue.h"

namespace {

// Counts one level of statement or expression nesting while a parse function runs.
class ESParseNesting
{
public:
    ESParseNesting(int &depth, ESContext *cx, int line) : m_depth(depth)
    {
        esCheckNativeStack(cx);
        if (++m_depth > esMaxNesting) {
            --m_depth;
            esSyntaxError(cx, line, ESSyntaxMessage::NestedTooDeeply);
        }
    }
    ~ESParseNesting() { --m_depth; }
    ESParseNesting(const ESParseNesting &) = delete;
    ESParseNesting &operator=(const ESParseNesting &) = delete;

private:
    int &m_depth;
};

// The binary operators by level, loosest first: || && | ^ & (== !=) (< > <= >=)
// (<< >> >>>) (+ -) (* / %); -1 for every other token. "===" and "!==" belong to no
// level, so an expression using them stops before them and the statement fails.
int binaryLevel(int code)
{
    switch (code) {
    case ESTok::LogOr: return 0;
    case ESTok::LogAnd: return 1;
    case '|': return 2;
    case '^': return 3;
    case '&': return 4;
    case ESTok::Eq: case ESTok::Ne: return 5;
    case '<': case '>': case ESTok::Le: case ESTok::Ge: return 6;
    case ESTok::Shl: case ESTok::Shr: case ESTok::UShr: return 7;
    case '+': case '-': return 8;
    case '*': case '/': case '%': return 9;
    default: return -1;
    }
}

bool isAssignment(int code)
{
    return code == '=' || (code >= ESTok::AndAssign && code <= ESTok::ModAssign);
}

bool isLoopKeyword(int code)
{
    return code == ESTok::While || code == ESTok::For || code == ESTok::Do;
}

} // namespace

int ESFunctionScope::declareLocal(ESAtom *name)
{
    const auto found = slots.constFind(name);
    if (found != slots.constEnd())
        return *found;
    locals.push_back(name);
    const int slot = -int(locals.size());
    slots.insert(name, slot);
    return slot;
}

void ESFunctionScope::markActivationOutwards()
{
    for (ESFunctionScope *scope = this; scope; scope = scope->parent)
        scope->needsActivation = true;
}

ESParser::ESParser(ESContext *cx, const QString &source) : m_cx(cx), m_lexer(cx, source) {}

void ESParser::advance()
{
    m_token = m_lexer.next();
    m_hasPeeked = false;
}

const ESToken &ESParser::peek()
{
    if (!m_hasPeeked) {
        m_peeked = m_lexer.next();
        m_lexer.pushBack(m_peeked);
        m_hasPeeked = true;
    }
    return m_peeked;
}

bool ESParser::accept(int code)
{
    if (m_token.code != code)
        return false;
    advance();
    return true;
}

void ESParser::expect(int code)
{
    if (!accept(code)) {
        fail(ESSyntaxMessage::Expected, ESTok::displayName(code),
             ESTok::displayName(m_token.code));
    }
}

ESAtom *ESParser::expectIdentifier()
{
    ESAtom *name = m_token.atom;
    expect(ESTok::Identifier);
    return name;
}

// A statement ends with ";", or without one before "}", at the end of the input or
// where a line break came before the next token.
void ESParser::endStatement()
{
    if (accept(';'))
        return;
    if (m_token.code == '}' || m_token.code == ESTok::EndOfInput || m_token.newlineBefore)
        return;
    expect(';');
}

void ESParser::fail(ESSyntaxMessage message, const QString &first, const QString &second)
{
    esSyntaxError(m_cx, m_lexer.line(), message, first, second);
}

ESNode *ESParser::newNode(int kind, int line, ESNode *first, ESNode *second)
{
    m_nodes.emplace_back();
    ESNode *node = &m_nodes.back();
    node->kind = kind;
    node->line = line;
    node->child[0] = first;
    node->child[1] = second;
    return node;
}

// A name used inside `with` is looked up along the scope chain, so the functions around
// it keep their variables in activation objects; "arguments" and "eval" make the
// current function's variables reachable by name.
void ESParser::noteName(ESAtom *name)
{
    if (m_withDepth > 0)
        m_scope->markActivationOutwards();
    if (m_scope->isProgram())
        return;
    if (name == esKeys().arguments) {
        m_scope->markActivationOutwards();
        m_scope->declareLocal(name);
    } else if (name == esKeys().eval) {
        m_scope->usesEval = true;
        m_scope->declareLocal(esKeys().arguments);
    }
}

void ESParser::requireLeftHandSide(const ESNode *node)
{
    switch (node->kind) {
    case ESTok::Identifier: case '.': case '[': case ESTok::This: case ESTok::Call:
    case ESTok::NewCall: case ESTok::New: case ESTok::Number: case ESTok::String:
        return;
    default:
        fail(ESSyntaxMessage::NotLeftHandSide);
    }
}

ESFunctionScope *ESParser::parseProgram()
{
    m_scopes.emplace_back();
    m_scope = &m_scopes.back();
    m_scope->name = ESAtom::intern("main");
    advance();
    m_scope->body = parseStatementList(false);
    expect(ESTok::EndOfInput);
    return m_scope;
}

// statements -> statement*   (up to "}" or the end of the input)
ESNode *ESParser::parseStatementList(bool untilBrace)
{
    ESNode *first = nullptr;
    ESNode **link = &first;
    while (m_token.code != ESTok::EndOfInput && !(untilBrace && m_token.code == '}')) {
        const int line = m_token.line;
        ESNode *statement = parseStatement();
        *link = newNode(ESTok::Line, line, statement);
        link = &(*link)->child[1];
    }
    return first;
}

ESNode *ESParser::parseStatement()
{
    ESParseNesting nesting(m_nesting, m_cx, m_lexer.line());
    const int line = m_token.line;
    switch (m_token.code) {
    case '{': {
        advance();
        ESNode *block = newNode('{', line, parseStatementList(true));
        expect('}');
        return block;
    }
    case ';':
        advance();
        return newNode(';', line);
    case ESTok::Var: {
        ESNode *declarations = parseVar();
        endStatement();
        return declarations;
    }
    case ESTok::If: return parseIf();
    case ESTok::While: return parseWhile();
    case ESTok::Do: return parseDo();
    case ESTok::For: return parseFor();
    case ESTok::Break: case ESTok::Continue: return parseJump();
    case ESTok::Return: return parseReturn();
    case ESTok::With: return parseWith();
    case ESTok::Switch: return parseSwitch();
    case ESTok::Function:
        if (peek().code == ESTok::Identifier) {
            parseFunction(true);
            return newNode(';', line);  // hoisted to the start of the function
        }
        break;
    case ESTok::Identifier:
        if (peek().code == ':')
            return parseLabeled();
        break;
    default:
        break;
    }
    ESNode *expression = parseExpression();
    endStatement();
    return expression;
}

// var -> 'var' name ['=' assignment] {',' name ['=' assignment]}
// A Var node lists its declarators (Identifier nodes) through child 1; child 0 of each
// is the initialiser.
ESNode *ESParser::parseVar()
{
    ESNode *var = newNode(ESTok::Var, m_token.line);
    advance();
    ESNode **link = &var->child[0];
    do {
        const int line = m_token.line;
        ESAtom *name = expectIdentifier();
        noteName(name);
        if (!m_scope->isProgram())
            m_scope->declareLocal(name);
        ESNode *declarator = newNode(ESTok::Identifier, line);
        declarator->operand[0].atom = name;
        if (accept('='))
            declarator->child[0] = parseAssignment();
        *link = declarator;
        link = &declarator->child[1];
    } while (accept(','));
    return var;
}

// if -> 'if' '(' expression ')' statement ['else' statement]
ESNode *ESParser::parseIf()
{
    ESNode *node = newNode(ESTok::If, m_token.line);
    advance();
    expect('(');
    node->child[0] = parseExpression();
    expect(')');
    node->child[1] = parseStatement();
    if (accept(ESTok::Else))
        node->child[2] = parseStatement();
    return node;
}

ESNode *ESParser::parseLoopBody(ESNode *loop)
{
    m_targets.push_back({loop, nullptr, true, m_withDepth});
    ESNode *body = parseStatement();
    m_targets.pop_back();
    return body;
}

// while -> 'while' '(' expression ')' statement
ESNode *ESParser::parseWhile()
{
    ESNode *node = newNode(ESTok::While, m_token.line);
    advance();
    expect('(');
    node->child[0] = parseExpression();
    expect(')');
    node->child[1] = parseLoopBody(node);
    return node;
}

// do -> 'do' statement 'while' '(' expression ')' [';']
ESNode *ESParser::parseDo()
{
    ESNode *node = newNode(ESTok::Do, m_token.line);
    advance();
    node->child[0] = parseLoopBody(node);
    expect(ESTok::While);
    expect('(');
    node->child[1] = parseExpression();
    expect(')');
    accept(';');
    return node;
}

// for -> 'for' '(' [var | expression] ';' [expression] ';' [expression] ')' statement
//      | 'for' '(' ('var' name | lhs) 'in' expression ')' statement
ESNode *ESParser::parseFor()
{
    ESNode *node = newNode(ESTok::For, m_token.line);
    advance();
    expect('(');
    ESNode *init = nullptr;
    if (m_token.code == ESTok::Var) {
        init = parseVar();
        node->kind = ESTok::ForVar;
    } else if (m_token.code != ';') {
        init = parseExpression();
    }
    if (m_token.code == ESTok::In)
        return parseForIn(node, init);
    node->child[0] = init;
    expect(';');
    if (m_token.code != ';')
        node->child[1] = parseExpression();
    expect(';');
    if (m_token.code != ')')
        node->child[2] = parseExpression();
    expect(')');
    node->child[3] = parseLoopBody(node);
    return node;
}

// ForIn: child 0 the target, 1 the object, 2 the body. ForVarIn: operand 0 the name,
// child 0 its initialiser, 1 the object, 2 the body.
ESNode *ESParser::parseForIn(ESNode *loop, ESNode *init)
{
    if (loop->kind == ESTok::ForVar) {
        if (init->child[0]->child[1])
            fail(ESSyntaxMessage::ForInVariables);
        loop->kind = ESTok::ForVarIn;
        loop->operand[0].atom = init->child[0]->operand[0].atom;
        loop->child[0] = init->child[0]->child[0];
    } else {
        requireLeftHandSide(init);
        loop->kind = ESTok::ForIn;
        loop->child[0] = init;
    }
    advance();
    loop->child[1] = parseExpression();
    expect(')');
    loop->child[2] = parseLoopBody(loop);
    return loop;
}

// jump -> ('break' | 'continue') [label] ';'
// Child 0 is the statement left (for continue, the loop itself); operand 0 counts the
// with statements to leave on the way.
ESNode *ESParser::parseJump()
{
    const bool isBreak = m_token.code == ESTok::Break;
    ESNode *node = newNode(m_token.code, m_token.line);
    advance();
    const JumpTarget *target = nullptr;
    if (m_token.code == ESTok::Identifier && !m_token.newlineBefore) {
        ESAtom *label = m_token.atom;
        advance();
        for (auto it = m_targets.rbegin(); it != m_targets.rend() && !target; ++it) {
            if (it->label == label)
                target = &*it;
        }
        if (!target)
            fail(ESSyntaxMessage::UnknownLabel, label->text);
        if (!isBreak) {
            if (!target->isLoop)
                fail(ESSyntaxMessage::ContinueNotLoop);
            while (target->label)  // the loop the label stands on
                ++target;
        }
    } else {
        for (auto it = m_targets.rbegin(); it != m_targets.rend() && !target; ++it) {
            if (!it->label && (isBreak || it->isLoop))
                target = &*it;
        }
        if (!target) {
            fail(isBreak ? ESSyntaxMessage::BreakOutsideLoop
                         : ESSyntaxMessage::ContinueOutsideLoop);
        }
    }
    node->child[0] = target->node;
    node->operand[0].integer = m_withDepth - target->withDepth;
    endStatement();
    return node;
}

// return -> 'return' [expression] ';'   (a line break ends a bare return)
ESNode *ESParser::parseReturn()
{
    if (m_scope->isProgram())
        fail(ESSyntaxMessage::NotInFunction, ESTok::displayName(ESTok::Return));
    ESNode *node = newNode(ESTok::Return, m_token.line);
    advance();
    if (m_token.code != ';' && m_token.code != '}' && m_token.code != ESTok::EndOfInput
        && !m_token.newlineBefore)
        node->child[0] = parseExpression();
    endStatement();
    return node;
}

// with -> 'with' '(' expression ')' statement
ESNode *ESParser::parseWith()
{
    ESNode *node = newNode(ESTok::With, m_token.line);
    advance();
    expect('(');
    node->child[0] = parseExpression();
    expect(')');
    ++m_withDepth;
    node->child[1] = parseStatement();
    --m_withDepth;
    return node;
}

// switch -> 'switch' '(' expression ')' '{' {('case' expression | 'default') ':' statements} '}'
// Clauses are Case nodes chained through child 2: child 0 the value (none for default),
// child 1 the statements.
ESNode *ESParser::parseSwitch()
{
    ESNode *node = newNode(ESTok::Switch, m_token.line);
    advance();
    expect('(');
    node->child[0] = parseExpression();
    expect(')');
    expect('{');
    m_targets.push_back({node, nullptr, false, m_withDepth});
    ESNode **link = &node->child[1];
    bool hasDefault = false;
    while (!accept('}')) {
        ESNode *clause = newNode(ESTok::Case, m_token.line);
        if (accept(ESTok::Case)) {
            clause->child[0] = parseExpression();
        } else if (m_token.code == ESTok::Default) {
            if (hasDefault)
                fail(ESSyntaxMessage::DefaultDefined);
            hasDefault = true;
            advance();
        } else {
            fail(ESSyntaxMessage::ExpectedCase, ESTok::displayName(m_token.code));
        }
        expect(':');
        ESNode **statements = &clause->child[1];
        while (m_token.code != ESTok::Case && m_token.code != ESTok::Default
               && m_token.code != '}' && m_token.code != ESTok::EndOfInput) {
            const int line = m_token.line;
            *statements = newNode(ESTok::Line, line, parseStatement());
            statements = &(*statements)->child[1];
        }
        *link = clause;
        link = &clause->child[2];
    }
    m_targets.pop_back();
    return node;
}

// labeled -> name ':' statement
ESNode *ESParser::parseLabeled()
{
    ESNode *node = newNode(':', m_token.line);
    node->operand[0].atom = m_token.atom;
    advance();
    advance();  // the ':'
    m_targets.push_back({node, node->operand[0].atom, isLoopKeyword(m_token.code),
                         m_withDepth});
    node->child[0] = parseStatement();
    m_targets.pop_back();
    return node;
}

// function -> 'function' [name] '(' [name {',' name}] ')' '{' statements '}'
// Operand 0 is the name, operand 1 the function's scope.
ESNode *ESParser::parseFunction(bool declaration)
{
    ESNode *node = newNode(ESTok::Function, m_token.line);
    advance();
    ESAtom *name = m_token.code == ESTok::Identifier ? expectIdentifier()
                                                      : ESAtom::intern("anonymous");
    m_scopes.emplace_back();
    ESFunctionScope *scope = &m_scopes.back();
    scope->parent = m_scope;
    scope->name = name;
    scope->insideWith = m_withDepth > 0;
    m_scope->children.push_back(scope);
    node->operand[0].atom = name;
    node->operand[1].scope = scope;
    if (declaration) {
        m_scope->declarations.push_back(node);
        if (!m_scope->isProgram())
            m_scope->declareLocal(name);
    }
    expect('(');
    if (m_token.code != ')') {
        do {
            ESAtom *parameter = expectIdentifier();
            scope->slots.insert(parameter, int(scope->parameters.size()));
            scope->parameters.push_back(parameter);
        } while (accept(','));
    }
    expect(')');
    expect('{');
    ESFunctionScope *outer = m_scope;
    std::vector<JumpTarget> outerTargets;
    outerTargets.swap(m_targets);
    m_scope = scope;
    scope->body = parseStatementList(true);
    m_scope = outer;
    m_targets.swap(outerTargets);
    expect('}');
    return node;
}

// expression -> assignment {',' assignment}
ESNode *ESParser::parseExpression()
{
    ESNode *left = parseAssignment();
    while (m_token.code == ',') {
        const int line = m_token.line;
        advance();
        left = newNode(',', line, left, parseAssignment());
    }
    return left;
}

// assignment -> conditional [('=' | '+=' | ...) assignment]
ESNode *ESParser::parseAssignment()
{
    ESParseNesting nesting(m_nesting, m_cx, m_lexer.line());
    const int line = m_token.line;
    ESNode *left = parseConditional();
    if (!isAssignment(m_token.code))
        return left;
    requireLeftHandSide(left);
    const int op = m_token.code;
    advance();
    return newNode(op, line, left, parseAssignment());
}

// conditional -> binary ['?' assignment ':' assignment]
ESNode *ESParser::parseConditional()
{
    const int line = m_token.line;
    ESNode *condition = parseBinary(0);
    if (!accept('?'))
        return condition;
    ESNode *node = newNode('?', line, condition, parseAssignment());
    expect(':');
    node->child[2] = parseAssignment();
    return node;
}

// binary -> unary {op binary}, by precedence climbing over the levels of binaryLevel();
// every level is left-associative.
ESNode *ESParser::parseBinary(int minimumLevel)
{
    const int line = m_token.line;
    ESNode *left = parseUnary();
    for (;;) {
        const int level = binaryLevel(m_token.code);
        if (level < minimumLevel)
            return left;
        const int op = m_token.code;
        advance();
        left = newNode(op, line, left, parseBinary(level + 1));
    }
}

// unary -> ('delete' | 'void' | 'typeof' | '++' | '--' | '+' | '-' | '~' | '!') unary | postfix
ESNode *ESParser::parseUnary()
{
    ESParseNesting nesting(m_nesting, m_cx, m_lexer.line());
    const int line = m_token.line;
    int kind = m_token.code;
    switch (kind) {
    case '+': kind = ESTok::Plus; break;
    case '-': kind = ESTok::Negate; break;
    case ESTok::Delete: case ESTok::Void: case ESTok::TypeOf: case ESTok::Inc:
    case ESTok::Dec: case '~': case '!':
        break;
    default:
        return parsePostfix();
    }
    advance();
    ESNode *operand = parseUnary();
    if (kind == ESTok::Inc || kind == ESTok::Dec)
        requireLeftHandSide(operand);
    return newNode(kind, line, operand);
}

// postfix -> member-or-call ['++' | '--']   (not after a line break)
ESNode *ESParser::parsePostfix()
{
    const int line = m_token.line;
    ESNode *operand = parseMemberOrCall();
    if ((m_token.code != ESTok::Inc && m_token.code != ESTok::Dec) || m_token.newlineBefore)
        return operand;
    requireLeftHandSide(operand);
    const int kind = m_token.code == ESTok::Inc ? ESTok::PostInc : ESTok::PostDec;
    advance();
    return newNode(kind, line, operand);
}

// member-or-call -> (new | primary) {'.' name | '[' expression ']' | arguments}
ESNode *ESParser::parseMemberOrCall()
{
    ESNode *node = m_token.code == ESTok::New ? parseNew() : parsePrimary();
    for (;;) {
        if (m_token.code == '(') {
            const int line = m_token.line;
            int count = 0;
            ESNode *arguments = parseArguments(&count);
            node = newNode(ESTok::Call, line, node, arguments);
            node->operand[0].integer = count;
        } else if (m_token.code == '.' || m_token.code == '[') {
            node = parseMemberSuffix(node);
        } else {
            return node;
        }
    }
}

// One '.' name or '[' expression ']' after an object.
ESNode *ESParser::parseMemberSuffix(ESNode *object)
{
    const int line = m_token.line;
    if (accept('.')) {
        ESNode *node = newNode('.', line, object);
        node->operand[0].atom = expectIdentifier();
        return node;
    }
    expect('[');
    ESNode *node = newNode('[', line, object, parseExpression());
    expect(']');
    return node;
}

// new -> 'new' (new | primary) {'.' name | '[' expression ']'} [arguments]
ESNode *ESParser::parseNew()
{
    ESParseNesting nesting(m_nesting, m_cx, m_lexer.line());
    const int line = m_token.line;
    advance();
    ESNode *target = m_token.code == ESTok::New ? parseNew() : parsePrimary();
    while (m_token.code == '.' || m_token.code == '[')
        target = parseMemberSuffix(target);
    if (m_token.code != '(')
        return newNode(ESTok::New, line, target);
    int count = 0;
    ESNode *arguments = parseArguments(&count);
    ESNode *node = newNode(ESTok::NewCall, line, target, arguments);
    node->operand[0].integer = count;
    return node;
}

// arguments -> '(' [assignment {',' assignment}] ')'   as ',' nodes through child 1
ESNode *ESParser::parseArguments(int *count)
{
    expect('(');
    ESNode *first = nullptr;
    ESNode **link = &first;
    if (m_token.code != ')') {
        do {
            const int line = m_token.line;
            *link = newNode(',', line, parseAssignment());
            link = &(*link)->child[1];
            ++*count;
        } while (accept(','));
    }
    expect(')');
    return first;
}

// primary -> name | 'this' | number | string | 'true' | 'false' | 'null'
//          | '(' expression ')' | function | array | object
ESNode *ESParser::parsePrimary()
{
    const ESToken token = m_token;
    switch (token.code) {
    case ESTok::Identifier: {
        advance();
        noteName(token.atom);
        ESNode *node = newNode(ESTok::Identifier, token.line);
        node->operand[0].atom = token.atom;
        return node;
    }
    case ESTok::This: case ESTok::True: case ESTok::False: case ESTok::Null:
        advance();
        return newNode(token.code, token.line);
    case ESTok::Number: {
        advance();
        ESNode *node = newNode(ESTok::Number, token.line);
        node->operand[0].number = token.number;
        return node;
    }
    case ESTok::String: {
        advance();
        ESNode *node = newNode(ESTok::String, token.line);
        node->operand[0].atom = token.atom;
        return node;
    }
    case '(': {
        advance();
        ESNode *inner = parseExpression();
        expect(')');
        return inner;
    }
    case ESTok::Function: return parseFunction(false);
    case '[': return parseArrayLiteral();
    case '{': return parseObjectLiteral();
    default:
        fail(ESSyntaxMessage::ExpectedExpression, ESTok::displayName(token.code));
    }
}

// array -> '[' [element] {',' [element]} ']'   (an empty element is a hole)
// Elements are ',' nodes through child 1; a hole has no child 0.
ESNode *ESParser::parseArrayLiteral()
{
    ESNode *node = newNode(ESTok::ArrayInit, m_token.line);
    advance();
    ESNode **link = &node->child[0];
    int count = 0;
    while (m_token.code != ']') {
        ESNode *element = newNode(',', m_token.line);
        if (m_token.code != ',')
            element->child[0] = parseAssignment();
        *link = element;
        link = &element->child[1];
        ++count;
        if (accept(','))
            continue;
        if (m_token.code != ']')
            fail(ESSyntaxMessage::ArrayElement, ESTok::displayName(m_token.code));
    }
    advance();
    node->operand[0].integer = count;
    return node;
}

// object -> '{' [key ':' assignment {',' key ':' assignment}] '}'
//   key -> number | string | name
// Entries are ',' nodes through child 1 with the key atom as operand 0.
ESNode *ESParser::parseObjectLiteral()
{
    ESNode *node = newNode(ESTok::ObjectInit, m_token.line);
    advance();
    ESNode **link = &node->child[0];
    while (m_token.code != '}') {
        ESAtom *key = nullptr;
        if (m_token.code == ESTok::Number)
            key = m_cx->toPropertyKey(ESValue::fromNumber(m_token.number));
        else if (m_token.code == ESTok::String || m_token.code == ESTok::Identifier)
            key = m_token.atom;
        else
            fail(ESSyntaxMessage::ObjectKey);
        ESNode *entry = newNode(',', m_token.line);
        entry->operand[0].atom = key;
        advance();
        expect(':');
        entry->child[0] = parseAssignment();
        *link = entry;
        link = &entry->child[1];
        if (!accept(','))
            break;
    }
    expect('}');
    return node;
}
