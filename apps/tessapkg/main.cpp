#include "tessapkgtool.h"

#include "qtx/diagnosticsink.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    // The process-wide sink lives until exit.
    new DiagnosticSink(QByteArrayLiteral("tessapkg"), std::cerr);
    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    TessapkgTool tool;
    const int status = tool.run(arguments);
    std::fflush(stdout);
    return status;
}
