#include "tessaexprtool.h"

#include "qtx/diagnosticsink.h"
#include "qtx/hexception.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <new>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    new DiagnosticSink(QByteArrayLiteral("tessaexpr"), std::cerr);
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    int status = 1;
    try {
        status = TessaExprTool().run(arguments, stdin, stdout);
    } catch (const HException &error) {
        std::fflush(stdout);
        std::fprintf(stderr, "tessaexpr: error: %s\n", error.what());
    } catch (const std::bad_alloc &) {
        std::fflush(stdout);
        std::fprintf(stderr, "tessaexpr: error: out of memory\n");
    }
    std::fflush(stdout);
    return status;
}
