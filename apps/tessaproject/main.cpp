#include "tessaprojecttool.h"

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
    new DiagnosticSink(QByteArray("tessaproject"), std::cerr);

    QStringList arguments = QCoreApplication::arguments();
    if (!arguments.isEmpty())
        arguments.removeFirst();
    TessaProjectTool tool;
    const int status = tool.run(arguments);
    std::fflush(stdout);
    return status;
}
