#pragma once

#include <QByteArray>
#include <QString>

#include <functional>
#include <memory>

class XMLElement;

/// A parsed XML document of the code base's own model: the optional declaration
/// (version and encoding), the document type name and one root element. Text is held
/// as bytes. Reading never throws: a failure leaves an error text and its line, and
/// whatever was read before the failure (the document type in particular) stays
/// available, so callers can tell "not our kind of file" from "broken file".
class XMLDocument
{
public:
    /// Makes the element for a tag; lets a model (the project tree) choose its own
    /// element classes. The default makes plain XMLElements.
    using ElementFactory = std::function<std::unique_ptr<XMLElement>(const QByteArray &tag)>;

    XMLDocument();
    ~XMLDocument();
    XMLDocument(const XMLDocument &) = delete;
    XMLDocument &operator=(const XMLDocument &) = delete;

    void setElementFactory(const ElementFactory &factory) { m_factory = factory; }
    std::unique_ptr<XMLElement> createElement(const QByteArray &tag) const;

    const QByteArray &version() const { return m_version; }
    void setVersion(const QByteArray &version) { m_version = version; }
    const QByteArray &encoding() const { return m_encoding; }
    void setEncoding(const QByteArray &encoding) { m_encoding = encoding; }
    const QByteArray &documentType() const { return m_documentType; }
    void setDocumentType(const QByteArray &name) { m_documentType = name; }

    XMLElement *root() const { return m_root.get(); }
    /// Destroys the previous root. Returns the new one.
    XMLElement *setRoot(std::unique_ptr<XMLElement> root);

    /// Replaces the contents with the parsed bytes; false on malformed XML.
    bool read(const QByteArray &bytes);
    /// read() of a whole file; "couldn't read <path>" when it cannot be opened.
    bool readFile(const QString &path);

    /// The document as text, with `indent` spaces per level and attribute wrapping at
    /// `wrapWidth` columns (0: never wrap).
    QByteArray write(int indent, int wrapWidth) const;
    /// write() into a file opened for binary writing, through a temporary file in the
    /// same directory that is renamed over the target. On failure the error text is
    /// "couldn't write <path>" and the file is left as it was; a target that exists but
    /// is no regular file (a directory, a device, a pipe) is refused.
    bool writeFile(const QString &path, int indent, int wrapWidth);

    const QString &errorText() const { return m_errorText; }
    int errorLine() const { return m_errorLine; }
    int errorColumn() const { return m_errorColumn; }
    bool hasError() const { return !m_errorText.isEmpty(); }
    void setError(const QString &text, int line = 0, int column = -1);
    void clear();

private:
    ElementFactory m_factory;
    QByteArray m_version;
    QByteArray m_encoding;
    QByteArray m_documentType;
    std::unique_ptr<XMLElement> m_root;
    QString m_errorText;
    int m_errorLine = 0;
    int m_errorColumn = -1;
};
