#include "codeeditstandardparser.h"

CodeEditStandardParser::CodeEditStandardParser(const Syntax &syntax) : m_syntax(syntax)
{
    setKeywords(syntax.keywords, syntax.keywordCase);
    addWordCharacters(syntax.wordStart, syntax.wordPart);
    if (syntax.cComments)
        addSpecialCharacters("/");
    for (const char *prefix : syntax.lineComments)
        m_special[uchar(prefix[0]) & 0x7F] = true;
    for (const Quote &quote : syntax.quotes) {
        if (quote.quote < 128)
            m_special[quote.quote] = true;
    }
    if (syntax.tripleQuotes)
        addSpecialCharacters("\"");
}

void CodeEditStandardParser::addSpecialCharacters(const char *characters)
{
    for (; *characters; ++characters)
        m_special[uchar(*characters) & 0x7F] = true;
}

bool CodeEditStandardParser::scanLineStart()
{
    scanLeadingWhitespace();
    return m_syntax.preprocessor && m_state == normalState && scanPreprocessorLine();
}

bool CodeEditStandardParser::scanComment()
{
    if (m_state != normalState && m_state != blockCommentState)
        return false;  // a continued string owns the start of the line
    if (m_syntax.cComments && scanCComment())
        return true;
    for (const char *prefix : m_syntax.lineComments) {
        if (scanLineComment(prefix))
            return true;
    }
    return false;
}

bool CodeEditStandardParser::scanLiteral()
{
    if (m_syntax.tripleQuotes) {
        if (m_state == normalState && lookingAt("\"\"\"")) {
            switchTo(literalClass);
            copy(3);
            m_state = tripleQuoteState;
        }
        if (m_state == tripleQuoteState) {
            switchTo(literalClass);
            if (copyThrough("\"\"\""))
                m_state = normalState;
            return true;
        }
    }
    for (const Quote &quote : m_syntax.quotes) {
        if (scanString(quote.quote, quote.escape, quote.spansLines))
            return true;
    }
    return false;
}

bool CodeEditStandardParser::scanRawStringStart()
{
    return false;
}

bool CodeEditStandardParser::scanRawStringEnd()
{
    return false;
}

ushort *CodeEditStandardParser::parse(const ushort *line, ushort *output)
{
    if (!beginLine(line, output))
        return m_out;
    if (!scanLineStart()) {
        while (*m_in) {
            const ushort c = *m_in;
            if ((m_state != normalState || (c < 128 && m_special[c]))
                && (scanRawStringEnd() || scanComment() || scanRawStringStart()
                    || scanLiteral())) {
                continue;
            }
            if (!scanWord() && !scanNumber())
                scanOther();
        }
    }
    return scanLineEnd();
}
