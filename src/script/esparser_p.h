#pragma once

#include "escompiler_p.h"
#include "eslexer_p.h"

#include <deque>
#include <vector>

/// The recursive-descent parser: one token of look-ahead and one more through the
/// lexer's push-back slot. It builds the tree of fixed-size nodes, collects each
/// function's parameters, locals and hoisted declarations, and decides what is known
/// from the text alone: labels and break/continue targets, and which functions need
/// activation objects because of `with`, "arguments" or "eval". Nodes and scopes live
/// as long as the parser.
class ESParser
{
public:
    ESParser(ESContext *cx, const QString &source);

    /// The program's scope; its body is the statement list.
    ESFunctionScope *parseProgram();

private:
    // A statement that break or continue can leave: a loop, a switch or a label.
    struct JumpTarget
    {
        ESNode *node;
        ESAtom *label;  // null for loops and switches
        bool isLoop;
        int withDepth;
    };

    void advance();
    const ESToken &peek();
    bool accept(int code);
    void expect(int code);
    void endStatement();
    [[noreturn]] void fail(ESSyntaxMessage message, const QString &first = QString(),
                           const QString &second = QString());
    ESNode *newNode(int kind, int line, ESNode *first = nullptr, ESNode *second = nullptr);
    ESAtom *expectIdentifier();

    ESNode *parseStatementList(bool untilBrace);
    ESNode *parseStatement();
    ESNode *parseVar();
    ESNode *parseIf();
    ESNode *parseWhile();
    ESNode *parseDo();
    ESNode *parseFor();
    ESNode *parseForIn(ESNode *loop, ESNode *init);
    ESNode *parseJump();
    ESNode *parseReturn();
    ESNode *parseWith();
    ESNode *parseSwitch();
    ESNode *parseLabeled();
    ESNode *parseFunction(bool declaration);
    ESNode *parseLoopBody(ESNode *loop);

    ESNode *parseExpression();
    ESNode *parseAssignment();
    ESNode *parseConditional();
    ESNode *parseBinary(int minimumLevel);
    ESNode *parseUnary();
    ESNode *parsePostfix();
    ESNode *parseMemberOrCall();
    ESNode *parseNew();
    ESNode *parseMemberSuffix(ESNode *object);
    ESNode *parsePrimary();
    ESNode *parseArguments(int *count);
    ESNode *parseArrayLiteral();
    ESNode *parseObjectLiteral();

    void noteName(ESAtom *name);
    void requireLeftHandSide(const ESNode *node);

    ESContext *m_cx;
    ESLexer m_lexer;
    ESToken m_token;
    ESToken m_peeked;
    bool m_hasPeeked = false;
    std::deque<ESNode> m_nodes;
    std::deque<ESFunctionScope> m_scopes;
    ESFunctionScope *m_scope = nullptr;
    std::vector<JumpTarget> m_targets;  // of the function being parsed
    int m_withDepth = 0;                // counts the with statements of outer functions too
    int m_nesting = 0;
};
