#include "xmlreader.h"

#include "xmldocument.h"
#include "xmlnode.h"

#include <cstring>
#include <vector>

namespace {

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r';
}

bool isNameStart(char c)
{
    const unsigned char u = static_cast<unsigned char>(c);
    return (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') || u == '_' || u == ':'
           || u >= 0x80;
}

bool isNameChar(char c)
{
    return isNameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
}

bool startsWith(const char *p, const char *end, const char *literal)
{
    const size_t length = std::strlen(literal);
    return size_t(end - p) >= length && std::memcmp(p, literal, length) == 0;
}

const char *find(const char *p, const char *end, const char *literal)
{
    const size_t length = std::strlen(literal);
    for (; p && size_t(end - p) >= length; ++p) {
        p = static_cast<const char *>(std::memchr(p, literal[0], size_t(end - p)));
        if (!p || size_t(end - p) < length)
            return nullptr;
        if (std::memcmp(p, literal, length) == 0)
            return p;
    }
    return nullptr;
}

// Decodes one reference starting at the "&" in p; returns the position after it, or
// p itself when the text there is no reference.
//   reference -> "&" ( "gt" | "lt" | "quot" | "amp" | "apos" ) ";"
//              | "&#" digit+ ";" | "&#" ("x"|"X") hexdigit+ ";"
const char *decodeReference(const char *p, const char *end, char *byte)
{
    static const struct { const char *name; char byte; } named[] = {
        {"&gt;", '>'}, {"&lt;", '<'}, {"&quot;", '"'}, {"&amp;", '&'}, {"&apos;", '\''},
    };
    for (const auto &entry : named) {
        if (startsWith(p, end, entry.name)) {
            *byte = entry.byte;
            return p + std::strlen(entry.name);
        }
    }
    if (!startsWith(p, end, "&#"))
        return p;
    const char *q = p + 2;
    const bool hex = q < end && (*q == 'x' || *q == 'X');
    if (hex)
        ++q;
    const char *digits = q;
    unsigned value = 0;  // only the low 8 bits matter, so wrapping is harmless
    for (; q < end; ++q) {
        const char c = *q;
        if (c >= '0' && c <= '9')
            value = value * (hex ? 16 : 10) + unsigned(c - '0');
        else if (hex && c >= 'a' && c <= 'f')
            value = value * 16 + unsigned(c - 'a' + 10);
        else if (hex && c >= 'A' && c <= 'F')
            value = value * 16 + unsigned(c - 'A' + 10);
        else
            break;
    }
    if (q == digits || q >= end || *q != ';')
        return p;
    *byte = char(value & 0xff);
    return q + 1;
}

/// One reading pass; positions are pointers into the input.
class Parser
{
public:
    Parser(const QByteArray &bytes, XMLDocument *document)
        : m_begin(bytes.constData()), m_end(bytes.constData() + bytes.size()),
          m_p(m_begin), m_document(document)
    {
        m_lineStart = m_begin;
    }

    bool run();

private:
    bool fail(const QString &text, const char *at);
    int lineAt(const char *at);
    void skipSpace()
    {
        while (m_p < m_end && isSpace(*m_p))
            ++m_p;
    }
    const char *readName(const char *p) const
    {
        if (p >= m_end || !isNameStart(*p))
            return p;
        while (p < m_end && isNameChar(*p))
            ++p;
        return p;
    }

    bool readDeclaration();
    bool readDocumentType();
    bool readComment();
    bool readCharacterData();
    bool readStartTag();
    bool readEndTag();
    bool readText();
    bool readAttributes(XMLElement *element, bool *selfClosing);
    void append(std::unique_ptr<XMLNode> node);
    void closeElement(XMLElement *element);

    const char *m_begin;
    const char *m_end;
    const char *m_p;
    XMLDocument *m_document;
    std::vector<XMLElement *> m_open;
    bool m_seenDocumentType = false;
    // lineAt() counts newlines from the last position it was asked about, so that the
    // line numbers of all elements cost one pass over the input in total.
    const char *m_lineCursor = nullptr;
    const char *m_lineStart = nullptr;
    int m_line = 1;
};

int Parser::lineAt(const char *at)
{
    if (!m_lineCursor || at < m_lineCursor) {
        m_lineCursor = m_begin;
        m_lineStart = m_begin;
        m_line = 1;
    }
    for (const char *p = m_lineCursor; p < at;) {
        p = static_cast<const char *>(std::memchr(p, '\n', size_t(at - p)));
        if (!p)
            break;
        ++m_line;
        m_lineStart = ++p;
    }
    m_lineCursor = at;
    return m_line;
}

bool Parser::fail(const QString &text, const char *at)
{
    if (at > m_end)
        at = m_end;
    const int line = lineAt(at);
    m_document->setError(text, line, int(at - m_lineStart) + 1);
    return false;
}

void Parser::append(std::unique_ptr<XMLNode> node)
{
    m_open.back()->appendChild(std::move(node));
}

bool Parser::run()
{
    if (startsWith(m_p, m_end, "\xEF\xBB\xBF"))
        m_p += 3;
    m_lineStart = m_p;
    for (;;) {
        if (m_open.empty())
            skipSpace();
        if (m_p >= m_end)
            break;
        bool ok;
        if (*m_p != '<')
            ok = readText();
        else if (startsWith(m_p, m_end, "<?"))
            ok = readDeclaration();
        else if (startsWith(m_p, m_end, "<!--"))
            ok = readComment();
        else if (startsWith(m_p, m_end, "<![CDATA["))
            ok = readCharacterData();
        else if (startsWith(m_p, m_end, "<!DOCTYPE"))
            ok = readDocumentType();
        else if (startsWith(m_p, m_end, "</"))
            ok = readEndTag();
        else
            ok = readStartTag();
        if (!ok)
            return false;
    }
    if (!m_open.empty()) {
        const QString tag = QString::fromUtf8(m_open.back()->tag());
        return fail("unexpected end of file: element '" + tag + "' not closed", m_end);
    }
    if (!m_document->root())
        return fail("no root element", m_end);
    return true;
}

// declaration -> "<?xml" attribute* "?>"; any other "<?...?>" is skipped.
bool Parser::readDeclaration()
{
    const char *close = find(m_p + 2, m_end, "?>");
    if (!close)
        return fail("unterminated processing instruction", m_p);
    const char *target = m_p + 2;
    const char *targetEnd = readName(target);
    const bool isDeclaration = targetEnd - target == 3 && std::memcmp(target, "xml", 3) == 0;
    if (isDeclaration && (m_document->root() || m_seenDocumentType))
        return fail("misplaced XML declaration", m_p);
    if (isDeclaration) {
        XMLElement pseudo("xml");
        bool selfClosing = false;
        // The pseudo-attributes share the attribute syntax; "?>" ends them.
        const QByteArray inner = QByteArray(targetEnd, int(close - targetEnd)) + ">";
        Parser sub(inner, m_document);
        sub.m_p = sub.m_begin;
        if (!sub.readAttributes(&pseudo, &selfClosing))
            return fail("bad XML declaration", m_p);
        m_document->setVersion(pseudo.attribute("version"));
        m_document->setEncoding(pseudo.attribute("encoding"));
    }
    m_p = close + 2;
    return true;
}

// doctype -> "<!DOCTYPE" name ( anything, with "[...]" and quoted text skipped ) ">"
bool Parser::readDocumentType()
{
    const char *start = m_p;
    if (m_seenDocumentType || m_document->root())
        return fail("misplaced document type", start);
    m_p += 9;
    skipSpace();
    const char *nameEnd = readName(m_p);
    if (nameEnd == m_p)
        return fail("bad document type", start);
    m_document->setDocumentType(QByteArray(m_p, int(nameEnd - m_p)));
    m_seenDocumentType = true;
    int brackets = 0;
    for (const char *p = nameEnd; p < m_end; ++p) {
        if (*p == '"' || *p == '\'') {
            p = static_cast<const char *>(std::memchr(p + 1, *p, size_t(m_end - p - 1)));
            if (!p)
                break;
        } else if (*p == '[') {
            ++brackets;
        } else if (*p == ']') {
            --brackets;
        } else if (*p == '>' && brackets <= 0) {
            m_p = p + 1;
            return true;
        }
    }
    return fail("unterminated document type", start);
}

bool Parser::readComment()
{
    const char *close = find(m_p + 4, m_end, "-->");
    if (!close)
        return fail("unterminated comment", m_p);
    if (!m_open.empty()) {
        auto comment = std::make_unique<XMLNode>(XMLNode::Type::Comment);
        comment->setData(QByteArray(m_p + 4, int(close - m_p - 4)));
        append(std::move(comment));
    }
    m_p = close + 3;
    return true;
}

bool Parser::readCharacterData()
{
    const char *close = find(m_p + 9, m_end, "]]>");
    if (!close)
        return fail("unterminated character data", m_p);
    if (m_open.empty())
        return fail("character data outside the root element", m_p);
    auto section = std::make_unique<XMLNode>(XMLNode::Type::CData);
    section->setData(QByteArray(m_p + 9, int(close - m_p - 9)));
    append(std::move(section));
    m_p = close + 3;
    return true;
}

// start-tag -> "<" name ( space+ attribute )* space* ( ">" | "/>" )
bool Parser::readStartTag()
{
    const char *start = m_p;
    const char *nameEnd = readName(m_p + 1);
    if (nameEnd == m_p + 1)
        return fail("bad tagName", start);
    if (m_open.empty() && m_document->root())
        return fail("content after the root element", start);
    if (int(m_open.size()) >= XMLReader::maxDepth)
        return fail("elements nested too deeply", start);
    std::unique_ptr<XMLElement> created =
        m_document->createElement(QByteArray(m_p + 1, int(nameEnd - m_p - 1)));
    created->setLine(lineAt(start));
    XMLElement *element = m_open.empty() ? m_document->setRoot(std::move(created))
                                         : m_open.back()->appendChild(std::move(created));
    m_p = nameEnd;
    bool selfClosing = false;
    if (!readAttributes(element, &selfClosing))
        return fail("bad tagName", start);
    if (selfClosing)
        closeElement(element);
    else
        m_open.push_back(element);
    return true;
}

// attribute -> name ( space* "=" space* ( '"' text '"' | "'" text "'" ) )?
bool Parser::readAttributes(XMLElement *element, bool *selfClosing)
{
    bool separated = false;  // attributes must be separated by white space
    for (;;) {
        const char *before = m_p;
        skipSpace();
        separated = separated || m_p != before;
        if (m_p >= m_end)
            return false;
        if (*m_p == '>') {
            ++m_p;
            return true;
        }
        if (startsWith(m_p, m_end, "/>")) {
            m_p += 2;
            *selfClosing = true;
            return true;
        }
        const char *nameEnd = readName(m_p);
        if (nameEnd == m_p || !separated)
            return false;
        const QByteArray name(m_p, int(nameEnd - m_p));
        m_p = nameEnd;
        skipSpace();
        if (m_p >= m_end || *m_p != '=') {
            element->setAttributeWithoutValue(name);
            separated = m_p != nameEnd;
            continue;
        }
        ++m_p;
        skipSpace();
        if (m_p >= m_end || (*m_p != '"' && *m_p != '\''))
            return false;
        const char *close =
            static_cast<const char *>(std::memchr(m_p + 1, *m_p, size_t(m_end - m_p - 1)));
        if (!close)
            return false;
        element->setAttribute(name, XMLReader::decode(m_p + 1, close));
        m_p = close + 1;
        separated = false;
    }
}

// end-tag -> "</" name space* ">"
bool Parser::readEndTag()
{
    const char *start = m_p;
    const char *nameEnd = readName(m_p + 2);
    const char *p = nameEnd;
    while (p < m_end && isSpace(*p))
        ++p;
    if (nameEnd == m_p + 2 || p >= m_end || *p != '>')
        return fail("bad tagName", start);
    const int length = int(nameEnd - m_p - 2);
    if (m_open.empty() || m_open.back()->tag().size() != length
        || std::memcmp(m_open.back()->tag().constData(), m_p + 2, size_t(length)) != 0) {
        return fail("tagName mismatch", start);
    }
    closeElement(m_open.back());
    m_open.pop_back();
    m_p = p + 1;
    return true;
}

bool Parser::readText()
{
    const char *start = m_p;
    const char *close = static_cast<const char *>(std::memchr(m_p, '<', size_t(m_end - m_p)));
    if (!close)
        close = m_end;
    bool blank = true;
    for (const char *p = start; p < close && blank; ++p)
        blank = isSpace(*p);
    if (!blank) {
        if (m_open.empty())
            return fail("text outside the root element", start);
        auto text = std::make_unique<XMLNode>(XMLNode::Type::Text);
        text->setData(XMLReader::decode(start, close));
        append(std::move(text));
    }
    m_p = close;
    return true;
}

// Text between child elements carries the indentation the writer put around it; an
// element whose first child is text keeps its content exactly, the others lose the
// white space around their texts so that reading and writing reach a fixed point.
void Parser::closeElement(XMLElement *element)
{
    XMLNode *first = element->firstChild();
    if (!first || first->type() == XMLNode::Type::Text)
        return;
    for (XMLNode *child = first; child; child = child->nextSibling()) {
        if (child->type() == XMLNode::Type::Text)
            child->setData(child->data().trimmed());
    }
}

} // namespace

QByteArray XMLReader::decode(const char *begin, const char *end)
{
    const char *amp = static_cast<const char *>(std::memchr(begin, '&', size_t(end - begin)));
    if (!amp)
        return QByteArray(begin, int(end - begin));
    QByteArray out;
    out.reserve(int(end - begin));
    const char *p = begin;
    while (amp) {
        out.append(p, int(amp - p));
        char byte = 0;
        const char *next = decodeReference(amp, end, &byte);
        if (next == amp) {
            out.append('&');
            p = amp + 1;
        } else {
            out.append(byte);
            p = next;
        }
        amp = static_cast<const char *>(std::memchr(p, '&', size_t(end - p)));
    }
    out.append(p, int(end - p));
    return out;
}

bool XMLReader::read(const QByteArray &bytes, XMLDocument *document)
{
    document->clear();
    Parser parser(bytes, document);
    return parser.run();
}
