#pragma once

#include "expression/expression.h"
#include "expression/usertype.h"

#include <QStringList>

#include <memory>
#include <vector>

class Lexer;
enum class Token : int;

/// Parses C-like debugger expressions into trees of Expression nodes by precedence
/// climbing on the token precedences of the lexer, and answers the questions the nodes
/// ask while they evaluate. Everything that needs the program being debugged (names,
/// registers, types, memory) is a virtual operation: the base answers with the errors
/// a target-less evaluator gives, and a debugger overrides what it can do.
///
/// An expression holds at most maxOperands operands and unary forms together, which
/// also bounds the nesting of parentheses and so the parser's recursion.
class ExpressionParser
{
public:
    static constexpr int maxOperands = 10;
    /// Operand parses nest at most this deep (the operand limit is reached first).
    static constexpr int maxNesting = 64;
    /// Pointer, array and structure levels of one type.
    static constexpr int maxTypeDepth = 32;

    /// Parses with a C-style lexer, or with `lexer`.
    ExpressionParser();
    explicit ExpressionParser(std::unique_ptr<Lexer> lexer);
    virtual ~ExpressionParser();
    ExpressionParser(const ExpressionParser &) = delete;
    ExpressionParser &operator=(const ExpressionParser &) = delete;

    /// One expression from the start of `text`; none for an empty text. The position
    /// where parsing stopped goes to `endPosition`; the text after it is not examined.
    /// Throws ParserException.
    ExpressionPtr parseExpression(const QString &text, int *endPosition = nullptr);
    /// A type as written in a cast ("unsigned char *", "struct { int a : 3; }"), which
    /// must make up the whole text. Throws ParserException.
    UserTypePtr parseTypeName(const QString &text);

    // Names, registers and types of the program. The name operations and the register
    // lookup are the debugger's business alone.
    virtual ExpressionValue lookupScopedName(const QStringList &parts) = 0;
    virtual ExpressionValue lookupName(const QString &name) = 0;
    virtual ExpressionValue lookupRegister(const QString &name) = 0;
    virtual ExpressionValue cast(const ExpressionValue &value, const UserTypePtr &type);
    /// Whether a marker refers to a pointer, or to an array, so that + steps over
    /// elements.
    virtual bool isPointer(const ExpressionValue &marker);
    virtual bool isArray(const ExpressionValue &marker);
    virtual ExpressionValue dereference(const ExpressionValue &value,
                                        const ExpressionValue &index);
    virtual ExpressionValue addressOf(const ExpressionValue &value);
    virtual ExpressionValue sizeOf(Expression &expression);
    virtual ExpressionValue sizeOfType(const UserType &type);
    virtual ExpressionValue addressOfLine(const QString &fileName, qint64 line);
    virtual ExpressionValue call(Expression &function,
                                 const std::vector<ExpressionPtr> &arguments);
    virtual ExpressionValue pointerAdd(const ExpressionValue &pointer,
                                       const ExpressionValue &offset);
    virtual ExpressionValue symbolAt(const ExpressionValue &address);
    virtual ExpressionValue thisObject();
    virtual ExpressionValue slice(const ExpressionValue &array, const ExpressionValue &start,
                                  const ExpressionValue &stop);
    /// Member `name` of a marker's object; the base answers "bad expression type".
    virtual ExpressionValue member(const ExpressionValue &object, const QString &name,
                                   MemberAccess access);
    virtual ExpressionValue pointerToMember(const ExpressionValue &object,
                                            const ExpressionValue &member,
                                            MemberAccess access);
    /// Whether a name is a type of the program (typedef or class name), or the name of
    /// a template whose arguments follow.
    virtual bool isTypeName(const QString &name);
    virtual bool isTemplateName(const QString &name);
    /// The type behind a name isTypeName() accepted; none when there is none.
    virtual UserTypePtr typeNamed(const QString &name);
    /// The structure declared as `struct tag`; none when there is none.
    virtual UserTypePtr structNamed(const QString &tag);

protected:
    Lexer &lexer() { return *m_lexer; }

private:
    void countOperand();
    ExpressionPtr parseLevel(int level);   // level: a precedence of lexer.h
    ExpressionPtr combine(Token op, ExpressionPtr left, ExpressionPtr right);
    ExpressionPtr parseUnary();
    ExpressionPtr parsePrimary();
    ExpressionPtr parsePostfix(ExpressionPtr operand);
    ExpressionPtr parseCallArguments(ExpressionPtr function);
    ExpressionPtr parseIdentifier();
    ExpressionPtr parseSizeof();
    ExpressionPtr parseAddressofLine();
    ExpressionPtr parseSymbolAt();
    ExpressionPtr parseParenthesis();
    ExpressionPtr increment(ExpressionPtr operand, Token op);

    bool startsType();
    UserTypePtr parseType();
    UserTypePtr parseArraySuffixes(UserTypePtr type, int levels = 0);
    UserTypePtr parseBaseType();
    UserTypePtr parseBasicType();
    UserTypePtr parseStructType();
    UserTypePtr parseRegisterType();
    UserTypePtr parseNamedType();

    void expect(Token code, const char *message);
    bool atInteger() const;
    QString takeIdentifier(const char *message);

    std::unique_ptr<Lexer> m_lexer;
    int m_operandCount = 0;
    int m_nesting = 0;
    int m_typeDepth = 0;
};
