#include "tessaloadtool.h"

#include "qtx/diagnosticsink.h"
#include "qtx/hexception.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>
#include <new>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    new DiagnosticSink(QByteArrayLiteral("tessaload"), std::cerr);
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    int status = 1;
    try {
        status = TessaLoadTool().run(arguments, std::cout);
    } catch (const HException &error) {
        std::cout.flush();
        std::fprintf(stderr, "tessaload: error: %s\n", error.what());
    } catch (const std::bad_alloc &) {
        std::cout.flush();
        std::fprintf(stderr, "tessaload: error: out of memory\n");
    }
    std::cout.flush();
    return status;
}
