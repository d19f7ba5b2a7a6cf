#pragma once

#include "xmlnode.h"

#include <QHash>
#include <QString>
#include <QStringList>

class ProjectSystem;
class XMLDocument;

/// What a project-tree element is, decided once from its tag. Elements with other tags
/// ("import", "propertygroup", ...) have no kind: they keep their tag, attributes and
/// children and are written back unchanged.
enum class NodeKind {
    None = -1,
    Solution = 0,
    Configuration = 1,
    Project = 2,
    Folder = 3,
    File = 4,
};

/// An element of a solution document and a node of the project tree. Its attributes
/// hold the node's name ("Name", or "file_name" for files) and property values; its
/// child "configuration" elements hold the property values per configuration.
///
/// Edits mark the element modified while its project system tracks changes, and
/// property edits through setPropertyValue() are recorded with the project system so
/// that the build can tell which outputs a changed setting affects.
class ProjectElement : public XMLElement
{
public:
    ProjectElement(const QByteArray &tag, ProjectSystem *system, XMLDocument *document);
    ~ProjectElement() override;

    static NodeKind kindForTag(const QByteArray &tag);
    /// "solution", "configuration", ... or the tag for elements without a kind.
    static QString kindName(NodeKind kind);

    NodeKind kind() const { return m_kind; }
    bool isConfiguration() const { return m_kind == NodeKind::Configuration; }
    ProjectSystem *projectSystem() const { return m_projectSystem; }
    XMLDocument *document() const { return m_document; }

    /// Tree navigation over elements; every element of a solution document is a
    /// ProjectElement.
    ProjectElement *parentNode() const;
    ProjectElement *firstChildNode() const;
    ProjectElement *nextSiblingNode() const;
    /// The nearest element of `kind` at or above this one, or nullptr.
    ProjectElement *ancestor(NodeKind kind) const;
    ProjectElement *project() const { return ancestor(NodeKind::Project); }
    ProjectElement *solution() const { return ancestor(NodeKind::Solution); }
    /// True when `node` is this element or one of its ancestors.
    bool isAtOrBelow(const ProjectElement *node) const;

    /// The "Name" attribute; for a file without one, the last component of "file_name".
    QString name() const;
    QString fileName() const { return attributeString("file_name"); }
    void setName(const QString &name) { setAttribute("Name", name); }
    void setFileName(const QString &fileName) { setAttribute("file_name", fileName); }
    /// "project 'App'", "file 'main.c'", "configuration 'Debug' of project 'App'".
    QString description() const;

    bool isModified() const { return m_modified; }
    void setModified(bool modified);
    /// Milliseconds since the epoch of the last modification (0: never modified).
    qint64 timeStamp() const { return m_timeStamp; }
    /// A solution element whose content was read from the file its "file_name" names
    /// (relative to the file that links it). Saving removes the marker and the
    /// "file_name", so that the content is written inline.
    bool isLinked() const { return m_linked; }
    void setLinked(bool linked) { m_linked = linked; }

    /// The child configuration element named `name` (exact, case-sensitive), or nullptr.
    ProjectElement *configuration(const QString &name) const;
    bool hasConfigurations() const;
    /// Names of the child configuration elements in document order.
    QStringList configurationNames() const;
    /// The child configuration `name`, created (after the last configuration child, or
    /// first) when missing.
    ProjectElement *ensureConfiguration(const QString &name);
    /// The names the configuration `name` of this element inherits from, from its
    /// "inherited_configurations" attribute split at ";" without empty entries.
    QStringList inheritedConfigurations(const QString &name) const;

    /// This element's own value in a configuration (no resolution); false when unset.
    bool ownPropertyValue(const QString &configuration, const QString &saveName,
                          QString *value) const;
    /// Sets a value in a configuration, creating the configuration child when missing;
    /// marks the element modified and records the change while changes are tracked.
    void setPropertyValue(const QString &configuration, const QString &saveName,
                          const QString &value);
    /// False when the configuration held no such value.
    bool removePropertyValue(const QString &configuration, const QString &saveName);

protected:
    void attributeChanged(const QByteArray &name, bool valueChanged) override;
    void childrenChanged(XMLNode *child) override;

private:
    void invalidateTables() const;
    void rebuildConfigurationTable() const;
    bool isTracking() const;

    NodeKind m_kind;
    ProjectSystem *m_projectSystem;
    XMLDocument *m_document;
    bool m_modified = false;
    bool m_linked = false;
    qint64 m_timeStamp = 0;
    // Rebuilt on demand after the configuration children or their names change.
    mutable QHash<QString, ProjectElement *> m_configurations;
    mutable QHash<QString, QStringList> m_inherited;
    mutable bool m_configurationsValid = false;
};
