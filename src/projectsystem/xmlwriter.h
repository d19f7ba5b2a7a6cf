#pragma once

#include <QByteArray>

class XMLDocument;
class XMLElement;

/// The document writer. Layout: `indent` spaces per level and a newline after each line
/// (none at all when indent is 0); the attributes of an element with two or more of them
/// go one per line when the estimated one-line length passes `wrapWidth` (0: never).
/// Elements without children close with " />" ("/>" without attributes); an element
/// whose first child is text keeps all its content on its own line. Attribute values and
/// text are escaped byte by byte, so every byte reads back as it was.
class XMLWriter
{
public:
    static QByteArray write(const XMLDocument &document, int indent, int wrapWidth);
    /// One element and its subtree starting at `depth`.
    static void writeElement(QByteArray &out, const XMLElement &element, int depth,
                             int indent, int wrapWidth);
    /// Escapes '"', '&', '<' and '>' as references, keeps printable bytes and writes
    /// every other byte as "&#x<hex>;".
    static void escape(QByteArray &out, const QByteArray &bytes);
};
