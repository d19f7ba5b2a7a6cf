#include "tessaprojecttool.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/propertyclass.h"
#include "projectsystem/solution.h"
#include "qtx/argparse.h"
#include "qtx/diagnosticsink.h"
#include "qtx/hexception.h"
#include "qtx/version.h"

#include <QFileInfo>

#include <cstdio>
#include <iostream>
#include <utility>
#include <vector>

namespace {

const char usage[] =
    "usage: tessaproject COMMAND ARGUMENTS... [options]\n"
    "commands:\n"
    "  tree FILE\n"
    "      the solution's tree: kind, name and file name of every node\n"
    "  get FILE NODE PROPERTY [-config NAME] [-trace] [-expand]\n"
    "      the value of a property of a node (NODE: Project/Folder/file, '.' for\n"
    "      the solution)\n"
    "  set FILE NODE PROPERTY VALUE [-config NAME]\n"
    "      sets the value in the node's configuration and saves the solution\n"
    "  format FILE [OUT]\n"
    "      loads and saves the solution (to OUT when given)\n"
    "options:\n"
    "  -help          show this text\n"
    "  -config NAME   the configuration (default Common)\n"
    "  -trace         also list where each part of the value came from\n"
    "  -expand        expand the macros in the value\n";

class Options : public QTx::ArgParse
{
public:
    explicit Options(DiagnosticSink *sink) : ArgParse(sink)
    {
        addOption("-help", Kind::NoArgument, nullptr, &help);
        addOption("-config", Kind::NextArgument, &configuration, &configurationGiven);
        addOption("-trace", Kind::NoArgument, nullptr, &trace);
        addOption("-expand", Kind::NoArgument, nullptr, &expand);
    }

    QStringList positional;
    QString configuration;
    bool configurationGiven = false;
    bool help = false;
    bool trace = false;
    bool expand = false;

protected:
    void handleArgument(const QString &argument) override { positional.append(argument); }
};

void print(const QString &line)
{
    const QByteArray bytes = line.toUtf8() + '\n';
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
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

QByteArray TessaProjectTool::usageText()
{
    return Version::banner("tessaproject") + usage;
}

int TessaProjectTool::run(const QStringList &arguments)
{
    DiagnosticSink *sink = DiagnosticSink::instance();
    Options options(sink);
    const int errorsBefore = sink->errorCount();
    options.parse(arguments, 1);
    if (sink->errorCount() != errorsBefore)
        return 1;
    if (options.help) {
        const QByteArray text = usageText();
        std::cerr.write(text.constData(), text.size());
        return 0;
    }
    if (options.configurationGiven)
        m_configuration = options.configuration;
    m_trace = options.trace;
    m_expand = options.expand;

    static const std::pair<const char *, int (TessaProjectTool::*)(const QStringList &)>
        commands[] = {
            {"tree", &TessaProjectTool::tree},
            {"get", &TessaProjectTool::get},
            {"set", &TessaProjectTool::set},
            {"format", &TessaProjectTool::format},
        };
    try {
        if (options.positional.isEmpty())
            throw HException("no command given; try -help");
        const QString command = options.positional.first();
        for (const auto &entry : commands) {
            if (command == QLatin1String(entry.first))
                return (this->*entry.second)(options.positional.mid(1));
        }
        throw HException("unknown command '" + command + "'; try -help");
    } catch (const SolutionLoadError &error) {
        sink->error() << error.text() << std::endl;
    } catch (const HException &error) {
        sink->error() << error.message() << std::endl;
    }
    return 1;
}

void TessaProjectTool::expectArguments(const QStringList &positional, int minimum,
                                       int maximum) const
{
    if (positional.size() < minimum)
        throw HException(QStringLiteral("missing arguments; try -help"));
    if (positional.size() > maximum)
        throw HException("unexpected argument '" + positional.at(maximum) + "'");
}

Solution *TessaProjectTool::load(ProjectSystem &system, const QString &fileName)
{
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
            throw HException("can't find node '" + path + "'");
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
        throw HException("unknown property '" + positional.at(2) + "'");
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
        throw HException("unknown property '" + positional.at(2) + "'");
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
