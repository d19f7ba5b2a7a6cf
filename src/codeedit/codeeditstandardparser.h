#pragma once

#include "codeedit/codeeditparser.h"

#include <vector>

/// The configurable parser behind the C family and most other languages: a table of
/// keywords, comment forms and quote characters drives the shared scanners, and five
/// further operations let a language replace one step of the line loop.
class CodeEditStandardParser : public CodeEditParser
{
public:
    struct Quote
    {
        ushort quote;
        ushort escape;           // 0: no escape character
        bool spansLines = false; // stays open at a line end without an escape
    };

    /// What a language is made of; every member has the C-like default.
    struct Syntax
    {
        QStringList keywords;
        Qt::CaseSensitivity keywordCase = Qt::CaseSensitive;
        const char *wordStart = "";  // characters that may start a word besides letters
        const char *wordPart = "";   // characters that may continue one besides [A-Za-z0-9_]
        bool cComments = true;       // "//" and "/* */"
        std::vector<const char *> lineComments;  // further comment-to-line-end prefixes
        std::vector<Quote> quotes = {{'"', '\\'}, {'\'', '\\'}};
        bool tripleQuotes = false;   // """ text blocks over several lines
        bool preprocessor = false;   // "#include" and its kind colour the whole line
    };

    explicit CodeEditStandardParser(const Syntax &syntax);

    ushort *parse(const ushort *line, ushort *output) override;

    /// Copies the leading whitespace and, where the language has them, a whole
    /// preprocessor line; true when nothing of the line is left to parse.
    virtual bool scanLineStart();
    /// A comment, or the continuation of a block comment.
    virtual bool scanComment();
    /// A string or character literal, or the continuation of one.
    virtual bool scanLiteral();
    /// The opening of a raw string literal.
    virtual bool scanRawStringStart();
    /// The continuation of a raw string literal, up to its end when it is on the line.
    virtual bool scanRawStringEnd();

protected:
    /// Marks characters at which one of the five operations above may apply; the line
    /// loop asks them only there (and whenever a construct is open), which keeps plain
    /// words and punctuation fast.
    void addSpecialCharacters(const char *characters);

    Syntax m_syntax;

private:
    bool m_special[128] = {};
};
