#include "xmlwriter.h"

#include "xmldocument.h"
#include "xmlnode.h"

#include <vector>

namespace {

void appendSpaces(QByteArray &out, int count)
{
    if (count > 0)
        out.append(count, ' ');
}

// Two or more attributes go one per line once the estimated one-line length
// (indentation, tag, "<", and per attribute its name, value, blank, "=" and quotes)
// passes the wrap width. The estimate uses the unescaped value lengths.
bool wrapsAttributes(const XMLElement &element, int depth, int indent, int wrapWidth)
{
    const XMLAttributeMap &attributes = element.attributes();
    if (wrapWidth == 0 || attributes.size() < 2)
        return false;
    qint64 estimate = qint64(depth) * indent + element.tag().size() + 1;
    for (auto it = attributes.constBegin(); it != attributes.constEnd(); ++it) {
        estimate += it.key().size() + (it->hasValue ? it->value.size() : 0) + 4;
        if (estimate > wrapWidth)
            return true;
    }
    return false;
}

void writeCharacterData(QByteArray &out, const QByteArray &data)
{
    // "]]>" cannot appear inside a section: split it across two sections.
    QByteArray text = data;
    text.replace("]]>", "]]]]><![CDATA[>");
    out.append("<![CDATA[").append(text).append("]]>");
}

/// Writes a subtree without recursion: each frame is an open element and the child
/// to write next. In `compact` frames (inside an element whose first child is text)
/// nothing is indented and no newlines are added, so the text reads back unchanged.
class TreeWriter
{
public:
    TreeWriter(QByteArray &out, int indent, int wrapWidth)
        : m_out(out), m_indent(indent), m_wrapWidth(wrapWidth)
    {
    }

    void write(const XMLElement &root, int depth)
    {
        open(root, depth, false);
        while (!m_frames.empty()) {
            Frame &frame = m_frames.back();
            const XMLNode *child = frame.next;
            if (!child) {
                close(frame);
                m_frames.pop_back();
                continue;
            }
            frame.next = child->nextSibling();
            writeChild(*child, frame.depth + 1, frame.compact);
        }
    }

private:
    struct Frame
    {
        const XMLElement *element;
        const XMLNode *next;
        int depth;
        bool compact;       // the children are written compact
        bool ownerCompact;  // the element itself was written compact
    };

    void newline(bool compact)
    {
        if (m_indent != 0 && !compact)
            m_out.append('\n');
    }

    void writeChild(const XMLNode &node, int depth, bool compact)
    {
        if (node.isElement()) {
            open(static_cast<const XMLElement &>(node), depth, compact);
            return;
        }
        if (!compact)
            appendSpaces(m_out, depth * m_indent);
        switch (node.type()) {
        case XMLNode::Type::Text:
            XMLWriter::escape(m_out, node.data());
            break;
        case XMLNode::Type::Comment:
            m_out.append("<!--").append(node.data()).append("-->");
            break;
        case XMLNode::Type::CData:
            writeCharacterData(m_out, node.data());
            break;
        case XMLNode::Type::Element:
            break;
        }
        newline(compact);
    }

    void open(const XMLElement &element, int depth, bool compact)
    {
        if (!compact)
            appendSpaces(m_out, depth * m_indent);
        m_out.append('<').append(element.tag());
        const bool wrap = !compact && wrapsAttributes(element, depth, m_indent, m_wrapWidth);
        const XMLAttributeMap &attributes = element.attributes();
        for (auto it = attributes.constBegin(); it != attributes.constEnd(); ++it) {
            if (!it->hasValue) {
                m_out.append(' ').append(it.key()).append("=\"\"");
                continue;
            }
            if (wrap) {
                m_out.append('\n');
                appendSpaces(m_out, (depth + 1) * m_indent);
            } else {
                m_out.append(' ');
            }
            m_out.append(it.key()).append("=\"");
            XMLWriter::escape(m_out, it->value);
            m_out.append('"');
        }
        const XMLNode *first = element.firstChild();
        if (!first) {
            m_out.append(attributes.isEmpty() ? "/>" : " />");
            newline(compact);
            return;
        }
        m_out.append('>');
        const bool compactChildren = compact || first->type() == XMLNode::Type::Text;
        if (!compactChildren)
            newline(false);
        m_frames.push_back({&element, first, depth, compactChildren, compact});
    }

    void close(const Frame &frame)
    {
        if (!frame.compact)
            appendSpaces(m_out, frame.depth * m_indent);
        m_out.append("</").append(frame.element->tag()).append('>');
        newline(frame.ownerCompact);
    }

    QByteArray &m_out;
    int m_indent;
    int m_wrapWidth;
    std::vector<Frame> m_frames;
};

} // namespace

void XMLWriter::escape(QByteArray &out, const QByteArray &bytes)
{
    static const char hexDigits[] = "0123456789abcdef";
    for (const char c : bytes) {
        const unsigned char u = static_cast<unsigned char>(c);
        switch (c) {
        case '"': out.append("&quot;"); continue;
        case '&': out.append("&amp;"); continue;
        case '<': out.append("&lt;"); continue;
        case '>': out.append("&gt;"); continue;
        default: break;
        }
        if (u >= 0x20 && u < 0x7f) {  // isprint() in the C locale
            out.append(c);
        } else {
            out.append("&#x");
            if (u >= 0x10)
                out.append(hexDigits[u >> 4]);
            out.append(hexDigits[u & 0xf]).append(';');
        }
    }
}

void XMLWriter::writeElement(QByteArray &out, const XMLElement &element, int depth,
                             int indent, int wrapWidth)
{
    TreeWriter(out, indent, wrapWidth).write(element, depth);
}

QByteArray XMLWriter::write(const XMLDocument &document, int indent, int wrapWidth)
{
    QByteArray out;
    out.reserve(64 * 1024);
    if (!document.version().isEmpty() || !document.encoding().isEmpty()) {
        out.append("<?xml ");
        if (!document.version().isEmpty())
            out.append(" version=\"").append(document.version()).append('"');
        if (!document.encoding().isEmpty())
            out.append(" encoding=\"").append(document.encoding()).append('"');
        out.append(" ?>\n");
    }
    if (!document.documentType().isEmpty())
        out.append("<!DOCTYPE ").append(document.documentType()).append(">\n");
    if (document.root())
        writeElement(out, *document.root(), 0, indent, wrapWidth);
    return out;
}
