#include "codeeditpythonparser.h"

CodeEditPythonParser::CodeEditPythonParser()
{
    setKeywords({"and", "as", "assert", "async", "await", "break", "class", "continue", "def",
                 "del", "elif", "else", "except", "exec", "False", "finally", "for", "from",
                 "global", "if", "import", "in", "is", "lambda", "None", "nonlocal", "not",
                 "or", "pass", "print", "raise", "return", "True", "try", "while", "with",
                 "yield"});
}

// Inside a triple-quoted string: class 1 up to and including the closing quotes; a line
// without them leaves the string open.
void CodeEditPythonParser::scanTripleQuoted()
{
    switchTo(literalClass);
    if (copyThrough("\"\"\""))
        m_state = normalState;
}

ushort *CodeEditPythonParser::parse(const ushort *line, ushort *output)
{
    if (!beginLine(line, output))
        return m_out;
    scanLeadingWhitespace();
    while (*m_in) {
        if (m_state == tripleQuoteState) {
            scanTripleQuoted();
        } else if (m_state == normalState && lookingAt("\"\"\"")) {
            switchTo(literalClass);
            copy(3);
            m_state = tripleQuoteState;
            scanTripleQuoted();
        } else if (scanString('"', '\\') || scanString('\'', '\\')) {
        } else if (*m_in == '#') {
            m_state = normalState;
            switchTo(commentClass);
            copyRest();
        } else if (!scanWord() && !scanNumber()) {
            scanOther();
        }
    }
    return scanLineEnd();
}
