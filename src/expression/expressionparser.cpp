#include "expressionparser.h"

#include "debuggerexpressions.h"
#include "lexer.h"
#include "operatorexpressions.h"
#include "parserexception.h"

#include <QSet>

namespace {

// Counts one level of nesting for the lifetime of a parse function.
class NestingGuard
{
public:
    NestingGuard(int &depth, int limit, const char *message) : m_depth(depth)
    {
        if (++m_depth > limit) {
            --m_depth;
            throw ParserException(message);
        }
    }
    ~NestingGuard() { --m_depth; }
    NestingGuard(const NestingGuard &) = delete;
    NestingGuard &operator=(const NestingGuard &) = delete;

private:
    int &m_depth;
};

const char *const basicTypeWords[] = {"char", "short", "int", "long", "float", "double",
                                      "unsigned", "signed", "const", "volatile"};

bool isBasicTypeWord(const QString &word)
{
    for (const char *keyword : basicTypeWords) {
        if (word == QLatin1String(keyword))
            return true;
    }
    return false;
}

template <class Node>
ExpressionPtr makeBinary(ExpressionParser *parser, ExpressionPtr left, ExpressionPtr right)
{
    return std::make_unique<Node>(parser, std::move(left), std::move(right));
}

} // namespace

ExpressionParser::ExpressionParser() : ExpressionParser(std::make_unique<CStyleLexer>()) {}

ExpressionParser::ExpressionParser(std::unique_ptr<Lexer> lexer)
    : m_lexer(lexer ? std::move(lexer) : std::make_unique<CStyleLexer>())
{
}

ExpressionParser::~ExpressionParser() = default;

ExpressionPtr ExpressionParser::parseExpression(const QString &text, int *endPosition)
{
    if (text.isEmpty())
        return nullptr;
    m_operandCount = 0;
    m_nesting = 0;
    m_typeDepth = 0;
    m_lexer->setInput(text);
    ExpressionPtr expression = parseLevel(commaPrecedence);
    if (endPosition)
        *endPosition = m_lexer->inSubstitution() ? text.size() : m_lexer->position();
    return expression;
}

UserTypePtr ExpressionParser::parseTypeName(const QString &text)
{
    m_operandCount = 0;
    m_nesting = 0;
    m_typeDepth = 0;
    m_lexer->setInput(text);
    UserTypePtr type = parseType();
    if (m_lexer->code() != Token::Eol) {
        throw ParserException(QStringLiteral("unexpected token ")
                              + Lexer::tokenName(int(m_lexer->code())));
    }
    return type;
}

// level(n) -> unary { op(m) level(m+1) }      (n <= m <= multiplicative)
// Operators of precedence `level` and tighter, by precedence climbing: the operator's
// right operand takes only tighter operators, so every level is left-associative,
// assignments included. The result is that of one parse function per level, level(n)
// -> level(n+1) { op(n) level(n+1) }, without passing through all fourteen levels for
// every operand.
ExpressionPtr ExpressionParser::parseLevel(int level)
{
    ExpressionPtr left = parseUnary();
    for (;;) {
        const int precedence = m_lexer->precedence();
        if (precedence < level || precedence > multiplicativePrecedence)
            return left;
        const Token op = m_lexer->code();
        m_lexer->next();
        ExpressionPtr right = parseLevel(precedence + 1);
        left = combine(op, std::move(left), std::move(right));
    }
}

ExpressionPtr ExpressionParser::combine(Token op, ExpressionPtr left, ExpressionPtr right)
{
    ExpressionParser *p = this;
    switch (op) {
    case Token::Star: return makeBinary<MultiplyExpression>(p, std::move(left), std::move(right));
    case Token::Slash: return makeBinary<DivideExpression>(p, std::move(left), std::move(right));
    case Token::Mod: return makeBinary<ModExpression>(p, std::move(left), std::move(right));
    case Token::Plus: return makeBinary<PlusExpression>(p, std::move(left), std::move(right));
    case Token::Minus: return makeBinary<MinusExpression>(p, std::move(left), std::move(right));
    case Token::LShift: return makeBinary<LshiftExpression>(p, std::move(left), std::move(right));
    case Token::RShift: return makeBinary<RshiftExpression>(p, std::move(left), std::move(right));
    case Token::Lt: return makeBinary<LtExpression>(p, std::move(left), std::move(right));
    case Token::Le: return makeBinary<LeExpression>(p, std::move(left), std::move(right));
    case Token::Gt: return makeBinary<GtExpression>(p, std::move(left), std::move(right));
    case Token::Ge: return makeBinary<GeExpression>(p, std::move(left), std::move(right));
    case Token::Eq: return makeBinary<EqExpression>(p, std::move(left), std::move(right));
    case Token::Ne: return makeBinary<NeExpression>(p, std::move(left), std::move(right));
    case Token::BitAnd: return makeBinary<BitAndExpression>(p, std::move(left), std::move(right));
    case Token::BitXor: return makeBinary<BitXorExpression>(p, std::move(left), std::move(right));
    case Token::BitOr: return makeBinary<BitOrExpression>(p, std::move(left), std::move(right));
    case Token::LogAnd:
        return makeBinary<LogicalAndExpression>(p, std::move(left), std::move(right));
    case Token::LogOr:
        return makeBinary<LogicalOrExpression>(p, std::move(left), std::move(right));
    case Token::Assign: return makeBinary<AssignExpression>(p, std::move(left), std::move(right));
    default:
        break;
    }
    // a op= b is a = a op b, the target being a copy of a.
    static const QHash<int, Token> compoundOperators = {
        {int(Token::PlusAssign), Token::Plus},       {int(Token::MinusAssign), Token::Minus},
        {int(Token::StarAssign), Token::Star},       {int(Token::DivAssign), Token::Slash},
        {int(Token::ModAssign), Token::Mod},         {int(Token::LShiftAssign), Token::LShift},
        {int(Token::RShiftAssign), Token::RShift},   {int(Token::BitAndAssign), Token::BitAnd},
        {int(Token::BitXorAssign), Token::BitXor},   {int(Token::BitOrAssign), Token::BitOr},
    };
    const auto compound = compoundOperators.constFind(int(op));
    if (compound == compoundOperators.constEnd())
        throw ParserException("operator not supported");  // >>> ? >>>= ,
    ExpressionPtr target = left->duplicate();
    return makeBinary<AssignExpression>(p, std::move(target),
                                        combine(*compound, std::move(left), std::move(right)));
}

// unary -> ('++'|'--') unary | ('~'|'!'|'-'|'+'|'*'|'&') unary | postfix
void ExpressionParser::countOperand()
{
    if (++m_operandCount > maxOperands)
        throw ParserException("Expression too complicated");
}

ExpressionPtr ExpressionParser::parseUnary()
{
    countOperand();
    NestingGuard guard(m_nesting, maxNesting, "expression nested too deeply");
    const Token op = m_lexer->code();
    switch (op) {
    case Token::Increment:
    case Token::Decrement:
        m_lexer->next();
        return increment(parseUnary(), op);
    case Token::BitNot:
        m_lexer->next();
        return std::make_unique<BitNotExpression>(this, parseUnary());
    case Token::LogNot:
        m_lexer->next();
        return std::make_unique<LogicalNotExpression>(this, parseUnary());
    case Token::Minus:
        m_lexer->next();
        return std::make_unique<NegateExpression>(this, parseUnary());
    case Token::Plus:
        m_lexer->next();
        return parseUnary();
    case Token::Star:
        m_lexer->next();
        return std::make_unique<LeftSquareBracketExpression>(
            this, parseUnary(), std::make_unique<IntegerConstantExpression>(this, 0));
    case Token::BitAnd:
        m_lexer->next();
        return std::make_unique<AddressofExpression>(this, parseUnary());
    default:
        return parsePostfix(parsePrimary());
    }
}

// x++ and ++x are both x = x + 1: the value is the updated one.
ExpressionPtr ExpressionParser::increment(ExpressionPtr operand, Token op)
{
    ExpressionPtr target = operand->duplicate();
    ExpressionPtr one = std::make_unique<IntegerConstantExpression>(this, 1);
    ExpressionPtr value = op == Token::Increment
        ? makeBinary<PlusExpression>(this, std::move(operand), std::move(one))
        : makeBinary<MinusExpression>(this, std::move(operand), std::move(one));
    return makeBinary<AssignExpression>(this, std::move(target), std::move(value));
}

// primary -> integer | float | string | sizeof... | addressof(...) | symbolat(...)
//          | name { '::' name } | '::' name | register | '(' type ')' unary | '(' expr ')'
ExpressionPtr ExpressionParser::parsePrimary()
{
    ExpressionPtr node;
    switch (m_lexer->code()) {
    case Token::Integer:
    case Token::HexInteger:
    case Token::BinInteger:
        node = std::make_unique<IntegerConstantExpression>(this, m_lexer->integerValue());
        break;
    case Token::Float:
        node = std::make_unique<FloatConstantExpression>(this, m_lexer->floatValue());
        break;
    case Token::String: {
        const QString &text = m_lexer->text();
        node = std::make_unique<StringConstantExpression>(this, text.mid(1, text.size() - 2));
        break;
    }
    case Token::Ident: {
        const QString &name = m_lexer->text();
        if (name == QLatin1String("sizeof"))
            return parseSizeof();
        if (name == QLatin1String("addressof"))
            return parseAddressofLine();
        if (name == QLatin1String("symbolat"))
            return parseSymbolAt();
        return parseIdentifier();
    }
    case Token::ColonColon: {
        QStringList parts{QString()};
        while (m_lexer->code() == Token::ColonColon) {
            m_lexer->next();
            parts.append(takeIdentifier("identifier expected"));
        }
        return std::make_unique<ScopedIdentifierExpression>(this, parts);
    }
    case Token::Register:
        node = std::make_unique<RegisterExpression>(this, m_lexer->text().mid(1));
        break;
    case Token::LParen:
        return parseParenthesis();
    default:
        throw ParserException(QStringLiteral("unexpected token ")
                              + Lexer::tokenName(int(m_lexer->code())));
    }
    m_lexer->next();
    return node;
}

// postfix -> primary { '[' expr ']' | '[' expr ':' expr ']' | ('.'|'->'|'::') name
//                     | ('.'|'->') '*' unary | '(' args ')' | '++' | '--' }
ExpressionPtr ExpressionParser::parsePostfix(ExpressionPtr operand)
{
    for (;;) {
        const Token op = m_lexer->code();
        switch (op) {
        case Token::LBrack: {
            m_lexer->next();
            ExpressionPtr index = parseLevel(commaPrecedence);
            if (m_lexer->code() == Token::Colon) {
                m_lexer->next();
                ExpressionPtr stop = parseLevel(commaPrecedence);
                expect(Token::RBrack, "expected ']'");
                operand = std::make_unique<ArraySliceExpression>(
                    this, std::move(operand), std::move(index), std::move(stop));
            } else {
                expect(Token::RBrack, "expected ']'");
                operand = std::make_unique<LeftSquareBracketExpression>(
                    this, std::move(operand), std::move(index));
            }
            break;
        }
        case Token::Dot:
        case Token::PointsAt:
        case Token::ColonColon: {
            const MemberAccess access = op == Token::Dot ? MemberAccess::Dot
                : op == Token::PointsAt ? MemberAccess::Arrow : MemberAccess::Scope;
            m_lexer->next();
            if (access != MemberAccess::Scope && m_lexer->code() == Token::Star) {
                m_lexer->next();
                operand = std::make_unique<PtrToMemberExpression>(this, std::move(operand),
                                                                  parseUnary(), access);
            } else {
                const QString member = takeIdentifier("identifier expected");
                operand = std::make_unique<DotExpression>(this, std::move(operand), member,
                                                          access);
            }
            break;
        }
        case Token::LParen:
            operand = parseCallArguments(std::move(operand));
            break;
        case Token::Increment:
        case Token::Decrement:
            // A unary form like its prefix twin, and counted as one: each x++ copies x,
            // so an uncounted chain would double the tree with every ++.
            countOperand();
            m_lexer->next();
            operand = increment(std::move(operand), op);
            break;
        default:
            return operand;
        }
    }
}

// args -> '(' [ unary { [','] unary } ] ')'. Arguments are unary expressions, so an
// argument with a binary operator needs parentheses.
ExpressionPtr ExpressionParser::parseCallArguments(ExpressionPtr function)
{
    m_lexer->next();
    std::vector<ExpressionPtr> arguments;
    while (m_lexer->code() != Token::RParen) {
        if (!arguments.empty() && m_lexer->code() == Token::Comma)
            m_lexer->next();
        arguments.push_back(parseUnary());
    }
    m_lexer->next();
    return std::make_unique<CallExpression>(this, std::move(function), std::move(arguments));
}

// name -> ident { '::' ident }
ExpressionPtr ExpressionParser::parseIdentifier()
{
    QString name = takeIdentifier("identifier expected");
    if (m_lexer->code() != Token::ColonColon)
        return std::make_unique<IdentifierExpression>(this, name);
    QStringList parts{name};
    while (m_lexer->code() == Token::ColonColon) {
        m_lexer->next();
        parts.append(takeIdentifier("identifier expected"));
    }
    return std::make_unique<ScopedIdentifierExpression>(this, parts);
}

// sizeof -> 'sizeof' expr | 'sizeof' '(' (type | expr) ')'
ExpressionPtr ExpressionParser::parseSizeof()
{
    m_lexer->next();
    if (m_lexer->code() != Token::LParen)
        return std::make_unique<SizeofExpression>(this, parseLevel(commaPrecedence));
    m_lexer->next();
    if (startsType()) {
        UserTypePtr type = parseType();
        expect(Token::RParen, "')' expected");
        return std::make_unique<SizeofExpression>(this, std::move(type));
    }
    ExpressionPtr operand = parseLevel(commaPrecedence);
    expect(Token::RParen, "')' expected");
    return std::make_unique<SizeofExpression>(this, std::move(operand));
}

// addressof -> 'addressof' '(' string ',' integer ')'
ExpressionPtr ExpressionParser::parseAddressofLine()
{
    m_lexer->next();
    expect(Token::LParen, "'(' expected");
    if (m_lexer->code() != Token::String)
        throw ParserException("string expected");
    const QString fileName = m_lexer->text().mid(1, m_lexer->text().size() - 2);
    m_lexer->next();
    expect(Token::Comma, "',' expected");
    if (!atInteger())
        throw ParserException("int expected");
    const qint64 line = m_lexer->integerValue();
    m_lexer->next();
    expect(Token::RParen, "')' expected");
    return std::make_unique<AddressofLineExpression>(this, fileName, line);
}

// symbolat -> 'symbolat' '(' expr ')'
ExpressionPtr ExpressionParser::parseSymbolAt()
{
    m_lexer->next();
    expect(Token::LParen, "'(' expected");
    ExpressionPtr address = parseLevel(commaPrecedence);
    expect(Token::RParen, "')' expected");
    return std::make_unique<SymbolAtExpression>(this, std::move(address));
}

// '(' type ')' unary is a cast; any other parenthesis groups an expression.
ExpressionPtr ExpressionParser::parseParenthesis()
{
    m_lexer->next();
    if (startsType()) {
        UserTypePtr type = parseType();
        expect(Token::RParen, "')' expected");
        return std::make_unique<CastExpression>(this, std::move(type), parseUnary());
    }
    ExpressionPtr inner = parseLevel(commaPrecedence);
    expect(Token::RParen, "')' expected");
    return inner;
}

// --- Types

bool ExpressionParser::startsType()
{
    if (m_lexer->code() != Token::Ident)
        return false;
    const QString &word = m_lexer->text();
    return isBasicTypeWord(word) || word == QLatin1String("struct")
        || word == QLatin1String("register") || isTemplateName(word) || isTypeName(word);
}

// type -> basetype { '*' } { '[' integer ']' }
// int *[2][3] is an array of two arrays of three pointers, as in C.
UserTypePtr ExpressionParser::parseType()
{
    NestingGuard guard(m_typeDepth, maxTypeDepth, "type nested too deeply");
    UserTypePtr type = parseBaseType();
    int levels = 0;
    while (m_lexer->code() == Token::Star) {
        if (++levels > maxTypeDepth)
            throw ParserException("type nested too deeply");
        type = std::make_shared<PointerType>(type);
        m_lexer->next();
    }
    return parseArraySuffixes(type, levels);
}

// { '[' integer ']' }, outermost first.
UserTypePtr ExpressionParser::parseArraySuffixes(UserTypePtr type, int levels)
{
    std::vector<quint64> dimensions;
    while (m_lexer->code() == Token::LBrack) {
        if (++levels > maxTypeDepth)
            throw ParserException("type nested too deeply");
        m_lexer->next();
        if (!atInteger())
            throw ParserException("']' expected");
        dimensions.push_back(quint64(m_lexer->integerValue()));
        m_lexer->next();
        expect(Token::RBrack, "']' expected");
    }
    for (auto it = dimensions.rbegin(); it != dimensions.rend(); ++it) {
        if (*it > 0xFFFFFFFFu || *it * type->size() > 0xFFFFFFFFu)
            throw ParserException("array too large");
        type = std::make_shared<ArrayType>(type, quint32(*it));
    }
    return type;
}

UserTypePtr ExpressionParser::parseBaseType()
{
    if (m_lexer->code() != Token::Ident)
        throw ParserException("UserType expected");
    const QString &word = m_lexer->text();
    if (word == QLatin1String("struct"))
        return parseStructType();
    if (word == QLatin1String("register"))
        return parseRegisterType();
    if (isBasicTypeWord(word))
        return parseBasicType();
    return parseNamedType();
}

// The keywords in any order: `unsigned` makes the type unsigned, `signed`, `const` and
// `volatile` are skipped, a second `long` makes `long long`, and any other keyword after
// `long` replaces it (`long int` is int). `unsigned` or `signed` alone mean int.
UserTypePtr ExpressionParser::parseBasicType()
{
    bool isUnsigned = false;
    bool hasSign = false;
    bool hasBasic = false;
    BasicType basic = BasicType::Int;
    static const QHash<QString, BasicType> keywords = {
        {QStringLiteral("char"), BasicType::Char},   {QStringLiteral("short"), BasicType::Short},
        {QStringLiteral("int"), BasicType::Int},     {QStringLiteral("float"), BasicType::Float},
        {QStringLiteral("double"), BasicType::Double},
    };
    while (m_lexer->code() == Token::Ident && isBasicTypeWord(m_lexer->text())) {
        const QString &word = m_lexer->text();
        if (word == QLatin1String("unsigned")) {
            isUnsigned = hasSign = true;
        } else if (word == QLatin1String("signed")) {
            hasSign = true;
        } else if (word == QLatin1String("long")) {
            basic = hasBasic && basic == BasicType::Long ? BasicType::LongLong : BasicType::Long;
            hasBasic = true;
        } else if (keywords.contains(word)) {
            basic = keywords.value(word);
            hasBasic = true;
        }
        m_lexer->next();
    }
    if (!hasBasic && !hasSign) {
        // Only qualifiers so far: a named type may follow (const mytype).
        return parseBaseType();
    }
    return std::make_shared<SimpleType>(basic, isUnsigned);
}

// struct -> 'struct' tag
//         | 'struct' [tag] '{' { type name { '[' integer ']' } [':' integer] ';' } '}'
UserTypePtr ExpressionParser::parseStructType()
{
    NestingGuard guard(m_typeDepth, maxTypeDepth, "type nested too deeply");
    m_lexer->next();
    QString tag;
    if (m_lexer->code() == Token::Ident) {
        tag = m_lexer->text();
        m_lexer->next();
    }
    if (m_lexer->code() != Token::LCurly) {
        if (tag.isEmpty())
            throw ParserException("'{' expected");
        UserTypePtr known = structNamed(tag);
        if (!known)
            throw ParserException("struct type not found");
        return known;
    }
    m_lexer->next();
    auto type = std::make_shared<StructType>(tag);
    QSet<QString> names;   // a set, so that long declarations stay linear
    while (m_lexer->code() != Token::RCurly) {
        UserTypePtr memberType = parseType();
        if (m_lexer->code() != Token::Ident)
            throw ParserException("struct parse error");
        const QString name = m_lexer->text();
        m_lexer->next();
        memberType = parseArraySuffixes(memberType);   // char name[4], as C writes it
        qint64 bitWidth = -1;
        if (m_lexer->code() == Token::Colon) {
            m_lexer->next();
            if (!atInteger())
                throw ParserException("integer must follow ':'");
            bitWidth = m_lexer->integerValue();
            m_lexer->next();
        }
        expect(Token::Semicolon, "';' expected");
        if (names.contains(name) || !type->addMember(name, memberType, bitWidth))
            throw ParserException("struct parse error");
        names.insert(name);
    }
    m_lexer->next();
    return type;
}

// register -> 'register' size '{' { name bitoffset bitsize ';' } '}'   (size 1, 2, 4 or 8)
UserTypePtr ExpressionParser::parseRegisterType()
{
    m_lexer->next();
    if (!atInteger())
        throw ParserException("size expected");
    const qint64 size = m_lexer->integerValue();
    if (size != 1 && size != 2 && size != 4 && size != 8)
        throw ParserException("size expected");
    m_lexer->next();
    expect(Token::LCurly, "'{' expected");
    auto type = std::make_shared<RegisterType>(quint32(size));
    while (m_lexer->code() != Token::RCurly) {
        const QString name = takeIdentifier("fieldname expected");
        if (!atInteger())
            throw ParserException("bitoffset expected");
        const qint64 bitOffset = m_lexer->integerValue();
        if (bitOffset < 0 || bitOffset >= size * 8)
            throw ParserException("bitoffset expected");
        m_lexer->next();
        if (!atInteger())
            throw ParserException("bitsize expected");
        const qint64 bitSize = m_lexer->integerValue();
        if (bitSize < 1 || bitOffset + bitSize > size * 8)
            throw ParserException("bitsize expected");
        m_lexer->next();
        expect(Token::Semicolon, "';' expected");
        type->addField(name, quint32(bitOffset), quint32(bitSize));
    }
    m_lexer->next();
    return type;
}

// A template name takes the following tokens (angle brackets, commas, '::', names,
// '*', '&', integers) into its text until the debugger accepts the text as a type.
UserTypePtr ExpressionParser::parseNamedType()
{
    QString name = m_lexer->text();
    if (isTemplateName(name)) {
        m_lexer->next();
        static const QSet<int> templateTokens = {
            int(Token::Lt), int(Token::Gt), int(Token::RShift), int(Token::Comma),
            int(Token::ColonColon), int(Token::Ident), int(Token::Star), int(Token::BitAnd),
            int(Token::Integer), int(Token::HexInteger), int(Token::BinInteger)};
        while (!isTypeName(name)) {
            if (!templateTokens.contains(int(m_lexer->code())))
                throw ParserException("UserType expected");
            name += m_lexer->text();
            m_lexer->next();
        }
    } else if (isTypeName(name)) {
        m_lexer->next();
        while (m_lexer->code() == Token::ColonColon) {
            m_lexer->next();
            name += QStringLiteral("::") + takeIdentifier("identifier expected");
        }
    } else {
        throw ParserException("UserType expected");
    }
    UserTypePtr type = typeNamed(name);
    if (!type)
        throw ParserException("UserType expected");
    return type;
}

// --- Token helpers

void ExpressionParser::expect(Token code, const char *message)
{
    if (m_lexer->code() != code)
        throw ParserException(message);
    m_lexer->next();
}

bool ExpressionParser::atInteger() const
{
    const Token code = m_lexer->code();
    return code == Token::Integer || code == Token::HexInteger || code == Token::BinInteger;
}

QString ExpressionParser::takeIdentifier(const char *message)
{
    if (m_lexer->code() != Token::Ident)
        throw ParserException(message);
    QString name = m_lexer->text();
    m_lexer->next();
    return name;
}

// --- Questions about the program: what an evaluator without a debugger answers

ExpressionValue ExpressionParser::cast(const ExpressionValue &, const UserTypePtr &)
{
    throw ParserException("cannot cast");
}

bool ExpressionParser::isPointer(const ExpressionValue &)
{
    return false;
}

bool ExpressionParser::isArray(const ExpressionValue &)
{
    return false;
}

ExpressionValue ExpressionParser::dereference(const ExpressionValue &, const ExpressionValue &)
{
    throw ParserException("cannot dereference");
}

ExpressionValue ExpressionParser::addressOf(const ExpressionValue &)
{
    throw ParserException("addressof not implemented");
}

ExpressionValue ExpressionParser::sizeOf(Expression &)
{
    throw ParserException("sizeof expression not implemented");
}

ExpressionValue ExpressionParser::sizeOfType(const UserType &)
{
    throw ParserException("sizeof(typename) not implemented");
}

ExpressionValue ExpressionParser::addressOfLine(const QString &, qint64)
{
    throw ParserException("addressof not implemented");
}

ExpressionValue ExpressionParser::call(Expression &, const std::vector<ExpressionPtr> &)
{
    throw ParserException("function calling not implemented");
}

ExpressionValue ExpressionParser::pointerAdd(const ExpressionValue &, const ExpressionValue &)
{
    throw ParserException("addressof not implemented");
}

ExpressionValue ExpressionParser::symbolAt(const ExpressionValue &)
{
    throw ParserException("symbolat not implemented");
}

ExpressionValue ExpressionParser::thisObject()
{
    throw ParserException("this symbol not found");
}

ExpressionValue ExpressionParser::slice(const ExpressionValue &, const ExpressionValue &,
                                        const ExpressionValue &)
{
    throw ParserException("cannot array slice");
}

ExpressionValue ExpressionParser::member(const ExpressionValue &, const QString &, MemberAccess)
{
    throw ParserException("bad expression type");
}

ExpressionValue ExpressionParser::pointerToMember(const ExpressionValue &,
                                                  const ExpressionValue &, MemberAccess)
{
    throw ParserException("bad expression type");
}

bool ExpressionParser::isTypeName(const QString &)
{
    return false;
}

bool ExpressionParser::isTemplateName(const QString &)
{
    return false;
}

UserTypePtr ExpressionParser::typeNamed(const QString &)
{
    return nullptr;
}

UserTypePtr ExpressionParser::structNamed(const QString &)
{
    return nullptr;
}
