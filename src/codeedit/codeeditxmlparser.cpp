#include "codeeditxmlparser.h"

namespace {

constexpr int quoteMask = 0xFF;
constexpr int kindMask = 0xF00;
constexpr int scriptKind = 0x100;
constexpr int styleKind = 0x200;

bool isNameCharacter(ushort c)
{
    const ushort lower = c | 0x20;
    return (lower >= 'a' && lower <= 'z') || (c >= '0' && c <= '9') || c == '_' || c == ':'
        || c == '-' || c == '.';
}

bool equalsIgnoringCase(const ushort *name, int length, const char *text)
{
    int i = 0;
    for (; i < length && text[i]; ++i) {
        if ((name[i] | 0x20) != uchar(text[i]))
            return false;
    }
    return i == length && text[i] == 0;
}

} // namespace

QString CodeEditXMLParser::bracketPattern() const
{
    return QStringLiteral("\\<\\>");
}

int CodeEditXMLParser::tagKind(const ushort *, int, bool) const
{
    return 0;
}

void CodeEditXMLParser::tagClosed(int) {}

// &name; &#10; &#x1F; in class 6; a lone "&" is text.
bool CodeEditXMLParser::scanEntity()
{
    int length = 1;
    while (length < 32 && (isLetterOrDigit(m_in[length]) || m_in[length] == '#'))
        ++length;
    if (length == 1 || m_in[length] != ';')
        return false;
    switchTo(preprocessorClass);
    copy(length + 1);
    return true;
}

// Between a tag's name and its ">": attribute names and "=" in class 0, values in 1.
void CodeEditXMLParser::scanInsideTag()
{
    const int quote = m_state & quoteMask;
    if (quote != 0) {
        switchTo(literalClass);
        while (*m_in && *m_in != quote)
            copy();
        if (*m_in) {
            copy();
            m_state &= ~quoteMask;
        }
        return;
    }
    const ushort c = *m_in;
    if (c == '>' || (c == '/' && m_in[1] == '>')) {
        const int kind = m_state & kindMask;
        switchTo(keywordClass);
        copy(c == '>' ? 1 : 2);
        m_state = normalState;
        if (c == '>')
            tagClosed(kind);
    } else if (c == '"' || c == '\'') {
        switchTo(literalClass);
        copy();
        m_state |= c;
        scanInsideTag();
    } else {
        scanOther();
    }
}

// "<" opening a comment, a CDATA section, a declaration or a tag.
bool CodeEditXMLParser::scanMarkup()
{
    if (lookingAt("<!--")) {
        switchTo(commentClass);
        copy(4);
        m_state = blockCommentState;
    } else if (lookingAt("<![CDATA[")) {
        switchTo(literalClass);
        copy(9);
        m_state = cdataState;
    } else if (m_in[1] == '!' || m_in[1] == '?') {
        switchTo(preprocessorClass);
        copy(2);
        m_state = declarationState;
    } else {
        const bool closing = m_in[1] == '/';
        const int prefix = closing ? 2 : 1;
        if (!isLetter(m_in[prefix]) && m_in[prefix] != '_')
            return false;  // "a < b" in text
        switchTo(keywordClass);
        copy(prefix);
        const ushort *name = m_in;
        while (isNameCharacter(*m_in))
            copy();
        m_state = tagState | tagKind(name, int(m_in - name), closing);
    }
    return true;
}

bool CodeEditXMLParser::scanConstruct()
{
    switch (m_state & 0xF000) {
    case tagState:
        scanInsideTag();
        return true;
    case cdataState:
        switchTo(literalClass);
        if (copyThrough("]]>"))
            m_state = normalState;
        return true;
    case declarationState:
        switchTo(preprocessorClass);
        if (copyThrough(">"))
            m_state = normalState;
        return true;
    default:
        break;
    }
    if (m_state == blockCommentState) {
        switchTo(commentClass);
        if (copyThrough("-->"))
            m_state = normalState;
        return true;
    }
    if (*m_in == '&')
        return scanEntity();
    return *m_in == '<' && scanMarkup();
}

ushort *CodeEditXMLParser::parse(const ushort *line, ushort *output)
{
    if (!beginLine(line, output))
        return m_out;
    scanLeadingWhitespace();
    while (*m_in) {
        if (!scanConstruct())
            scanOther();
    }
    return scanLineEnd();
}

int CodeEditHTMLParser::tagKind(const ushort *name, int length, bool closing) const
{
    if (closing)
        return 0;
    if (equalsIgnoringCase(name, length, "script"))
        return scriptKind;
    return equalsIgnoringCase(name, length, "style") ? styleKind : 0;
}

void CodeEditHTMLParser::tagClosed(int kind)
{
    if (kind == scriptKind)
        m_state = scriptState;
    else if (kind == styleKind)
        m_state = styleState;
}

// Script and style contents are plain text up to "</script" or "</style".
bool CodeEditHTMLParser::scanConstruct()
{
    if (m_state != scriptState && m_state != styleState)
        return CodeEditXMLParser::scanConstruct();
    const char *end = m_state == scriptState ? "</script" : "</style";
    while (*m_in) {
        if (*m_in == '<' && lookingAtCaseInsensitive(end)) {
            m_state = normalState;
            return true;
        }
        scanOther();
    }
    return true;
}
