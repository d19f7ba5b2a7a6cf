// The up-to-date analysis of a project of FILES C files whose outputs are all current,
// against ninja deciding "no work to do" for the same compiles; and the making of the
// job list of a solution of PROJECTS projects with dependencies.
//
// The benchmark writes the sources and the solution into a temporary directory, writes a
// build.ninja with the engine's own compile commands (the dependency files the compiler
// writes are ninja depfiles, read on each run as the engine reads them), builds once
// with ninja, then times RUNS no-op runs of each. Prints best and median times.
//
// usage: build_bench [FILES [PROJECTS [RUNS]]]   (defaults 2000 200 9)

#include "build/builder.h"
#include "build/exportbuilder.h"
#include "build/jobplanner.h"
#include "build/projectjob.h"
#include "build/serialbuild.h"
#include "build/standardbuildsystem.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/solution.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <vector>

namespace {

constexpr int headerCount = 20;
constexpr int filesPerFolder = 100;

bool writeText(const QString &path, const QByteArray &text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text) == text.size();
}

// Each source includes two of the shared headers, as a real project's would.
void writeSources(const QString &root, int files)
{
    for (int h = 0; h < headerCount; ++h)
        writeText(root + QStringLiteral("/inc/h%1.h").arg(h),
                  QStringLiteral("#define H%1 %1\n").arg(h).toUtf8());
    for (int i = 0; i < files; ++i) {
        const QByteArray text = QStringLiteral("#include \"h%1.h\"\n#include \"h%2.h\"\n"
                                               "int f%3(void) { return H%1 + H%2 + %3; }\n")
                                    .arg(i % headerCount)
                                    .arg((i * 7 + 3) % headerCount)
                                    .arg(i)
                                    .toUtf8();
        writeText(root + QStringLiteral("/src/d%1/f%2.c").arg(i / filesPerFolder).arg(i), text);
    }
}

QByteArray bigSolution(int files)
{
    QByteArray text = "<!DOCTYPE TessaStudio_Project_File>\n<solution Name=\"Bench\">\n"
                      "  <configuration Name=\"Common\" Target=\"Host\" "
                      "c_user_include_directories=\"inc\" build_debug_information=\"No\" />\n"
                      "  <configuration Name=\"Release\" gcc_optimization_level=\"Level 1\" />\n"
                      "  <project Name=\"Big\">\n"
                      "    <configuration Name=\"Common\" project_type=\"Library\" />\n";
    for (int folder = 0; folder * filesPerFolder < files; ++folder) {
        text += "    <folder Name=\"d" + QByteArray::number(folder) + "\">\n";
        for (int i = folder * filesPerFolder; i < std::min(files, (folder + 1) * filesPerFolder);
             ++i)
            text += "      <file file_name=\"src/d" + QByteArray::number(folder) + "/f"
                    + QByteArray::number(i) + ".c\" />\n";
        text += "    </folder>\n";
    }
    return text + "  </project>\n</solution>\n";
}

// Projects that each depend on up to three earlier ones, with a few files each.
QByteArray manyProjects(int projects)
{
    QByteArray text = "<!DOCTYPE TessaStudio_Project_File>\n<solution Name=\"Many\">\n"
                      "  <configuration Name=\"Debug\" />\n";
    for (int p = 0; p < projects; ++p) {
        QByteArrayList dependencies;
        for (int d : {p - 1, p / 2, p - 7}) {
            if (d >= 0 && d < p && !dependencies.contains("P" + QByteArray::number(d)))
                dependencies.append("P" + QByteArray::number(d));
        }
        text += "  <project Name=\"P" + QByteArray::number(p) + "\">\n"
                "    <configuration Name=\"Common\" project_type=\""
                + (p % 4 == 3 ? "Executable" : "Library") + "\" project_dependencies=\""
                + dependencies.join(';') + "\" />\n";
        for (int f = 0; f < 5; ++f)
            text += "    <file file_name=\"p" + QByteArray::number(p) + "/f"
                    + QByteArray::number(f) + ".c\" />\n";
        text += "  </project>\n";
    }
    return text + "</solution>\n";
}

QString ninjaEscape(const QString &path)
{
    QString escaped = path;
    escaped.replace("$", "$$").replace(" ", "$ ").replace(":", "$:");
    return escaped;
}

// The same compiles as the engine's, with the engine's dependency files as depfiles.
QByteArray ninjaFile(StandardBuildSystem &system, ProjectElement *project)
{
    QByteArray text = "rule cc\n  command = $cmd\n  depfile = $dep\n"
                      "rule ar\n  command = rm -f $out && ar rcs $out $in\n";
    QStringList objects;
    std::vector<ProjectElement *> pending{project};
    while (!pending.empty()) {
        ProjectElement *node = pending.back();
        pending.pop_back();
        for (ProjectElement *child = node->firstChildNode(); child;
             child = child->nextSiblingNode()) {
            if (child->kind() == NodeKind::Folder) {
                pending.push_back(child);
            } else if (child->kind() == NodeKind::File) {
                const QStringList command = system.compileCommand(child, "Release");
                const QString object = command[command.indexOf("-o") + 1];
                const QString depfile = command[command.indexOf("-MF") + 1];
                QStringList words;
                for (const QString &argument : command)
                    words.append(ExportBuilder::shellWord(argument).replace("$$", "$"));
                text += "build " + ninjaEscape(object).toUtf8() + ": cc "
                        + ninjaEscape(command.last()).toUtf8() + "\n  cmd = "
                        + words.join(' ').replace("$", "$$").toUtf8() + "\n  dep = "
                        + ninjaEscape(depfile).toUtf8() + "\n";
                objects.append(ninjaEscape(object));
            }
        }
    }
    text += "build " + ninjaEscape(system.outputFileName(project, "Release")).toUtf8() + ": ar "
            + objects.join(' ').toUtf8() + "\n";
    return text;
}

struct Timing
{
    double best = 0;
    double median = 0;
};

Timing timeRuns(int runs, const std::function<bool()> &run)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!run())
            return {-1, -1};
        times.push_back(timer.nsecsElapsed() / 1e6);
    }
    std::sort(times.begin(), times.end());
    return {times.front(), times[times.size() / 2]};
}

bool runNinja(const QString &directory, QByteArray *output)
{
    QProcess ninja;
    ninja.setWorkingDirectory(directory);
    ninja.start("ninja", {"-j2"});
    if (!ninja.waitForFinished(-1) || ninja.exitCode() != 0)
        return false;
    *output = ninja.readAllStandardOutput();
    return true;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication application(argc, argv);
    const int files = argc > 1 ? atoi(argv[1]) : 2000;
    const int projectCount = argc > 2 ? atoi(argv[2]) : 200;
    const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 9;

    // BUILD_BENCH_DIR keeps the tree between runs, so the compiles happen only once.
    QTemporaryDir directory;
    const QString kept = qEnvironmentVariable("BUILD_BENCH_DIR");
    const QString root = kept.isEmpty() ? directory.path() : kept;
    if (!QFileInfo::exists(root + "/build.ninja"))
        writeSources(root, files);
    writeText(root + "/bench.hzp", bigSolution(files));
    ProjectSystem projects;
    StandardBuildSystem system(&projects);
    Solution *solution = projects.loadSolution(root + "/bench.hzp");
    ProjectElement *project = projects.findProject("Big");
    writeText(root + "/build.ninja", ninjaFile(system, project));

    QElapsedTimer firstBuild;
    firstBuild.start();
    QByteArray output;
    if (!runNinja(root, &output)) {
        fprintf(stderr, "build_bench: the first ninja build failed\n");
        return 1;
    }
    printf("first build with ninja (%d compiles): %.1f s\n", files, firstBuild.elapsed() / 1000.0);

    const Timing ninja = timeRuns(runs, [&] {
        return runNinja(root, &output) && output.contains("no work to do");
    });
    NullBuilder probe;
    SerialBuild analysis(&system, &probe);
    const Timing engine = timeRuns(runs, [&] {
        return analysis.run(solution->root(), "Release", ProjectJob::Quiet)
               == SerialBuild::NothingBuilt;
    });
    JobPlanner bigPlanner(&system);
    const Timing bigPlanning = timeRuns(runs, [&] {
        ProjectJobList runList;
        return bigPlanner.plan(solution->root(), "Release", ProjectJob::Quiet, true, true,
                               runList);
    });
    if (ninja.best < 0 || engine.best < 0) {
        fprintf(stderr, "build_bench: a no-op run found work to do\n");
        return 1;
    }
    printf("no-op of %d files: engine best %.1f ms, median %.1f ms; ninja best %.1f ms, "
           "median %.1f ms; ratio of medians %.2f (target at most 2.0)\n",
           files, engine.best, engine.median, ninja.best, ninja.median,
           engine.median / ninja.median);
    printf("of which making the job list: median %.1f ms\n", bigPlanning.median);

    writeText(root + "/many.hzp", manyProjects(projectCount));
    Solution *many = projects.loadSolution(root + "/many.hzp");
    JobPlanner planner(&system);
    int jobs = 0;
    const Timing planning = timeRuns(runs, [&] {
        ProjectJobList runList;
        const bool planned = planner.plan(many->root(), "Debug", ProjectJob::DirectoryJobs, true,
                                          true, runList);
        jobs = runList.count();
        return planned;
    });
    printf("job list of %d projects with dependencies (%d jobs): best %.2f ms, median %.2f ms\n",
           projectCount, jobs, planning.best, planning.median);
    return 0;
}
