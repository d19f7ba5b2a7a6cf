#include "codeeditforthparser.h"

CodeEditForthParser::CodeEditForthParser()
{
    setKeywords({
        ":", ";", "if", "else", "then", "begin", "until", "while", "repeat", "again", "do",
        "?do", "loop", "+loop", "i", "j", "leave", "unloop", "exit", "recurse", "case", "of",
        "endof", "endcase", "variable", "constant", "value", "to", "create", "does>",
        "allot", ",", "c,", "here", "@", "!", "c@", "c!", "+!", "dup", "?dup", "drop",
        "swap", "over", "rot", "-rot", "nip", "tuck", "pick", "roll", "2dup", "2drop",
        "2swap", "2over", ">r", "r>", "r@", "and", "or", "xor", "invert", "negate", "abs",
        "min", "max", "+", "-", "*", "/", "mod", "/mod", "*/", "*/mod", "1+", "1-", "2*",
        "2/", "lshift", "rshift", "=", "<>", "<", ">", "u<", "u>", "0=", "0<", "0>", "0<>",
        "emit", "type", "cr", "space", "spaces", ".", "u.", ".s", ".\"", "s\"", "c\"",
        "abort", "abort\"", ".(", "'", "[']", "[char]", "char", "immediate", "literal",
        "postpone", "[", "]", "base", "hex", "decimal", "execute", "key", "accept",
        "evaluate", "include", "included", "marker", "forget", "words", "bye", "true",
        "false", "cells", "cell+", "chars", "char+", "align", "aligned", "fill", "move",
        "erase", "count", "compare", "buffer:", "defer", "is", "action-of", ":noname"},
        Qt::CaseInsensitive);
}

QString CodeEditForthParser::bracketPattern() const
{
    return QStringLiteral("\\:\\;");
}

bool CodeEditForthParser::isToken(const ushort *start, const ushort *end,
                                  const char *text) const
{
    for (; start < end && *text; ++start, ++text) {
        const ushort c = *start >= 'A' && *start <= 'Z' ? ushort(*start + 32) : *start;
        if (c != uchar(*text))
            return false;
    }
    return start == end && *text == 0;
}

// 123, -7, 12. (double), $FF, #10, %1010, &17 and 'c'.
bool CodeEditForthParser::isNumber(const ushort *start, const ushort *end) const
{
    if (end - start == 3 && start[0] == '\'' && start[2] == '\'')
        return true;
    int base = 10;
    if (*start == '$' || *start == '#' || *start == '%' || *start == '&') {
        base = *start == '$' ? 16 : *start == '%' ? 2 : *start == '&' ? 8 : 10;
        ++start;
    }
    if (start < end && *start == '-')
        ++start;
    if (start < end && end[-1] == '.')
        --end;
    if (start >= end)
        return false;
    for (; start < end; ++start) {
        const ushort c = *start | 0x20;
        const int digit = isDigit(*start) ? *start - '0' : c >= 'a' && c <= 'f' ? c - 'a' + 10
                                                                                : 99;
        if (digit >= base)
            return false;
    }
    return true;
}

// One blank-delimited word, with the comment or string it may open.
void CodeEditForthParser::scanToken(const ushort *end)
{
    const ushort *start = m_in;
    if (isToken(start, end, "\\")) {
        switchTo(commentClass);
        copyRest();
        return;
    }
    if (isToken(start, end, "(")) {
        switchTo(commentClass);
        copy();
        m_state = blockCommentState;
        if (copyThrough(")"))
            m_state = normalState;
        return;
    }
    const bool opensString = isToken(start, end, ".\"") || isToken(start, end, "s\"")
        || isToken(start, end, "c\"") || isToken(start, end, "abort\"")
        || isToken(start, end, ",\"");
    const bool opensParenthesis = isToken(start, end, ".(");
    const int length = int(end - start);
    if (isNumber(start, end))
        switchTo(literalClass);
    else
        switchTo(m_keywordSet.contains(start, length) ? keywordClass : plainClass);
    copy(length);
    if ((opensString || opensParenthesis) && *m_in) {
        copy();  // the blank that ends the word belongs to neither
        switchTo(literalClass);
        copyThrough(opensString ? "\"" : ")");
    }
}

ushort *CodeEditForthParser::parse(const ushort *line, ushort *output)
{
    if (!beginLine(line, output))
        return m_out;
    scanLeadingWhitespace();
    if (m_state == blockCommentState && *m_in) {
        switchTo(commentClass);
        if (copyThrough(")"))
            m_state = normalState;
    }
    while (*m_in) {
        if (isWhitespace(*m_in)) {
            copy();
            continue;
        }
        const ushort *end = m_in;
        while (*end && !isWhitespace(*end))
            ++end;
        scanToken(end);
    }
    return scanLineEnd();
}
