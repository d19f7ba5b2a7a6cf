#include "cptool.h"

#include "projectsystem/macroservice.h"
#include "qtx/toolentry.h"

int main(int argc, char *argv[])
{
    // Messages start with the program name as it was typed.
    return QTx::runTool(argc, argv, QByteArray(argv[0]), [argv](const QStringList &arguments) {
        // The macro service is process-wide: it lives until exit.
        auto *macros = new MacroService;
        MacroService::setInstance(macros);
        return CpTool(*macros).run(arguments, QString::fromLocal8Bit(argv[0]));
    });
}
