#include "codeeditparser.h"

#include <cstring>

namespace {

// The stand-in for NULs and U+FDD0s while a QString line is parsed: an ordinary
// character to every parser, put back by position afterwards.
constexpr ushort placeholder = 0xFFFD;

constexpr uchar buildFlag(int c)
{
    return uchar(((c >= 9 && c <= 13) || c == ' ' || c == 0xB7 || c == 0xBB ? 1 : 0)
                 | ((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') ? 2 : 0));
}

} // namespace

#define CODEEDIT_FLAGS4(n) buildFlag(n), buildFlag(n + 1), buildFlag(n + 2), buildFlag(n + 3)
#define CODEEDIT_FLAGS16(n) CODEEDIT_FLAGS4(n), CODEEDIT_FLAGS4(n + 4), \
    CODEEDIT_FLAGS4(n + 8), CODEEDIT_FLAGS4(n + 12)
#define CODEEDIT_FLAGS64(n) CODEEDIT_FLAGS16(n), CODEEDIT_FLAGS16(n + 16), \
    CODEEDIT_FLAGS16(n + 32), CODEEDIT_FLAGS16(n + 48)

const uchar CodeEditParser::s_charFlags[256] = {
    CODEEDIT_FLAGS64(0), CODEEDIT_FLAGS64(64), CODEEDIT_FLAGS64(128), CODEEDIT_FLAGS64(192)};

CodeEditParser::CodeEditParser()
{
    for (int c = 0; c < 128; ++c) {
        m_wordStart[c] = isLetter(ushort(c));
        m_wordPart[c] = isLetterOrDigit(ushort(c)) || c == '_';
    }
}

CodeEditParser::~CodeEditParser() = default;

QString CodeEditParser::bracketPattern() const
{
    return QStringLiteral("\\{\\}\\[\\]\\(\\)");
}

void CodeEditParser::setKeywords(const QStringList &keywords, Qt::CaseSensitivity sensitivity)
{
    m_keywords = keywords;
    m_keywordSet.assign(keywords, sensitivity == Qt::CaseInsensitive);
}

void CodeEditParser::addWordCharacters(const char *start, const char *part)
{
    for (; *start; ++start)
        m_wordStart[uchar(*start) & 0x7F] = true;
    for (; *part; ++part)
        m_wordPart[uchar(*part) & 0x7F] = true;
}

bool CodeEditParser::beginLine(const ushort *line, ushort *output)
{
    m_in = line;
    m_out = output;
    m_class = plainClass;
    if (line)
        return true;
    *m_out++ = 0;
    return false;
}

void CodeEditParser::copy(int count)
{
    for (int i = 0; i < count; ++i)
        *m_out++ = *m_in++;
}

void CodeEditParser::copyRest()
{
    const ushort *in = m_in;
    ushort *out = m_out;
    while (*in)
        *out++ = *in++;
    m_in = in;
    m_out = out;
}

bool CodeEditParser::copyThrough(const char *terminator)
{
    const ushort first = uchar(terminator[0]);
    while (*m_in) {
        if (*m_in == first && lookingAt(terminator)) {
            copy(int(std::strlen(terminator)));
            return true;
        }
        copy();
    }
    return false;
}

bool CodeEditParser::lookingAt(const char *text) const
{
    const ushort *in = m_in;
    for (; *text; ++text, ++in) {
        if (*in != uchar(*text))
            return false;  // also stops at the line's NUL
    }
    return true;
}

bool CodeEditParser::lookingAtCaseInsensitive(const char *text) const
{
    const ushort *in = m_in;
    for (; *text; ++text, ++in) {
        const ushort c = *in >= 'A' && *in <= 'Z' ? ushort(*in + 32) : *in;
        const ushort t = *text >= 'A' && *text <= 'Z' ? ushort(*text + 32) : uchar(*text);
        if (c != t)
            return false;
    }
    return true;
}

// Scanner 1: the class restarts at 0 without a code; indentation is copied as is.
void CodeEditParser::scanLeadingWhitespace()
{
    m_class = plainClass;
    while (isWhitespace(*m_in))
        copy();
}

// Scanner 2.
ushort *CodeEditParser::scanLineEnd()
{
    *m_out++ = 0;
    return m_out;
}

// Scanner 3. A string continued from the previous line starts at the cursor without
// an opening quote; otherwise the opening quote is the first character copied.
bool CodeEditParser::scanString(ushort quote, ushort escape, bool spansLines)
{
    const ushort *in = m_in;
    if (m_state != int(quote)) {
        if (*in != quote || m_state != normalState)
            return false;
        m_state = quote;
        switchTo(literalClass);
        *m_out++ = *in++;
    } else {
        switchTo(literalClass);
    }
    ushort *out = m_out;
    for (;;) {
        const ushort c = *in;
        if (c == 0) {
            if (!spansLines)
                m_state = normalState;
            break;
        }
        *out++ = c;
        ++in;
        if (c == quote) {
            m_state = normalState;
            break;
        }
        if (c == escape && escape != 0) {
            if (*in == 0)
                break;  // an escaped line end: the string goes on in the next line
            *out++ = *in++;
        }
    }
    m_in = in;
    m_out = out;
    return true;
}

// Scanner 4: "//" to the line end, "/*" to "*/", possibly over several lines.
bool CodeEditParser::scanCComment()
{
    if (m_state == blockCommentState) {
        switchTo(commentClass);
    } else if (m_in[0] == '/' && m_in[1] == '/') {
        switchTo(commentClass);
        copyRest();
        return true;
    } else if (m_in[0] == '/' && m_in[1] == '*') {
        switchTo(commentClass);
        copy(2);
        m_state = blockCommentState;
    } else {
        return false;
    }
    if (copyThrough("*/"))
        m_state = normalState;
    return true;
}

// Scanner 5: a digit, then letters and digits, so "0x1F" and "10UL" are one number and
// a full stop ends it.
bool CodeEditParser::scanNumber()
{
    if (!isDigit(*m_in))
        return false;
    switchTo(literalClass);
    const ushort *in = m_in;
    ushort *out = m_out;
    while (isLetterOrDigit(*in))
        *out++ = *in++;
    m_in = in;
    m_out = out;
    return true;
}

// Scanner 6: a keyword in class 3, any other word in class 0.
bool CodeEditParser::scanWord()
{
    if (!isWordStart(*m_in))
        return false;
    const ushort *start = m_in;
    const ushort *end = start + 1;
    while (isWordPart(*end))
        ++end;
    const int length = int(end - start);
    switchTo(m_keywordSet.contains(start, length) ? keywordClass : plainClass);
    ushort *out = m_out;
    for (const ushort *in = start; in < end; ++in)
        *out++ = *in;
    m_in = end;
    m_out = out;
    return true;
}

// Scanner 7: whitespace keeps the current class, so a blank after a keyword costs no
// switch.
void CodeEditParser::scanOther()
{
    if (!isWhitespace(*m_in))
        switchTo(plainClass);
    copy();
}

// Scanner 8: "#include", "#define", "#if", "#ifdef", "#ifndef", "#endif" or "#undef",
// then whitespace or the line end, colours the whole rest of the line.
bool CodeEditParser::scanPreprocessorLine()
{
    if (*m_in != '#')
        return false;
    static const char *const directives[] = {"include", "define", "if", "ifdef",
                                             "ifndef", "endif", "undef"};
    const ushort *word = m_in + 1;
    for (const char *directive : directives) {
        const int length = int(std::strlen(directive));
        int i = 0;
        while (i < length && word[i] == uchar(directive[i]))
            ++i;
        if (i == length && (word[i] == 0 || isWhitespace(word[i]))) {
            switchTo(preprocessorClass);
            copyRest();
            return true;
        }
    }
    return false;
}

bool CodeEditParser::scanLineComment(const char *prefix)
{
    if (!lookingAt(prefix))
        return false;
    switchTo(commentClass);
    copyRest();
    return true;
}

bool CodeEditParser::scanDecimalNumber()
{
    int length = *m_in == '-' ? 1 : 0;
    if (!isDigit(m_in[length]))
        return false;
    while (isDigit(m_in[length]))
        ++length;
    if (m_in[length] == '.' && isDigit(m_in[length + 1])) {
        length += 2;
        while (isDigit(m_in[length]))
            ++length;
    }
    if (m_in[length] == 'e' || m_in[length] == 'E') {
        int exponent = length + 1;
        if (m_in[exponent] == '+' || m_in[exponent] == '-')
            ++exponent;
        if (isDigit(m_in[exponent])) {
            length = exponent;
            while (isDigit(m_in[length]))
                ++length;
        }
    }
    switchTo(literalClass);
    copy(length);
    return true;
}

void CodeEditParser::parseWhole(const QChar *line, int length)
{
    m_input.resize(size_t(length) + 1);
    m_replaced.clear();
    const ushort *units = reinterpret_cast<const ushort *>(line);
    for (int i = 0; i < length; ++i) {
        ushort c = units[i];
        if (c == 0 || c == switchCode) {
            m_replaced.push_back(i);
            c = placeholder;
        }
        m_input[size_t(i)] = c;
    }
    m_input[size_t(length)] = 0;
    // Two spare units: the parsers stay within the capacity, and the spare makes sure
    // a slip in one of them could never write outside the buffer.
    m_output.resize(size_t(outputCapacity(length)) + 2);
    m_outputEnd = parse(m_input.data(), m_output.data()) - 1;  // without the terminator
}

QString CodeEditParser::markup(const QString &line)
{
    parseWhole(line.constData(), line.size());
    QString result(int(m_outputEnd - m_output.data()), Qt::Uninitialized);
    ushort *out = reinterpret_cast<ushort *>(result.data());
    size_t nextReplaced = 0;
    int position = 0;
    for (const ushort *p = m_output.data(); p < m_outputEnd; ++p) {
        if (*p == switchCode && p + 1 < m_outputEnd) {
            *out++ = *p++;
            *out++ = *p;
            continue;
        }
        ushort c = *p;
        if (nextReplaced < m_replaced.size() && m_replaced[nextReplaced] == position) {
            c = line.at(position).unicode();
            ++nextReplaced;
        }
        *out++ = c;
        ++position;
    }
    return result;
}

void CodeEditParser::colourLine(const QString &line, QString *text, QVector<CodeEditRun> *runs)
{
    colourLine(line.constData(), line.size(), text, runs);
}

void CodeEditParser::colourLine(const QChar *line, int length, QString *text,
                                QVector<CodeEditRun> *runs)
{
    parseWhole(line, length);
    text->resize(length);
    ushort *out = reinterpret_cast<ushort *>(text->data());
    runs->clear();
    CodeEditRun run;
    size_t nextReplaced = 0;
    int position = 0;
    for (const ushort *p = m_output.data(); p < m_outputEnd; ++p) {
        if (*p == switchCode && p + 1 < m_outputEnd) {
            runs->append(run);
            run.colourClass = *++p;
            run.length = 0;
            continue;
        }
        ushort c = *p;
        if (nextReplaced < m_replaced.size() && m_replaced[nextReplaced] == position) {
            c = line[position].unicode();
            ++nextReplaced;
        }
        if (position < length)
            out[position] = c;
        ++position;
        ++run.length;
    }
    runs->append(run);
    text->resize(position);
}
