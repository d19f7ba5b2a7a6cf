#include "tessaprojecttool.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/propertyclass.h"
#include "projectsystem/solution.h"
#include "qtx/hexception.h"
#include "qtx/toolentry.h"
#include "qtx/toolsupport.h"

#include <QFileInfo>

#include <cstdio>
#include <iostream>
#include <utility>
#include <vector>

namespace {

const char synopsis[] =
    "tree FILE [option]...\n"
    "get FILE NODE PROPERTY [-config NAME] [-trace] [-expand] [option]...\n"
    "set FILE NODE PROPERTY VALUE [-config NAME] [option]...\n"
    "format FILE [OUT] [option]...";

const char notes[] =
    "tree    the solution's tree: kind, name and file name of every node\n"
    "get     the value of a property of a node (NODE: Project/Folder/file, '.' for\n"
    "        the solution)\n"
    "set     sets the value in the node's configuration and saves the solution\n"
    "format  loads and saves the solution (to OUT when given)\n"
    "Loading a solution runs its load commands (through /bin/sh) unless\n"
    "-noloadcommands is given.";

class Options : public QTx::ToolArgParse
{
public:
    Options() : ToolArgParse("tessaproject", synopsis, notes)
    {
        addValue("-config", "NAME", &configuration, "The configuration (default Common)",
                 &configurationGiven);
        addFlag("-trace", &trace, "Also list where each part of the value came from");
        addFlag("-expand", &expand, "Expand the macros in the value");
        addFlag("-noloadcommands", &noLoadCommands,
                "Do not run the solution's load commands");
    }

    QString configuration;
    bool configurationGiven = false;
    bool trace = false;
    bool expand = false;
    bool noLoadCommands = false;
};

void print(const QString &line)
{
    QTx::writeStandardOutput(line.toUtf8() + '\n');
}

void reportWarnings(const Solution &solution)
{
    for (const SolutionLoadWarning &warning : solution.warnings()) {
        std::cerr << "tessaproject: warning: " << warning.message.toUtf8().constData();
        if (warning.line > 0)
            std::cerr << " (line " << warning.line << ")";
        std::cerr << "\n";
    }
}

QString nodeLine(const ProjectElement &node, int depth)
{
    const QString kind = node.kind() == NodeKind::None ? QString::fromUtf8(node.tag())
                                                        : ProjectElement::kindName(node.kind());
    QString line = QString(depth * 2, QLatin1Char(' ')) + kind;
    const QString name = node.name();
    if (!name.isEmpty())
        line += " " + name;
    if (node.hasAttribute("file_name"))
        line += " (" + node.fileName() + ")";
    return line;
}

} // namespace

int TessaProjectTool::run(const QStringList &arguments)
{
    Options options;
    if (const auto status = options.parseCommandLine(arguments))
        return *status;
    if (options.configurationGiven)
        m_configuration = options.configuration;
    m_trace = options.trace;
    m_expand = options.expand;
    m_runLoadCommands = !options.noLoadCommands;

    static const std::pair<const char *, int (TessaProjectTool::*)(const QStringList &)>
        commands[] = {
            {"tree", &TessaProjectTool::tree},
            {"get", &TessaProjectTool::get},
            {"set", &TessaProjectTool::set},
            {"format", &TessaProjectTool::format},
        };
    const QString command = options.positional.first();
    for (const auto &entry : commands) {
        if (command == QLatin1String(entry.first))
            return (this->*entry.second)(options.positional.mid(1));
    }
    throw HException("unknown command " + QTx::quoted(command)
                     + " (use tree, get, set or format)");
}

void TessaProjectTool::expectArguments(const QStringList &positional, int minimum,
                                       int maximum) const
{
    if (positional.size() < minimum)
        throw HException(QStringLiteral("missing arguments (try -help)"));
    if (positional.size() > maximum)
        throw HException("unexpected argument " + QTx::quoted(positional.at(maximum)));
}

Solution *TessaProjectTool::load(ProjectSystem &system, const QString &fileName)
{
    system.setRunLoadCommands(m_runLoadCommands);
    Solution *solution = system.loadSolution(fileName);
    reportWarnings(*solution);
    return solution;
}

// A file may also be named by its file_name, whose own "/" separators then span
// several path components: "App/Source Files/src/main.c".
ProjectElement *TessaProjectTool::findNode(ProjectElement *solution, const QString &path)
{
    QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    ProjectElement *node = solution;
    for (int i = 0; i < parts.size();) {
        ProjectElement *match = nullptr;
        int used = 0;
        for (int count = 1; !match && i + count <= parts.size(); ++count) {
            const QString name = parts.mid(i, count).join(QLatin1Char('/'));
            for (ProjectElement *child = node->firstChildNode(); child && !match;
                 child = child->nextSiblingNode()) {
                if (child->kind() == NodeKind::None || child->isConfiguration())
                    continue;
                if ((count == 1 && child->name() == name) || child->fileName() == name)
                    match = child;
            }
            used = count;
        }
        if (!match)
            throw HException("can't find node " + QTx::quoted(path));
        node = match;
        i += used;
    }
    return node;
}

int TessaProjectTool::tree(const QStringList &positional)
{
    expectArguments(positional, 1, 1);
    StandardProjectSystem system;
    Solution *solution = load(system, positional.at(0));
    std::vector<std::pair<const ProjectElement *, int>> pending{{solution->root(), 0}};
    while (!pending.empty()) {
        const auto [node, depth] = pending.back();
        pending.pop_back();
        QString line = nodeLine(*node, depth);
        if (node == solution->root())
            line += " (" + positional.at(0) + ")";
        print(line);
        std::vector<std::pair<const ProjectElement *, int>> children;
        for (const ProjectElement *child = node->firstChildNode(); child;
             child = child->nextSiblingNode()) {
            children.emplace_back(child, depth + 1);
        }
        pending.insert(pending.end(), children.rbegin(), children.rend());
    }
    return 0;
}

int TessaProjectTool::get(const QStringList &positional)
{
    expectArguments(positional, 3, 3);
    StandardProjectSystem system;
    Solution *solution = load(system, positional.at(0));
    const ProjectElement *node = findNode(solution->root(), positional.at(1));
    const PropertyClass *property = system.propertyClass(positional.at(2));
    if (!property)
        throw HException("unknown property " + QTx::quoted(positional.at(2)));
    PropertyTrace trace;
    const QString value = system.value(node, *property, m_configuration,
                                       m_trace ? &trace : nullptr);
    print(m_expand ? system.expand(node, m_configuration, value) : value);
    for (const PropertyTraceRecord &record : std::as_const(trace)) {
        const QString source = record.node ? record.description : QStringLiteral("default");
        print("  " + source + ": " + record.value);
    }
    return 0;
}

int TessaProjectTool::set(const QStringList &positional)
{
    expectArguments(positional, 4, 4);
    StandardProjectSystem system;
    Solution *solution = load(system, positional.at(0));
    ProjectElement *node = findNode(solution->root(), positional.at(1));
    if (!system.propertyClass(positional.at(2)))
        throw HException("unknown property " + QTx::quoted(positional.at(2)));
    node->setPropertyValue(m_configuration, positional.at(2), positional.at(3));
    if (!solution->save())
        throw HException(solution->errorText());
    return 0;
}

int TessaProjectTool::format(const QStringList &positional)
{
    expectArguments(positional, 1, 2);
    StandardProjectSystem system;
    Solution *solution = load(system, positional.at(0));
    const bool saved = positional.size() == 2 ? solution->saveAs(positional.at(1))
                                              : solution->save();
    if (!saved)
        throw HException(solution->errorText());
    return 0;
}
