#include "xmldocument.h"

#include "xmlnode.h"
#include "xmlreader.h"
#include "xmlwriter.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

XMLDocument::XMLDocument() = default;
XMLDocument::~XMLDocument() = default;

std::unique_ptr<XMLElement> XMLDocument::createElement(const QByteArray &tag) const
{
    return m_factory ? m_factory(tag) : std::make_unique<XMLElement>(tag);
}

XMLElement *XMLDocument::setRoot(std::unique_ptr<XMLElement> root)
{
    m_root = std::move(root);
    return m_root.get();
}

void XMLDocument::setError(const QString &text, int line, int column)
{
    m_errorText = text;
    m_errorLine = line;
    m_errorColumn = column;
}

void XMLDocument::clear()
{
    m_version.clear();
    m_encoding.clear();
    m_documentType.clear();
    m_root.reset();
    setError(QString());
}

bool XMLDocument::read(const QByteArray &bytes)
{
    return XMLReader::read(bytes, this);
}

bool XMLDocument::readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        clear();
        setError(QStringLiteral("couldn't read %1").arg(path));
        return false;
    }
    return read(file.readAll());
}

QByteArray XMLDocument::write(int indent, int wrapWidth) const
{
    return XMLWriter::write(*this, indent, wrapWidth);
}

// Written through a save file (a temporary file in the target's directory, renamed over
// the target on commit): a failed write never leaves half a solution behind. Renaming
// over a device or a pipe would replace it with a regular file, so only regular files
// (or a symbolic link to one, whose target is written) and missing paths are written.
bool XMLDocument::writeFile(const QString &path, int indent, int wrapWidth)
{
    const QFileInfo target(path);
    QSaveFile file(path);
    if ((target.exists() && !target.isFile()) || !file.open(QIODevice::WriteOnly)) {
        setError(QStringLiteral("couldn't write %1").arg(path));
        return false;
    }
    const QByteArray bytes = write(indent, wrapWidth);
    if (file.write(bytes) != bytes.size() || !file.commit()) {
        setError(QStringLiteral("couldn't write %1").arg(path));
        return false;
    }
    setError(QString());
    return true;
}
