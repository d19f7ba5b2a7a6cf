// Parses and evaluates 100,000 expressions in one process and reports expressions per
// second: constant expressions of five operands, then a mix of constants and variables,
// registers and members of a simulated target, once more with each value turned into
// the "VALUE : TYPENAME" line a tool prints. Usage: expression_bench [COUNT [RUNS]].

#include "expression/parserexception.h"
#include "expression/simpleexpressionparser.h"
#include "expression/simulateddebugger.h"

#include <QElapsedTimer>
#include <QFile>
#include <QRandomGenerator>
#include <QStringList>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>

namespace {

const char *const target = R"(
memory 0x20000000 0x20000fff
struct point { int x; int y; unsigned char flags : 3; }
variable counter 0x20000000 int
variable ratio 0x20000004 float
variable arr 0x20000010 short[16]
variable p 0x20000040 int *
variable pt 0x20000050 struct point
bytes 0x20000000 2a 00 00 00
bytes 0x20000040 00 00 00 20
register pc 0x08000100
register sp 0x20000800
)";

const char *const binaryOperators[] = {"+", "-", "*", "/", "%", "&", "|", "^", "<<", ">>"};
const char *const targetOperands[] = {"counter", "arr[3]", "pt.x", "*p", "@pc", "pt.flags",
                                      "p[0]", "ratio", "@sp", "arr[1]"};

// Five operands joined by four operators; divisors and shift counts stay valid.
QString constantExpression(QRandomGenerator &random)
{
    QString text = QString::number(random.bounded(1, 100000));
    for (int i = 0; i < 4; ++i) {
        const char *op = binaryOperators[random.bounded(int(std::size(binaryOperators)))];
        const int operand = op[0] == '<' || op[0] == '>' ? random.bounded(0, 63)
                                                         : random.bounded(1, 100000);
        text += QLatin1Char(' ') + QLatin1String(op) + QLatin1Char(' ') + QString::number(operand);
    }
    return text;
}

// Every other expression names target values.
QString mixedExpression(QRandomGenerator &random, int index)
{
    if (index % 2 == 0)
        return constantExpression(random);
    QString text = QLatin1String(targetOperands[random.bounded(int(std::size(targetOperands)))]);
    for (int i = 0; i < 2; ++i) {
        text += QStringLiteral(" + ")
            + QLatin1String(targetOperands[random.bounded(int(std::size(targetOperands)))]);
    }
    return text + QStringLiteral(" * ") + QString::number(random.bounded(1, 100));
}

double cpuSeconds()
{
    timespec now;
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) / 1e9;
}

struct Timing
{
    double wall = 1e30;  // best wall-clock seconds of one pass
    double cpu = 1e30;   // best processor seconds of one pass
};

// What a pass does with each value: use its bits, or also make the line a tool prints.
enum class Result { Bits, Text };

// Best times of `runs` passes over the expressions. Processor time is reported too:
// on a loaded machine it shows what the code costs when the wall clock does not.
Timing bestSeconds(ExpressionParser &parser, const QStringList &expressions, int runs,
                   int *failures, Result result = Result::Bits)
{
    Timing best;
    for (int run = 0; run < runs; ++run) {
        *failures = 0;
        QElapsedTimer timer;
        timer.start();
        const double cpuStart = cpuSeconds();
        quint64 checksum = 0;
        for (const QString &text : expressions) {
            try {
                const ExpressionValue value = parser.parseExpression(text)->evaluate().resolved();
                if (result == Result::Text)
                    checksum += (value.toText() + QStringLiteral(" : ") + value.typeName()).size();
                else
                    checksum += value.data;
            } catch (const ParserException &) {
                ++*failures;
            }
        }
        best.wall = std::min(best.wall, double(timer.nsecsElapsed()) / 1e9);
        best.cpu = std::min(best.cpu, cpuSeconds() - cpuStart);
        if (checksum == 42)
            std::printf(" ");  // keeps the evaluation from being optimised away
    }
    return best;
}

void report(const char *name, int count, const Timing &timing, int failures)
{
    std::printf("%-42s %7d in %7.1f ms: %9.0f/s wall, %9.0f/s cpu%s\n", name, count,
                timing.wall * 1000, count / timing.wall, count / timing.cpu,
                failures ? qPrintable(QStringLiteral(" (%1 failed)").arg(failures)) : "");
}

} // namespace

int main(int argc, char *argv[])
{
    // "--write DIR COUNT": writes the target description and COUNT mixed expressions
    // (one per line) for the tool benchmark of run.sh, and nothing else.
    if (argc == 4 && std::strcmp(argv[1], "--write") == 0) {
        QRandomGenerator random(1234);
        QFile description(QString::fromLocal8Bit(argv[2]) + "/target.txt");
        QFile expressions(QString::fromLocal8Bit(argv[2]) + "/mixed.txt");
        if (!description.open(QIODevice::WriteOnly) || !expressions.open(QIODevice::WriteOnly))
            return 1;
        description.write(target);
        for (int i = 0, count = std::atoi(argv[3]); i < count; ++i) {
            constantExpression(random);  // the same sequence as the timed passes below
            expressions.write(mixedExpression(random, i).toUtf8() + '\n');
        }
        return 0;
    }
    const int count = argc > 1 ? std::atoi(argv[1]) : 100000;
    const int runs = argc > 2 ? std::atoi(argv[2]) : 5;
    QRandomGenerator random(1234);
    QStringList constants;
    QStringList mixed;
    for (int i = 0; i < count; ++i) {
        constants.append(constantExpression(random));
        mixed.append(mixedExpression(random, i));
    }

    SimpleExpressionParser simple;
    int failures = 0;
    const Timing constantTiming = bestSeconds(simple, constants, runs, &failures);
    report("constants, 5 operands (no target)", count, constantTiming, failures);

    SimulatedDebugExpressionParser debugger;
    debugger.loadDescriptionText(QString::fromLatin1(target), "bench", QString());
    report("constants, 5 operands (simulated target)", count,
           bestSeconds(debugger, constants, runs, &failures), failures);
    report("mixed constants and target values", count,
           bestSeconds(debugger, mixed, runs, &failures), failures);
    report("mixed, each value as text", count,
           bestSeconds(debugger, mixed, runs, &failures, Result::Text), failures);

    const double rate = count / constantTiming.wall;
    std::printf("target 500000 constant expressions/s (wall clock): %s\n",
                rate >= 500000 ? "met" : "NOT met");
    return 0;
}
