#include "tessabuildtool.h"

#include "build/buildlog.h"
#include "build/builder.h"
#include "build/exportbuilder.h"
#include "build/jobplanner.h"
#include "build/projectsystembuilder.h"
#include "build/standardbuildsystem.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/solution.h"
#include "qtx/hexception.h"
#include "qtx/toolentry.h"
#include "qtx/toolsupport.h"

#include <QSet>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

const char synopsis[] =
    "SOLUTION [NODE] [-config NAME] [-clean|-rebuild|-check|-export FILE.mak] [option]...";

const char notes[] =
    "NODE names a project, folder or file below the solution (\"App/Source Files/main.c\");\n"
    "the whole solution by default. The log shows each step whole once it has ended; the\n"
    "last line is \"Build up to date\", \"Build complete\", \"Build failed\" or\n"
    "\"Build terminated\". Exit status: 0 up to date or complete, 1 failed or an error\n"
    "reported, 130 terminated (SIGINT, SIGTERM). -check prints \"Project up to date\"\n"
    "(status 0) or \"out of date\" (status 1) and runs nothing.";

class TessaBuildArgParse : public QTx::ToolArgParse
{
public:
    TessaBuildArgParse() : ToolArgParse("tessabuild", synopsis, notes)
    {
        addValue("-config", "NAME", &configuration,
                 "The build configuration (needed when there are several)");
        addFlag("-clean", &clean, "Delete the outputs instead of building");
        addFlag("-rebuild", &rebuild, "Build everything regardless of the outputs' times");
        addFlag("-check", &check, "Only tell whether the build is up to date");
        addValue("-j", "N", &buildSlots,
                 "Build slots: commands run at once (0 = one per processor)");
        addFlag("-keepgoing", &keepGoing, "Go on building after a failed step");
        addFlag("-echo", &echo, "Show each command line");
        addFlag("-verbose", &verbose, "Also show the informational up-to-date messages");
        addValue("-export", "FILE.mak", &exportFile,
                 "Write the build's steps as a makefile instead of running them");
    }

    QString configuration;
    QString buildSlots = QStringLiteral("0");
    QString exportFile;
    bool clean = false;
    bool rebuild = false;
    bool check = false;
    bool keepGoing = false;
    bool echo = false;
    bool verbose = false;
};

volatile std::sig_atomic_t stopRequested = 0;

extern "C" void requestStop(int)
{
    stopRequested = 1;
}

// SIGINT and SIGTERM end the build the way a cancel does; the previous handlers come
// back when the build is over.
class StopSignals
{
public:
    StopSignals()
    {
        stopRequested = 0;
        struct sigaction action = {};
        action.sa_handler = requestStop;
        sigemptyset(&action.sa_mask);
        sigaction(SIGINT, &action, &m_previous[0]);
        sigaction(SIGTERM, &action, &m_previous[1]);
    }
    ~StopSignals()
    {
        sigaction(SIGINT, &m_previous[0], nullptr);
        sigaction(SIGTERM, &m_previous[1], nullptr);
    }
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

private:
    struct sigaction m_previous[2];
};

void print(const QString &line)
{
    QTx::writeStandardOutput(line.toUtf8() + '\n');
}

// "[done/total] title" on one terminal line, redrawn as jobs start and finish; cleared
// while the log prints a group.
class ProgressLine : public Idler
{
public:
    explicit ProgressLine(bool enabled) : m_enabled(enabled) {}

    void jobsCounted(int totalSteps) override
    {
        m_total = totalSteps;
        draw();
    }
    void jobStarted(const ProjectElement *, const QString &title, const QString &,
                    int) override
    {
        m_title = title;
        draw();
    }
    void jobFinished(const ProjectElement *, const QString &) override
    {
        m_done = std::min(m_done + 1, m_total);
        draw();
    }
    void clear()
    {
        if (m_enabled && m_shown) {
            fputs("\r\033[K", stderr);
            fflush(stderr);
            m_shown = false;
        }
    }
    /// Draws the line again after the log has printed over it.
    void restore()
    {
        if (m_enabled && !m_shown)
            draw();
    }
    void draw()
    {
        if (!m_enabled)
            return;
        fprintf(stderr, "\r[%d/%d] %s\033[K", m_done, m_total, m_title.toLocal8Bit().constData());
        fflush(stderr);
        m_shown = true;
    }

private:
    bool m_enabled;
    bool m_shown = false;
    int m_total = 0;
    int m_done = 0;
    QString m_title;
};

void collectConfigurations(const ProjectElement *node, QStringList *names)
{
    for (const ProjectElement *child = node->firstChildNode(); child;
         child = child->nextSiblingNode()) {
        if (child->isConfiguration()) {
            if (!names->contains(child->name()) && child->name() != QLatin1String("Common"))
                names->append(child->name());
        } else {
            collectConfigurations(child, names);
        }
    }
}

} // namespace

ProjectElement *TessaBuildTool::findNode(ProjectElement *solution, const QString &path)
{
    QStringList parts = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
    parts.removeAll(QStringLiteral("."));
    ProjectElement *node = solution;
    // Names are matched one part at a time; a file's file_name may span several.
    while (!parts.isEmpty()) {
        ProjectElement *match = nullptr;
        int used = 0;
        for (ProjectElement *child = node->firstChildNode(); child && !match;
             child = child->nextSiblingNode()) {
            if (child->kind() == NodeKind::None || child->isConfiguration())
                continue;
            for (int count = 1; count <= parts.size() && !match; ++count) {
                const QString name = parts.mid(0, count).join(QLatin1Char('/'));
                if ((count == 1 && child->name() == name) || child->fileName() == name) {
                    match = child;
                    used = count;
                }
            }
        }
        if (!match)
            throw HException("no node " + QTx::quoted(path) + " in the solution");
        node = match;
        parts = parts.mid(used);
    }
    return node;
}

QString TessaBuildTool::chooseConfiguration(const ProjectElement *solution,
                                            const QString &requested)
{
    QStringList names;
    collectConfigurations(solution, &names);
    if (!requested.isEmpty()) {
        if (!names.contains(requested))
            throw HException("no configuration " + QTx::quoted(requested)
                             + " in the solution (it has " + names.join(QStringLiteral(", "))
                             + ")");
        return requested;
    }
    if (names.isEmpty())
        return QStringLiteral("Common");
    if (names.size() > 1)
        throw HException("the solution has several configurations ("
                         + names.join(QStringLiteral(", ")) + "): choose one with -config");
    return names.first();
}

int TessaBuildTool::run(const QStringList &arguments)
{
    TessaBuildArgParse options;
    if (const auto status = options.parseCommandLine(arguments))
        return *status;
    if (options.positional.size() > 2)
        throw HException("unexpected argument " + QTx::quoted(options.positional.at(2)));
    if (int(options.clean) + int(options.rebuild) + int(options.check)
            + int(!options.exportFile.isEmpty()) > 1)
        throw HException(QStringLiteral("-clean, -rebuild, -check and -export exclude each other"));
    const int requestedSlots =
        int(QTx::parseNumber(options.buildSlots, 0, 1000000, QStringLiteral("slot count")));

    StandardProjectSystem projects;
    Solution *solution = projects.loadSolution(options.positional.at(0));
    ProjectElement *node = findNode(solution->root(), options.positional.value(1));
    const QString configuration = chooseConfiguration(solution->root(), options.configuration);
    const QList<ProjectElement *> nodes = ProjectSystemBuilder::requestNodes(projects, node, configuration);
    StandardBuildSystem system(&projects);

    if (options.check)
        return check(system, nodes, configuration);
    if (!options.exportFile.isEmpty())
        return exportMakefile(system, nodes, configuration, options.exportFile);
    quint32 buildOptions = 0;
    if (options.clean)
        buildOptions = ProjectJob::Clean | ProjectJob::Rebuild | ProjectJob::StopAfterClean
                       | ProjectJob::Quiet;
    else if (options.rebuild)
        buildOptions = ProjectJob::Rebuild | ProjectJob::Quiet;
    else if (!options.verbose)
        buildOptions = ProjectJob::Quiet;
    if (options.keepGoing)
        buildOptions |= ProjectJob::KeepGoing;
    if (options.echo)
        buildOptions |= ProjectJob::ShowCommandLines;
    return build(system, nodes, configuration, buildOptions,
                 ProjectSystemBuilder::slotCountFor(requestedSlots), options.verbose);
}

int TessaBuildTool::check(BuildSystem &system, const QList<ProjectElement *> &nodes,
                          const QString &configuration)
{
    NullBuilder null;
    for (ProjectElement *node : nodes) {
        ProjectSystemBuilder scheduler(&system);
        scheduler.start(node, configuration, 1, {&null}, nullptr, ProjectJob::Quiet);
        int result = 0;
        while (scheduler.step(&result)) {
        }
        if (result != ProjectSystemBuilder::NothingBuilt) {
            print(QStringLiteral("out of date"));
            return 1;
        }
    }
    print(QStringLiteral("Project up to date"));
    return 0;
}

int TessaBuildTool::exportMakefile(BuildSystem &system, const QList<ProjectElement *> &nodes,
                                   const QString &configuration, const QString &makefile)
{
    ExportBuilder exporter(makefile);
    ExportProjectJobList exportList(&system, &exporter);
    JobPlanner planner(&system);
    const quint32 options = ProjectJob::Rebuild | ProjectJob::Quiet;
    for (ProjectElement *node : nodes) {
        planner.plan(node, configuration, options, true,
                     JobPlanner::wantsFinalJobs(system, node, configuration, options),
                     exportList);
    }
    if (!exporter.finish())
        throw HException(exporter.errorString());
    return 0;
}

int TessaBuildTool::build(BuildSystem &system, const QList<ProjectElement *> &nodes,
                          const QString &configuration, quint32 options, int buildSlots,
                          bool verbose)
{
    ProgressLine progress(isatty(1) && isatty(2));
    BuildLog log;
    log.setEchoWholeGroups(true);
    log.setEcho([&progress](const QString &line) {
        progress.clear();
        print(line);
    });
    StopSignals signalHandlers;
    const int result = ProjectSystemBuilder::runLogged(
        system, nodes, configuration, options, buildSlots, verbose, log, &progress, [&progress] {
            progress.restore();
            return bool(stopRequested);
        });
    progress.clear();
    print(ProjectSystemBuilder::summaryLine(result, log));
    return ProjectSystemBuilder::exitStatus(result, log);
}
