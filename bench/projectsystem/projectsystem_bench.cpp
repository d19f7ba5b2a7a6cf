// Load and save times of a generated solution: FILES files spread over FOLDERS folders
// in two projects, some with per-file configuration overrides. Prints the best and the
// median of several runs and the peak resident set size of the process.
//
// usage: projectsystem_bench [FILES [FOLDERS [RUNS]]]   (defaults 5000 200 7)

#include "projectsystem/macroservice.h"
#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"
#include "projectsystem/solution.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QTemporaryDir>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

QByteArray generateSolution(int files, int folders)
{
    QByteArray text = "<!DOCTYPE TessaStudio_Project_File>\n"
                      "<solution Name=\"Bench\" target=\"8\">\n"
                      "  <configuration Name=\"Common\" c_preprocessor_definitions=\"BENCH\" "
                      "/>\n"
                      "  <configuration Name=\"Debug\" inherited_configurations=\"Shared\" />\n"
                      "  <configuration Name=\"Release\" inherited_configurations=\"Shared\" />\n";
    int file = 0;
    for (int project = 0; project < 2; ++project) {
        text += "  <project Name=\"Project" + QByteArray::number(project) + "\">\n"
                "    <configuration Name=\"Common\" project_type=\"Executable\" />\n";
        for (int folder = project; folder < folders; folder += 2) {
            text += "    <folder Name=\"Folder " + QByteArray::number(folder) + "\">\n";
            const int inFolder = files / folders + (folder < files % folders ? 1 : 0);
            for (int i = 0; i < inFolder; ++i, ++file) {
                const QByteArray name = "src/folder" + QByteArray::number(folder) + "/file"
                                        + QByteArray::number(file) + ".c";
                if (file % 10 == 0) {
                    // Written as the writer lays it out (wrapped), so that the saved
                    // file can be compared with the generated one.
                    text += "      <file file_name=\"" + name + "\">\n"
                            "        <configuration\n"
                            "          Name=\"Debug\"\n"
                            "          c_preprocessor_definitions=\"FILE_"
                            + QByteArray::number(file) + "\"\n"
                            "          gcc_optimization_level=\"Level 1\" />\n"
                            "      </file>\n";
                } else {
                    text += "      <file file_name=\"" + name + "\" />\n";
                }
            }
            text += "    </folder>\n";
        }
        text += "  </project>\n";
    }
    text += "</solution>\n";
    return text;
}

// What a build's analysis asks of every file: an accumulating value, a plain one and
// an expanded file name.
void resolveEveryFile(const ProjectSystem &system, const ProjectElement *root)
{
    std::vector<const ProjectElement *> pending{root};
    size_t total = 0;
    while (!pending.empty()) {
        const ProjectElement *node = pending.back();
        pending.pop_back();
        if (node->kind() == NodeKind::File) {
            total += system.value(node, "c_preprocessor_definitions", "Debug").size();
            total += system.value(node, "build_exclude_from_build", "Debug").size();
            total += system.expandedValue(node, "build_object_file_name", "Debug").size();
        }
        for (const ProjectElement *child = node->firstChildNode(); child;
             child = child->nextSiblingNode()) {
            pending.push_back(child);
        }
    }
    if (total == 0)
        std::fprintf(stderr, "projectsystem_bench: nothing resolved\n");
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

long peakRssKiB()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const int files = argc > 1 ? std::max(1, atoi(argv[1])) : 5000;
    const int folders = argc > 2 ? std::max(1, atoi(argv[2])) : 200;
    const int runs = argc > 3 ? std::max(1, atoi(argv[3])) : 7;
    MacroService macros;
    QTemporaryDir directory;
    const QString path = directory.path() + "/bench.hzp";
    const QByteArray text = generateSolution(files, folders);
    {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly) || file.write(text) != text.size()) {
            std::fprintf(stderr, "projectsystem_bench: error: cannot write %s\n",
                         qPrintable(path));
            return 1;
        }
    }
    const long rssBefore = peakRssKiB();
    std::vector<double> loads;
    std::vector<double> saves;
    std::vector<double> resolves;
    for (int run = 0; run < runs; ++run) {
        StandardProjectSystem system(&macros);
        QElapsedTimer timer;
        timer.start();
        Solution *solution = system.loadSolution(path);
        loads.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        if (!solution->save()) {
            std::fprintf(stderr, "projectsystem_bench: error: %s\n",
                         qPrintable(solution->errorText()));
            return 1;
        }
        saves.push_back(timer.nsecsElapsed() / 1e6);
        timer.restart();
        resolveEveryFile(system, solution->root());
        resolves.push_back(timer.nsecsElapsed() / 1e6);
    }
    QFile saved(path);
    saved.open(QIODevice::ReadOnly);
    const bool identical = saved.readAll() == text;
    std::printf("solution of %d files in %d folders (%lld bytes), %d runs\n", files, folders,
                static_cast<long long>(text.size()), runs);
    std::printf("load: best %.1f ms, median %.1f ms (target < 100 ms)\n",
                *std::min_element(loads.begin(), loads.end()), median(loads));
    std::printf("save: best %.1f ms, median %.1f ms (target < 100 ms)\n",
                *std::min_element(saves.begin(), saves.end()), median(saves));
    std::printf("resolve 2 values and 1 expanded value of every file: best %.1f ms, "
                "median %.1f ms\n",
                *std::min_element(resolves.begin(), resolves.end()), median(resolves));
    std::printf("peak RSS: %ld KiB (%ld KiB before the first load)\n", peakRssKiB(), rssBefore);
    std::printf("saved file identical to the generated one: %s\n", identical ? "yes" : "no");
    return identical ? 0 : 1;
}
