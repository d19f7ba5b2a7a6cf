#include "solution.h"

#include "projectelement.h"
#include "projectsystem.h"
#include "propertyclass.h"

#include <QDir>
#include <QFileInfo>

#include <vector>

SolutionLoadError::SolutionLoadError(const QString &fileName, const QString &message,
                                     int line, int column, const QString &detail)
    : m_fileName(fileName), m_message(message), m_line(line), m_column(column),
      m_detail(detail), m_what(text().toUtf8())
{
}

QString SolutionLoadError::text() const
{
    QString result = m_message;
    if (m_line > 0) {
        result += QStringLiteral(": line %1").arg(m_line);
        if (m_column >= 0)
            result += QStringLiteral(", column %1").arg(m_column);
    }
    if (!m_detail.isEmpty())
        result += (m_line > 0 ? ": " : " (") + m_detail + (m_line > 0 ? "" : ")");
    return result;
}

const char *SolutionLoadError::what() const noexcept
{
    return m_what.constData();
}

Solution::Solution(ProjectSystem *system, const QString &absolutePath)
    : m_system(system), m_path(absolutePath)
{
    m_document.setElementFactory([this](const QByteArray &tag) {
        return std::make_unique<ProjectElement>(tag, m_system, &m_document);
    });
}

Solution::~Solution() = default;

QString Solution::directory() const
{
    return QFileInfo(m_path).absolutePath();
}

ProjectElement *Solution::root() const
{
    return static_cast<ProjectElement *>(m_document.root());
}

// The document type is checked before well-formedness: a file that is not ours is
// reported as such even when it is also broken.
void Solution::load(const QString &displayName)
{
    const bool readOk = m_document.readFile(m_path);
    if (m_document.documentType() != documentTypeName)
        throw SolutionLoadError(displayName, displayName + " not a solution file");
    if (!readOk) {
        throw SolutionLoadError(displayName,
                                displayName + " is a malformed solution file (bad XML)",
                                m_document.errorLine(), m_document.errorColumn(),
                                m_document.errorText());
    }
    if (root()->kind() != NodeKind::Solution) {
        throw SolutionLoadError(displayName,
                                displayName + " is a malformed solution file (bad XML)",
                                root()->line(), -1,
                                "the root element is not a solution element");
    }
    runLoadCommands(displayName);
    checkAttributes();
    setUnmodified();
}

void Solution::runLoadCommands(const QString &displayName)
{
    const ProjectElement *solution = root();
    const QString commands = solution->attributeString("load_command");
    if (commands.isEmpty())
        return;
    m_system->progress(QStringLiteral("Executing load commands"));
    const QStringList environment = solution->attributeString("load_command_environment")
                                        .split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &command : commands.split(QStringLiteral("&&"))) {
        const QString trimmed = command.trimmed();
        if (trimmed.isEmpty())
            continue;
        QString error;
        const QString expanded = m_system->expand(solution, QStringLiteral("Common"), trimmed);
        if (!m_system->runLoadCommand(expanded, environment, directory(), &error))
            throw SolutionLoadError(displayName, error);
    }
}

// Attributes of tree nodes that name no property are reported, not refused: a file
// written by a newer version must still open.
void Solution::checkAttributes()
{
    const PropertyCatalogue &catalogue = m_system->catalogue();
    std::vector<const ProjectElement *> pending{root()};
    while (!pending.empty()) {
        const ProjectElement *element = pending.back();
        pending.pop_back();
        if (element->kind() != NodeKind::None) {
            const XMLAttributeMap &attributes = element->attributes();
            for (auto it = attributes.constBegin(); it != attributes.constEnd(); ++it) {
                if (PropertyCatalogue::isStructuralAttribute(it.key())
                    || catalogue.find(it.key())) {
                    continue;
                }
                m_warnings.append({"Can't find property for attribute '"
                                       + QString::fromUtf8(it.key()) + "' of "
                                       + element->description(),
                                   element->line()});
            }
        }
        // Children go on in reverse so that warnings come out in document order.
        for (XMLNode *child = element->lastChild(); child; child = child->previousSibling()) {
            if (child->isElement())
                pending.push_back(static_cast<const ProjectElement *>(child));
        }
    }
}

bool Solution::save()
{
    ProjectElement *solution = root();
    if (!solution) {
        m_errorText = QStringLiteral("Can't open %1 for writing").arg(m_path);
        return false;
    }
    if (solution->isLinked()) {
        solution->removeAttribute("file_name");
        solution->setLinked(false);
    }
    if (!solution->hasAttribute("target"))
        solution->setAttribute("target", QByteArray::number(m_system->targetNumber()));
    m_document.setDocumentType(documentTypeName);
    if (!m_document.writeFile(m_path, indentUnit, wrapWidth)) {
        m_errorText = QStringLiteral("Can't open %1 for writing").arg(m_path);
        return false;
    }
    m_errorText.clear();
    setUnmodified();
    return true;
}

bool Solution::saveAs(const QString &path)
{
    const QString previous = m_path;
    m_path = QDir::cleanPath(QFileInfo(path).absoluteFilePath());
    if (save())
        return true;
    m_path = previous;
    return false;
}

bool Solution::isModified() const
{
    std::vector<const XMLNode *> pending{root()};
    while (!pending.empty()) {
        const XMLNode *node = pending.back();
        pending.pop_back();
        if (!node)
            continue;
        if (node->isElement() && static_cast<const ProjectElement *>(node)->isModified())
            return true;
        for (XMLNode *child = node->firstChild(); child; child = child->nextSibling())
            pending.push_back(child);
    }
    return false;
}

void Solution::setUnmodified()
{
    std::vector<XMLNode *> pending{root()};
    while (!pending.empty()) {
        XMLNode *node = pending.back();
        pending.pop_back();
        if (!node)
            continue;
        if (node->isElement())
            static_cast<ProjectElement *>(node)->setModified(false);
        for (XMLNode *child = node->firstChild(); child; child = child->nextSibling())
            pending.push_back(child);
    }
}
