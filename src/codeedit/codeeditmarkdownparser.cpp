#include "codeeditmarkdownparser.h"

namespace {

int runLength(const ushort *p, ushort c)
{
    int length = 0;
    while (p[length] == c)
        ++length;
    return length;
}

} // namespace

// A line of three or more "-", "*" or "_" (blanks between allowed) and nothing else.
bool CodeEditMarkdownParser::isThematicBreak() const
{
    const ushort c = *m_in;
    if (c != '-' && c != '*' && c != '_')
        return false;
    int count = 0;
    for (const ushort *p = m_in; *p; ++p) {
        if (*p == c)
            ++count;
        else if (!isWhitespace(*p))
            return false;
    }
    return count >= 3;
}

// "```" or "~~~" (or longer) opens a fenced block, closed by a fence of the same
// character at least as long with nothing after it but blanks.
bool CodeEditMarkdownParser::scanFence()
{
    const ushort c = *m_in;
    if (c != '`' && c != '~')
        return false;
    const int length = runLength(m_in, c);
    if (length < 3)
        return false;
    if (m_state & fenceFlag) {
        const int open = m_state & 0xFF;
        if (c != ((m_state >> 8) & 0xFF) || length < open)
            return false;
        for (const ushort *p = m_in + length; *p; ++p) {
            if (!isWhitespace(*p))
                return false;
        }
        m_state = normalState;
    } else {
        m_state = fenceFlag | (c << 8) | (length > 255 ? 255 : length);
    }
    switchTo(preprocessorClass);
    copyRest();
    return true;
}

// Constructs that colour a whole line, or its start.
bool CodeEditMarkdownParser::scanBlockStart()
{
    if (scanFence())
        return true;
    if (*m_in == '#') {
        const int level = runLength(m_in, '#');
        if (level <= 6 && (m_in[level] == 0 || isWhitespace(m_in[level]))) {
            switchTo(keywordClass);
            copyRest();
            return true;
        }
    }
    if (*m_in == '>') {
        switchTo(commentClass);
        copyRest();
        return true;
    }
    if (isThematicBreak()) {
        switchTo(separatorClass);
        copyRest();
        return true;
    }
    int marker = 0;
    if (*m_in == '-' || *m_in == '*' || *m_in == '+') {
        marker = 1;
    } else if (isDigit(*m_in)) {
        while (isDigit(m_in[marker]))
            ++marker;
        marker = m_in[marker] == '.' || m_in[marker] == ')' ? marker + 1 : 0;
    }
    if (marker > 0 && (m_in[marker] == 0 || isWhitespace(m_in[marker]))) {
        switchTo(preprocessorClass);
        copy(marker);
    }
    return false;
}

// `code`, ``code with ` inside``: a run of backquotes up to a run of the same length.
// Runs of 64 or more are taken as text at once.
bool CodeEditMarkdownParser::scanCodeSpan()
{
    const int length = runLength(m_in, '`');
    const quint64 bit = length < 64 ? quint64(1) << length : 0;
    for (const ushort *p = m_in + length; *p && (m_unclosedRuns & bit) == 0 && bit != 0;) {
        const int close = runLength(p, '`');
        if (close == length) {
            switchTo(literalClass);
            copy(int(p + close - m_in));
            return true;
        }
        p += close > 0 ? close : 1;
    }
    m_unclosedRuns |= bit;
    switchTo(plainClass);
    copy(length);  // unmatched backquotes are text
    return true;
}

// "](" then the target up to ")": the target in class 1.
bool CodeEditMarkdownParser::scanLinkTarget()
{
    if (m_in[0] != ']' || m_in[1] != '(')
        return false;
    switchTo(plainClass);
    copy(2);
    if (*m_in && *m_in != ')') {
        switchTo(literalClass);
        while (*m_in && *m_in != ')')
            copy();
    }
    if (*m_in) {
        switchTo(plainClass);
        copy();
    }
    return true;
}

void CodeEditMarkdownParser::scanInline()
{
    while (*m_in) {
        const ushort c = *m_in;
        if (m_state == blockCommentState) {
            switchTo(commentClass);
            if (copyThrough("-->"))
                m_state = normalState;
        } else if (c == '\\' && m_in[1] > ' ' && m_in[1] < 127) {
            switchTo(plainClass);
            copy(2);  // an escaped character is text
        } else if (c == '`') {
            scanCodeSpan();
        } else if (lookingAt("<!--")) {
            switchTo(commentClass);
            copy(4);
            m_state = blockCommentState;
        } else if (c == '*' || c == '_') {
            switchTo(keywordClass);
            copy(runLength(m_in, c));
        } else if (!scanLinkTarget()) {
            scanOther();
        }
    }
}

ushort *CodeEditMarkdownParser::parse(const ushort *line, ushort *output)
{
    if (!beginLine(line, output))
        return m_out;
    m_unclosedRuns = 0;
    if (m_state & fenceFlag) {
        scanLeadingWhitespace();
        if (*m_in && !scanFence()) {
            switchTo(literalClass);
            copyRest();
        }
        return scanLineEnd();
    }
    scanLeadingWhitespace();
    if (m_state != normalState || !scanBlockStart())
        scanInline();
    return scanLineEnd();
}
