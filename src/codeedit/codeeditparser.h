#pragma once

#include "codeedit/codeeditkeywordset.h"

#include <QString>
#include <QStringList>
#include <QVector>

#include <vector>

/// One stretch of a coloured line: `length` displayed characters in one colour class.
struct CodeEditRun
{
    ushort colourClass = 0;
    int length = 0;
};

/// Colours one line of text at a time for the code editor.
///
/// Line markup: the input is a NUL-terminated line of UTF-16 units; the output is the
/// same characters, in order, with in-band switches. A switch is the unit 0xFDD0 (a
/// noncharacter, never part of text) followed by one unit holding the new colour class.
/// Each line starts in class 0 without a code, and no switch names the class already
/// current, so an output buffer of 3 * length + 2 units always suffices.
///
/// The parser keeps a small state between calls, so that block comments, triple-quoted
/// strings and strings continued with an escaped line end colour the following lines
/// too: parse the lines of a document in order, or restore a saved state() first.
class CodeEditParser
{
public:
    static constexpr ushort switchCode = 0xFDD0;

    // Colour classes; the editor's colour scheme maps each to a colour and font.
    static constexpr ushort plainClass = 0;        // text, punctuation, identifiers
    static constexpr ushort literalClass = 1;      // numbers, strings, characters
    static constexpr ushort commentClass = 2;      // comments; disassembly source lines
    static constexpr ushort keywordClass = 3;      // keywords; disassembly symbols, labels
    static constexpr ushort instructionClass = 4;  // disassembly: the address field
    static constexpr ushort separatorClass = 5;    // disassembly: separator lines
    static constexpr ushort preprocessorClass = 6; // preprocessor lines, variables
    static constexpr int classCount = 7;

    // Line states every parser shares; a quote character means "inside that string".
    static constexpr int normalState = 0;
    static constexpr int blockCommentState = 1;
    static constexpr int tripleQuoteState = 256;

    CodeEditParser();
    CodeEditParser(const CodeEditParser &) = delete;
    CodeEditParser &operator=(const CodeEditParser &) = delete;

    /// Writes the markup of `line` (NUL-terminated; null for a missing line) to
    /// `output`, which must hold outputCapacity(length) units, and returns the
    /// position after the output's terminating NUL.
    virtual ushort *parse(const ushort *line, ushort *output) = 0;
    /// The characters the editor matches as brackets, as a regular-expression
    /// character list.
    virtual QString bracketPattern() const;
    virtual ~CodeEditParser();

    static int outputCapacity(int length) { return 3 * length + 2; }

    int state() const { return m_state; }
    void setState(int state) { m_state = state; }
    int currentClass() const { return m_class; }
    const QStringList &keywords() const { return m_keywords; }
    void setKeywords(const QStringList &keywords,
                     Qt::CaseSensitivity sensitivity = Qt::CaseSensitive);

    /// The markup of one line as a string, without the terminator. NUL characters in
    /// the line cannot pass through the NUL-terminated interface, so they are parsed as
    /// an ordinary character and put back afterwards. (A U+FDD0 of the line comes back
    /// as itself too, which a reader cannot tell from a switch: see colourLine.)
    QString markup(const QString &line);
    /// Colours a line of any content, U+FDD0 included: `text` receives the displayed
    /// characters and `runs` the classes over them. The first run is class 0 and may
    /// be empty; every later run stands for one switch of the markup, so an empty run
    /// is a switch that no character followed.
    void colourLine(const QString &line, QString *text, QVector<CodeEditRun> *runs);
    void colourLine(const QChar *line, int length, QString *text, QVector<CodeEditRun> *runs);

protected:
    // Parse-time cursor: the input read position and the output write position.
    const ushort *m_in = nullptr;
    ushort *m_out = nullptr;
    int m_state = normalState;
    ushort m_class = plainClass;
    CodeEditKeywordSet m_keywordSet;

    // Character classes. Whitespace is what the C library calls space below 255, plus
    // U+00B7 and U+00BB, the glyphs the editor draws for visible spaces and tabs.
    static bool isWhitespace(ushort c) { return c < 256 && (s_charFlags[c] & SpaceFlag); }
    static bool isLetter(ushort c) { return c < 128 && (s_charFlags[c] & LetterFlag); }
    static bool isDigit(ushort c) { return c >= '0' && c <= '9'; }
    static bool isLetterOrDigit(ushort c) { return isLetter(c) || isDigit(c); }

    /// Lets a language's identifiers start or continue with further ASCII characters
    /// ("_", "$", "." ...); the default word is a letter, then letters, digits and "_".
    void addWordCharacters(const char *start, const char *part);
    bool isWordStart(ushort c) const { return c < 128 && m_wordStart[c]; }
    bool isWordPart(ushort c) const { return c < 128 && m_wordPart[c]; }

    /// Starts a line: a null line yields only the terminator. Returns false then.
    bool beginLine(const ushort *line, ushort *output);
    void switchTo(ushort colourClass)
    {
        if (colourClass != m_class) {
            *m_out++ = switchCode;
            *m_out++ = colourClass;
            m_class = colourClass;
        }
    }
    void copy() { *m_out++ = *m_in++; }
    void copy(int count);
    void copyRest();
    /// Copies up to and including `terminator`; returns false when the line ended first.
    bool copyThrough(const char *terminator);
    /// True when the input continues with the ASCII text `text`.
    bool lookingAt(const char *text) const;
    bool lookingAtCaseInsensitive(const char *text) const;

    // The shared scanners. Each returns false, having done nothing, when the input at
    // the cursor is not its construct.
    void scanLeadingWhitespace();
    ushort *scanLineEnd();
    /// A string with quote `quote`; `escape` 0 means no escape character. With
    /// `spansLines` the string stays open at the line end even without an escape.
    bool scanString(ushort quote, ushort escape, bool spansLines = false);
    bool scanCComment();
    bool scanNumber();
    bool scanWord();
    void scanOther();
    bool scanPreprocessorLine();
    /// A comment from `prefix` to the line end.
    bool scanLineComment(const char *prefix);
    /// A number of the data languages, sign, fraction and exponent included
    /// ("-1.5e+3"), in class 1.
    bool scanDecimalNumber();

private:
    enum CharFlag : uchar { SpaceFlag = 1, LetterFlag = 2 };
    static const uchar s_charFlags[256];

    void parseWhole(const QChar *line, int length);

    QStringList m_keywords;
    bool m_wordStart[128];
    bool m_wordPart[128];
    std::vector<ushort> m_input;   // scratch buffers of markup() and colourLine()
    std::vector<ushort> m_output;
    ushort *m_outputEnd = nullptr;
    std::vector<int> m_replaced;    // positions of the NULs and U+FDD0s of the line
};
