#include "tessabuildtool.h"

#include "projectsystem/macroservice.h"
#include "qtx/toolentry.h"

int main(int argc, char *argv[])
{
    return QTx::runTool(argc, argv, "tessabuild", [](const QStringList &arguments) {
        // The macro service is process-wide: it lives until exit.
        MacroService::setInstance(new MacroService);
        return TessaBuildTool().run(arguments);
    });
}
