// Times the highlighting parsers alone: codeeditbench LANGUAGE FILE [PASSES]
// The file's lines are converted to NUL-terminated UTF-16 first, so that the figure is
// the parse calls and nothing else; the best of PASSES passes over all lines is reported.

#include "codeedit/codeeditparser.h"
#include "codeedit/codeeditparserfactory.h"

#include <QFile>
#include <QString>

#include <chrono>
#include <cstdio>
#include <vector>

int main(int argc, char *argv[])
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: codeeditbench LANGUAGE FILE [PASSES]\n");
        return 2;
    }
    const auto parser = CodeEditParserFactory::create(QString::fromLocal8Bit(argv[1]));
    QFile file(QString::fromLocal8Bit(argv[2]));
    if (!parser || !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "codeeditbench: unknown language or unreadable file\n");
        return 1;
    }
    const int passes = argc > 3 ? std::atoi(argv[3]) : 20;
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    std::vector<std::vector<ushort>> input;
    size_t characters = 0;
    int longest = 0;
    for (const QString &line : lines) {
        input.emplace_back(line.utf16(), line.utf16() + line.size() + 1);
        characters += size_t(line.size());
        longest = std::max(longest, int(line.size()));
    }
    std::vector<ushort> output(size_t(CodeEditParser::outputCapacity(longest)));
    double best = 1e30;
    size_t written = 0;  // keeps the work observable
    for (int pass = 0; pass < passes; ++pass) {
        parser->setState(CodeEditParser::normalState);
        const auto start = std::chrono::steady_clock::now();
        for (const std::vector<ushort> &line : input)
            written += size_t(parser->parse(line.data(), output.data()) - output.data());
        const std::chrono::duration<double> elapsed = std::chrono::steady_clock::now() - start;
        best = std::min(best, elapsed.count());
    }
    std::printf("%-8s %7zu lines %9zu chars  %8.2f ms  %6.2f M lines/s  %7.1f MB/s  (%zu)\n",
                argv[1], input.size(), characters, best * 1e3, input.size() / best / 1e6,
                characters * 2 / best / 1e6, written % 10);
    return 0;
}
