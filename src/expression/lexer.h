#pragma once

#include <QString>

#include <array>
#include <memory>
#include <vector>

class LexerToken;

/// Token codes of the expression lexers. The numbers are part of the interface (they
/// appear in diagnostics through tokenName()); derived lexers may use further codes.
enum class Token : int {
    Eol = 0, Eof, Space, Integer, HexInteger, BinInteger, Float, String, Ident, Register,
    Semicolon, Colon, ColonColon, LParen, RParen, LBrack, RBrack, LCurly, RCurly, Dot,
    PointsAt, Increment, Decrement, BitNot, LogNot, Star, Slash, Mod, Plus, Minus,
    LShift, RShift, ARShift, Lt, Le, Gt, Ge, Eq, Ne, BitAnd,
    BitXor, BitOr, LogAnd, LogOr, Condition, Assign, PlusAssign, MinusAssign, StarAssign,
    DivAssign, ModAssign, RShiftAssign, LShiftAssign, ARShiftAssign, BitAndAssign,
    BitXorAssign, BitOrAssign, Comma,
    Unknown
};
static_assert(int(Token::Comma) == 57, "token codes out of step");

// Binary-operator precedences, the numbers the lexer reports with each token and the
// parser climbs on: a higher number binds tighter, and every level is left-associative
// (assignments too). Levels below the logical or are recognised but, apart from the
// assignments, not supported by the parser.
constexpr int commaPrecedence = -4;           // ,   the lowest: a whole expression
constexpr int compoundAssignPrecedence = -3;  // += -= *= /= %= <<= >>= >>>= &= ^= |=
constexpr int assignPrecedence = -2;          // =
constexpr int conditionalPrecedence = -1;     // ?
constexpr int logicalOrPrecedence = 0;        // ||
constexpr int logicalAndPrecedence = 1;       // &&
constexpr int bitOrPrecedence = 2;            // |
constexpr int bitXorPrecedence = 3;           // ^
constexpr int bitAndPrecedence = 4;           // &
constexpr int equalityPrecedence = 5;         // == !=
constexpr int relationalPrecedence = 6;       // < <= > >=
constexpr int shiftPrecedence = 7;            // << >> >>>
constexpr int additivePrecedence = 8;         // + -
constexpr int multiplicativePrecedence = 9;   // * / %, the tightest: operands are unary
/// The precedence of tokens that are not binary operators.
constexpr int notBinaryOperator = 10;

/// A table-driven lexer: at each position the first registered recogniser that matches
/// wins (there is no longest-match rule, so the table order decides). The lexer keeps
/// one current token, skipping space tokens, and can replace identifiers by text of a
/// derived lexer's choosing (substitution()), lexing the replacement before the rest.
class Lexer
{
public:
    /// Substitutions nest at most this deep; deeper identifiers stay as they are.
    static constexpr int maxSubstitutionDepth = 100;

    Lexer();
    virtual ~Lexer();
    Lexer(const Lexer &) = delete;
    Lexer &operator=(const Lexer &) = delete;

    /// Replacement text for an identifier; empty text keeps the identifier.
    virtual QString substitution(const QString &identifier);

    /// Starts on a new text at position 0 and reads its first token. Throws
    /// ParserException "unrecognised token: ..." like next().
    void setInput(const QString &text);
    /// Reads the next token that is not a space; at the end the code is Token::Eol.
    void next();

    Token code() const { return Token(m_code); }
    int precedence() const { return m_precedence; }
    const QString &text() const;
    /// Where the current token starts in the text it came from.
    int position() const { return m_tokenStart; }
    const QString &input() const { return m_input; }
    /// Whether the current token came from a substitution rather than from the input.
    bool inSubstitution() const { return !m_pending.empty(); }

    static QString tokenName(int code);

    /// The current token text as an integer: decimal tokens as signed values with C
    /// prefix rules (so 010 is 8), hex and binary tokens as unsigned bits; suffix
    /// letters are ignored, and a text that does not convert gives 0.
    qint64 integerValue() const;
    double floatValue() const;

protected:
    /// Appends a recogniser; earlier ones win.
    void addToken(std::unique_ptr<LexerToken> token);
    /// A short cut a derived lexer may offer for its most common tokens: the length of
    /// exactly the token its table would find at `text` (with its code and precedence),
    /// or 0 to let the table decide. The base offers none.
    virtual int quickToken(const QChar *text, int length, int *code, int *precedence) const;

private:
    struct PendingInput
    {
        QString text;
        int position;
    };
    void readToken();
    // The text being read (the input or the innermost substitution) and its position.
    const QString &currentText() const
    {
        return m_pending.empty() ? m_input : m_pending.back().text;
    }
    int &currentPosition() { return m_pending.empty() ? m_position : m_pending.back().position; }
    /// The recognisers to try at a position holding `c`, in table order.
    const std::vector<const LexerToken *> &candidates(QChar c)
    {
        if (!m_candidatesValid)
            buildCandidates();
        return c.unicode() < 128 ? m_candidates[c.unicode()] : m_allTokens;
    }
    void buildCandidates();

    QString m_input;
    int m_position = 0;
    std::vector<std::unique_ptr<LexerToken>> m_tokens;
    // The recognisers that can start with each ASCII character, in table order; built
    // on first use after the table changed.
    std::array<std::vector<const LexerToken *>, 128> m_candidates;
    std::vector<const LexerToken *> m_allTokens;
    bool m_candidatesValid = false;
    // The token text is cut from its source only when someone asks for it. The source
    // is the input itself, or a copy of the substitution text it came from (those are
    // dropped while later tokens are read).
    const QString *m_textSource = &m_input;
    QString m_substitutedSource;
    int m_textLength = 0;
    mutable QString m_text;
    mutable bool m_textValid = true;
    int m_code = int(Token::Eol);
    int m_precedence = notBinaryOperator;
    int m_tokenStart = 0;
    std::vector<PendingInput> m_pending;  // substitutions, innermost last
};

/// The lexer of C-like debugger expressions; it never substitutes.
class CStyleLexer : public Lexer
{
public:
    CStyleLexer();

protected:
    int quickToken(const QChar *text, int length, int *code, int *precedence) const override;
};
