#include "disassemblycodeeditparser.h"

// The address field in class 4; then the rest in class 0, where "<" opens an
// annotation in class 3, "+" inside it starts the offset in class 1, and ">" closes it.
void DisassemblyCodeEditParser::scanInstructionLine()
{
    switchTo(instructionClass);
    while (isWhitespace(*m_in))
        copy();
    while (*m_in && !isWhitespace(*m_in))
        copy();
    switchTo(plainClass);
    bool inAnnotation = false;
    while (*m_in) {
        const ushort c = *m_in;
        if (c == '<') {
            inAnnotation = true;
            switchTo(keywordClass);
        } else if (c == '+' && inAnnotation) {
            switchTo(literalClass);
        } else if (c == '>' && inAnnotation) {
            inAnnotation = false;
            switchTo(keywordClass);
            copy();
            switchTo(plainClass);
            continue;
        }
        copy();
    }
}

ushort *DisassemblyCodeEditParser::parse(const ushort *line, ushort *output)
{
    if (!beginLine(line, output))
        return m_out;
    if (*m_in == 0)
        return scanLineEnd();  // an empty line: no class, no code
    if (isWhitespace(m_in[0]) && isWhitespace(m_in[1]) && isWhitespace(m_in[2])
        && isWhitespace(m_in[3])) {
        scanInstructionLine();
    } else if (*m_in == '<') {
        switchTo(keywordClass);
        copyRest();
    } else if (lookingAt("---")) {
        switchTo(separatorClass);
        for (; *m_in; ++m_in)
            *m_out++ = *m_in == '-' ? ruleCharacter : *m_in;
    } else {
        switchTo(commentClass);
        copyRest();
    }
    return scanLineEnd();
}
