#include "projectelement.h"

#include "projectsystem.h"

#include <QDateTime>

namespace {

const QByteArray nameAttribute = "Name";
const QByteArray inheritedAttribute = "inherited_configurations";

} // namespace

ProjectElement::ProjectElement(const QByteArray &tag, ProjectSystem *system,
                               XMLDocument *document)
    : XMLElement(tag), m_kind(kindForTag(tag)), m_projectSystem(system), m_document(document)
{
}

ProjectElement::~ProjectElement()
{
    if (m_projectSystem)
        m_projectSystem->forgetNode(this);
}

NodeKind ProjectElement::kindForTag(const QByteArray &tag)
{
    static const struct { const char *tag; NodeKind kind; } kinds[] = {
        {"solution", NodeKind::Solution}, {"configuration", NodeKind::Configuration},
        {"project", NodeKind::Project},   {"folder", NodeKind::Folder},
        {"file", NodeKind::File},
    };
    for (const auto &entry : kinds) {
        if (tag == entry.tag)
            return entry.kind;
    }
    return NodeKind::None;
}

QString ProjectElement::kindName(NodeKind kind)
{
    switch (kind) {
    case NodeKind::Solution: return QStringLiteral("solution");
    case NodeKind::Configuration: return QStringLiteral("configuration");
    case NodeKind::Project: return QStringLiteral("project");
    case NodeKind::Folder: return QStringLiteral("folder");
    case NodeKind::File: return QStringLiteral("file");
    case NodeKind::None: break;
    }
    return QString();
}

ProjectElement *ProjectElement::parentNode() const
{
    return static_cast<ProjectElement *>(parent());
}

ProjectElement *ProjectElement::firstChildNode() const
{
    return static_cast<ProjectElement *>(firstChildElement());
}

ProjectElement *ProjectElement::nextSiblingNode() const
{
    return static_cast<ProjectElement *>(nextSiblingElement());
}

ProjectElement *ProjectElement::ancestor(NodeKind kind) const
{
    for (const ProjectElement *node = this; node; node = node->parentNode()) {
        if (node->m_kind == kind)
            return const_cast<ProjectElement *>(node);
    }
    return nullptr;
}

bool ProjectElement::isAtOrBelow(const ProjectElement *node) const
{
    for (const ProjectElement *at = this; at; at = at->parentNode()) {
        if (at == node)
            return true;
    }
    return false;
}

QString ProjectElement::name() const
{
    if (m_kind == NodeKind::File && !hasAttribute(nameAttribute)) {
        const QString path = fileName();
        return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    }
    return attributeString(nameAttribute);
}

QString ProjectElement::description() const
{
    const QString kind = m_kind == NodeKind::None ? QString::fromUtf8(tag()) : kindName(m_kind);
    QString text = kind + " '" + name() + "'";
    if (m_kind == NodeKind::Configuration && parentNode())
        text += " of " + parentNode()->description();
    return text;
}

void ProjectElement::setModified(bool modified)
{
    m_modified = modified;
    if (modified)
        m_timeStamp = QDateTime::currentMSecsSinceEpoch();
}

bool ProjectElement::isTracking() const
{
    return m_projectSystem && m_projectSystem->isTracking();
}

void ProjectElement::invalidateTables() const
{
    m_configurationsValid = false;
}

void ProjectElement::rebuildConfigurationTable() const
{
    m_configurations.clear();
    m_inherited.clear();
    for (ProjectElement *child = firstChildNode(); child; child = child->nextSiblingNode()) {
        if (!child->isConfiguration())
            continue;
        const QString name = child->attributeString(nameAttribute);
        if (m_configurations.contains(name))
            continue;  // the first of two equally named configurations wins
        m_configurations.insert(name, child);
        const QStringList inherited = child->attributeString(inheritedAttribute)
                                          .split(QLatin1Char(';'), Qt::SkipEmptyParts);
        if (!inherited.isEmpty())
            m_inherited.insert(name, inherited);
    }
    m_configurationsValid = true;
}

ProjectElement *ProjectElement::configuration(const QString &name) const
{
    if (!m_configurationsValid)
        rebuildConfigurationTable();
    return m_configurations.value(name);
}

bool ProjectElement::hasConfigurations() const
{
    if (!m_configurationsValid)
        rebuildConfigurationTable();
    return !m_configurations.isEmpty();
}

QStringList ProjectElement::configurationNames() const
{
    QStringList names;
    for (ProjectElement *child = firstChildNode(); child; child = child->nextSiblingNode()) {
        if (child->isConfiguration())
            names.append(child->attributeString(nameAttribute));
    }
    return names;
}

QStringList ProjectElement::inheritedConfigurations(const QString &name) const
{
    if (!m_configurationsValid)
        rebuildConfigurationTable();
    return m_inherited.value(name);
}

ProjectElement *ProjectElement::ensureConfiguration(const QString &name)
{
    if (ProjectElement *existing = configuration(name))
        return existing;
    auto element = std::make_unique<ProjectElement>("configuration", m_projectSystem, m_document);
    element->setName(name);
    XMLNode *after = nullptr;
    for (XMLNode *child = firstChild(); child; child = child->nextSibling()) {
        if (child->isElement() && static_cast<ProjectElement *>(child)->isConfiguration())
            after = child;
    }
    return insertChild(std::move(element), after);
}

bool ProjectElement::ownPropertyValue(const QString &configurationName,
                                      const QString &saveName, QString *value) const
{
    const ProjectElement *element = configuration(configurationName);
    if (!element)
        return false;
    const QByteArray key = saveName.toUtf8();
    if (!element->hasAttribute(key))
        return false;
    *value = element->attributeString(key);
    return true;
}

void ProjectElement::setPropertyValue(const QString &configurationName,
                                      const QString &saveName, const QString &value)
{
    ProjectElement *element = ensureConfiguration(configurationName);
    element->setAttribute(saveName.toUtf8(), value);
    element->setModified(true);
    setModified(true);
    if (isTracking())
        m_projectSystem->recordChange(this, configurationName, saveName);
}

bool ProjectElement::removePropertyValue(const QString &configurationName,
                                         const QString &saveName)
{
    ProjectElement *element = configuration(configurationName);
    if (!element || !element->removeAttribute(saveName.toUtf8()))
        return false;
    element->setModified(true);
    setModified(true);
    if (isTracking())
        m_projectSystem->recordChange(this, configurationName, saveName);
    return true;
}

void ProjectElement::attributeChanged(const QByteArray &name, bool valueChanged)
{
    if (isConfiguration() && (name == nameAttribute || name == inheritedAttribute)
        && parentNode()) {
        parentNode()->invalidateTables();
    }
    if (valueChanged && isTracking())
        setModified(true);
}

void ProjectElement::childrenChanged(XMLNode *child)
{
    if (child->isElement() && static_cast<ProjectElement *>(child)->isConfiguration())
        invalidateTables();
    if (isTracking())
        setModified(true);
}
