#pragma once

#include <QByteArray>

class XMLDocument;

/// The document reader: a single forward scan over the bytes with an explicit stack of
/// open elements, so the depth of a document costs heap, not call stack.
///
/// What it accepts: an optional UTF-8 byte-order mark, the XML declaration (its version
/// and encoding are kept), other processing instructions (skipped), a document type
/// declaration (its name is kept, an internal subset is skipped), comments, character
/// data sections, elements, attributes in double or single quotes or without a value,
/// and text. Text that is only white space is dropped; the writer re-creates the layout.
///
/// References "&gt;", "&lt;", "&quot;", "&amp;", "&apos;", "&#DDD;" and "&#xHH;" decode
/// to one byte, the low 8 bits of their value; an "&" that starts none of them is kept
/// literally. Element and attribute text stays bytes (UTF-8 in solution files).
class XMLReader
{
public:
    /// Elements nested deeper than this are refused ("elements nested too deeply"):
    /// no real project file comes close, and it bounds the work of every later pass.
    static constexpr int maxDepth = 1000;

    /// Parses `bytes` into `document` (cleared first). False on malformed input, with
    /// the document's error text and line set; the document type read before the
    /// failure is kept.
    static bool read(const QByteArray &bytes, XMLDocument *document);

    /// Decodes the references in [begin, end).
    static QByteArray decode(const char *begin, const char *end);
};
