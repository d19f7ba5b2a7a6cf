#include "cptool.h"

#include "projectsystem/macroservice.h"
#include "qtx/diagnosticsink.h"

#include <QCoreApplication>

#include <cstdio>
#include <iostream>

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    // Process-wide services live until exit and are never freed before it.
    auto *macros = new MacroService;
    MacroService::setInstance(macros);
    new DiagnosticSink(QByteArray(argv[0]), std::cerr);

    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    CpTool tool(*macros);
    const int status = tool.run(arguments, QString::fromLocal8Bit(argv[0]));
    std::fflush(stdout);
    return status;
}
