#include "codeeditdataparsers.h"

#include <cstring>

using Syntax = CodeEditStandardParser::Syntax;

// ---- JSON

static Syntax jsonSyntax()
{
    Syntax syntax;
    syntax.keywords = QStringList{
        "true", "false", "null"};
    syntax.quotes = {{'"', '\\'}};
    return syntax;
}

CodeEditJSONParser::CodeEditJSONParser() : CodeEditStandardParser(jsonSyntax())
{
    addSpecialCharacters("-0123456789");
}

QString CodeEditJSONParser::bracketPattern() const
{
    return QStringLiteral("\\{\\}\\[\\]");
}

bool CodeEditJSONParser::scanLiteral()
{
    return CodeEditStandardParser::scanLiteral() || scanDecimalNumber();
}

// ---- YAML

static Syntax yamlSyntax()
{
    Syntax syntax;
    syntax.keywords = QStringList{
        "true", "false", "null", "yes", "no", "on", "off"};
    syntax.keywordCase = Qt::CaseInsensitive;
    syntax.cComments = false;
    syntax.quotes = {{'"', '\\', true}, {'\'', 0, true}};
    return syntax;
}

CodeEditYAMLParser::CodeEditYAMLParser() : CodeEditStandardParser(yamlSyntax())
{
    addSpecialCharacters("#-0123456789&*!");
}

// True when nothing but blanks and the indicators that open a value ("-", ":", "?",
// "[", "{", ",") come before the cursor on this line, so a quote here starts a quoted
// scalar rather than being an apostrophe in plain text.
bool CodeEditYAMLParser::atScalarStart() const
{
    for (const ushort *p = m_in - 1; p >= m_lineStart; --p) {
        if (isWhitespace(*p))
            continue;
        return std::strchr("-:?[{,", *p < 128 ? char(*p) : 'x') != nullptr;
    }
    return true;
}

// A plain key: the text up to ":" followed by a blank or the line end.
void CodeEditYAMLParser::scanKey()
{
    const ushort first = *m_in;
    if (first == 0 || (first < 128 && std::strchr("\"'#{[&*!|>%@`-", char(first))))
        return;
    int length = 0;
    for (; m_in[length]; ++length) {
        const ushort c = m_in[length];
        if (c == '#' && isWhitespace(m_in[length - 1]))
            return;
        if (c == ':' && (m_in[length + 1] == 0 || isWhitespace(m_in[length + 1])))
            break;
    }
    if (length == 0 || m_in[length] != ':')
        return;
    switchTo(keywordClass);
    copy(length);
}

bool CodeEditYAMLParser::scanLineStart()
{
    m_lineStart = m_in;
    scanLeadingWhitespace();
    if (m_state != normalState)
        return false;
    if (m_in == m_lineStart && (lookingAt("---") || lookingAt("..."))
        && (m_in[3] == 0 || isWhitespace(m_in[3]))) {
        switchTo(preprocessorClass);
        copy(3);
    } else if (m_in == m_lineStart && *m_in == '%') {
        switchTo(preprocessorClass);
        copyRest();
        return true;
    }
    while (m_in[0] == '-' && (m_in[1] == 0 || isWhitespace(m_in[1]))) {
        scanOther();  // a sequence entry
        while (isWhitespace(*m_in))
            copy();
    }
    scanKey();
    return false;
}

bool CodeEditYAMLParser::scanComment()
{
    if (m_state != normalState || *m_in != '#'
        || (m_in > m_lineStart && !isWhitespace(m_in[-1]))) {
        return false;
    }
    switchTo(commentClass);
    copyRest();
    return true;
}

bool CodeEditYAMLParser::scanLiteral()
{
    const ushort c = *m_in;
    if (m_state != normalState || ((c == '"' || c == '\'') && atScalarStart()))
        return CodeEditStandardParser::scanLiteral();
    if ((c == '&' || c == '*' || c == '!') && m_in[1] && !isWhitespace(m_in[1])
        && atScalarStart()) {
        // An anchor, an alias or a tag, up to the next blank or flow indicator.
        switchTo(preprocessorClass);
        do {
            copy();
        } while (*m_in && !isWhitespace(*m_in)
                 && !(*m_in < 128 && std::strchr(",[]{}", char(*m_in))));
        return true;
    }
    return (c == '-' || isDigit(c)) && atScalarStart() && scanDecimalNumber();
}
