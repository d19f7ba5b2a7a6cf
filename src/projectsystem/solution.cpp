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
    m_document.setElementFactory([this](const QByteArray &tag) { return createNode(tag); });
}

Solution::~Solution() = default;

// Every element, also those read from a linked file, belongs to this solution's document:
// that is how the project system finds the solution of a node.
std::unique_ptr<XMLElement> Solution::createNode(const QByteArray &tag)
{
    return std::make_unique<ProjectElement>(tag, m_system, &m_document);
}

QString Solution::directory() const
{
    return QFileInfo(m_path).absolutePath();
}

ProjectElement *Solution::root() const
{
    return static_cast<ProjectElement *>(m_document.root());
}

void Solution::checkReadable(const QString &path, const QString &displayName,
                             const QString &detail)
{
    const QFileInfo info(path);
    if (!info.exists())
        throw SolutionLoadError(displayName, displayName + " does not exist", 0, -1, detail);
    // Only regular files: a device or a pipe could feed the reader without end.
    QFile probe(path);
    if (!info.isFile() || !probe.open(QIODevice::ReadOnly))
        throw SolutionLoadError(displayName, displayName + " cannot access", 0, -1, detail);
}

// Load order: the file's own tree, its load commands, then the files it links, so that a
// load command may generate a linked file before it is read.
void Solution::load(const QString &displayName)
{
    readDocument(m_document, m_path, displayName);
    runLoadCommands(*root(), root(), directory(), displayName);
    QStringList chain{QFileInfo(m_path).canonicalFilePath()};
    m_linkedFiles = 0;
    linkSolutions(root(), m_path, chain);
    checkAttributes();
    setUnmodified();
}

// The document type is checked before well-formedness: a file that is not ours is
// reported as such even when it is also broken.
void Solution::readDocument(XMLDocument &document, const QString &path,
                            const QString &displayName)
{
    const bool readOk = document.readFile(path);
    if (document.documentType() != documentTypeName)
        throw SolutionLoadError(displayName, displayName + " not a solution file");
    const QString malformed = displayName + " is a malformed solution file (bad XML)";
    if (!readOk) {
        throw SolutionLoadError(displayName, malformed, document.errorLine(),
                                document.errorColumn(), document.errorText());
    }
    const auto *top = static_cast<const ProjectElement *>(document.root());
    if (top->kind() != NodeKind::Solution) {
        throw SolutionLoadError(displayName, malformed, top->line(), -1,
                                "the root element is not a solution element");
    }
}

// `source` holds the "load_command" attributes (the root of the file being loaded);
// `node` is where the commands' macros come from.
void Solution::runLoadCommands(const XMLElement &source, const ProjectElement *node,
                               const QString &directory, const QString &displayName)
{
    const QString commands = source.attributeString("load_command");
    if (commands.isEmpty() || !m_system->runsLoadCommands())
        return;
    m_system->progress(QStringLiteral("Executing load commands"));
    const QStringList environment = source.attributeString("load_command_environment")
                                        .split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (const QString &command : commands.split(QStringLiteral("&&"))) {
        const QString trimmed = command.trimmed();
        if (trimmed.isEmpty())
            continue;
        QString error;
        const QString expanded = m_system->expand(node, QStringLiteral("Common"), trimmed);
        if (!m_system->runLoadCommand(expanded, environment, directory, &error))
            throw SolutionLoadError(displayName, error);
    }
}

// Links the solution elements with a "file_name" below `top`, in document order; their
// names count from the directory of `filePath`, the file `top`'s content came from. The
// search does not descend into a linking element: everything below it counts from the
// file it links, and is handled when that file is linked.
void Solution::linkSolutions(ProjectElement *top, const QString &filePath, QStringList &chain)
{
    std::vector<ProjectElement *> links;
    std::vector<ProjectElement *> pending;
    const auto pushChildren = [&pending](const ProjectElement *element) {
        for (XMLNode *child = element->lastChild(); child; child = child->previousSibling()) {
            if (child->isElement())
                pending.push_back(static_cast<ProjectElement *>(child));
        }
    };
    pushChildren(top);
    while (!pending.empty()) {
        ProjectElement *element = pending.back();
        pending.pop_back();
        if (element->kind() == NodeKind::Solution && !element->fileName().isEmpty())
            links.push_back(element);
        else
            pushChildren(element);
    }
    for (ProjectElement *element : links)
        linkSolution(element, filePath, chain);
}

// `chain` holds the canonical paths of the files being linked, outermost first: finding
// the new file among them means it would link itself for ever.
void Solution::linkSolution(ProjectElement *element, const QString &includingPath,
                            QStringList &chain)
{
    const QString path =
        QDir::cleanPath(QFileInfo(includingPath).dir().absoluteFilePath(element->fileName()));
    const QString linkedFrom =
        QStringLiteral("linked from %1, line %2").arg(includingPath).arg(element->line());
    checkReadable(path, path, linkedFrom);
    const QString canonical = QFileInfo(path).canonicalFilePath();
    const int cycleStart = chain.indexOf(canonical);
    if (cycleStart >= 0) {
        QStringList names;
        for (int i = cycleStart; i < chain.size(); ++i)
            names.append(QFileInfo(chain.at(i)).fileName());
        names.append(QFileInfo(canonical).fileName());
        throw SolutionLoadError(path, path + " is linked in a cycle (" + names.join(" -> ") + ")",
                                0, -1, linkedFrom);
    }
    if (chain.size() > maxLinkDepth) {
        throw SolutionLoadError(
            path, path + QStringLiteral(" is linked more than %1 files deep").arg(maxLinkDepth),
            0, -1, linkedFrom);
    }
    if (++m_linkedFiles > maxLinkedFiles) {
        throw SolutionLoadError(
            path,
            path + QStringLiteral(" is more than %1 linked files in one load").arg(maxLinkedFiles),
            0, -1, linkedFrom);
    }
    m_system->progress("Loading solution " + QFileInfo(path).fileName());
    XMLDocument linked;
    linked.setElementFactory([this](const QByteArray &tag) { return createNode(tag); });
    readDocument(linked, path, path);
    auto *linkedRoot = static_cast<ProjectElement *>(linked.root());
    // The nested solution is known by the linked file's name unless the link names it.
    if (!element->hasAttribute("Name") && linkedRoot->hasAttribute("Name"))
        element->setAttribute("Name", linkedRoot->attribute("Name"));
    while (XMLNode *child = linkedRoot->firstChild())
        element->appendChild(linkedRoot->takeChild(child));
    element->setLinked(true);
    runLoadCommands(*linkedRoot, element, QFileInfo(path).absolutePath(), path);
    chain.append(canonical);
    linkSolutions(element, path, chain);
    chain.removeLast();
}

// Attributes of tree nodes that name no property are reported, not refused: a file
// written by a newer version must still open.
// Warnings about content read from a linked file name that file, since their lines are
// lines of it.
void Solution::checkAttributes()
{
    const PropertyCatalogue &catalogue = m_system->catalogue();
    std::vector<std::pair<const ProjectElement *, QString>> pending{{root(), QString()}};
    while (!pending.empty()) {
        const auto [element, linkedFile] = pending.back();
        pending.pop_back();
        const XMLAttributeMap &attributes = element->attributes();
        for (auto it = attributes.constBegin();
             element->kind() != NodeKind::None && it != attributes.constEnd(); ++it) {
            if (PropertyCatalogue::isStructuralAttribute(it.key()) || catalogue.find(it.key()))
                continue;
            QString message = "Can't find property for attribute '"
                              + QString::fromUtf8(it.key()) + "' of " + element->description();
            if (!linkedFile.isEmpty())
                message += " in " + linkedFile;
            m_warnings.append({message, element->line()});
        }
        const QString childFile =
            element->isLinked() && element != root() ? m_system->solutionFilePath(element)
                                                     : linkedFile;
        // Children go on in reverse so that warnings come out in document order.
        for (XMLNode *child = element->lastChild(); child; child = child->previousSibling()) {
            if (child->isElement())
                pending.emplace_back(static_cast<const ProjectElement *>(child), childFile);
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
    unlinkSolutions();
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

// A linked solution is saved inline: its element loses the "file_name" that located the
// linked file and its marker, and its content is written into this file. From then on it
// is an ordinary nested solution, also for the paths that count from its file.
void Solution::unlinkSolutions()
{
    std::vector<ProjectElement *> pending{root()};
    while (!pending.empty()) {
        ProjectElement *element = pending.back();
        pending.pop_back();
        if (element->isLinked()) {
            element->removeAttribute("file_name");
            element->setLinked(false);
        }
        for (ProjectElement *child = element->firstChildNode(); child;
             child = child->nextSiblingNode()) {
            pending.push_back(child);
        }
    }
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
