#include "tessalsptool.h"

#include "projectsystem/macroservice.h"
#include "qtx/directories.h"
#include "qtx/toolentry.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // The tool waits on the server's pipes itself and never runs an event loop; the
    // plain dispatcher spares the glib one's wake-up writes around every request.
    qputenv("QT_NO_GLIB", "1");
    return QTx::runTool(argc, argv, "tessalsp", [](const QStringList &arguments) {
        // The macro service is process-wide: it lives until exit.
        auto *macros = new MacroService;
        MacroService::setInstance(macros);
        Directories::setFromExecutable(
            Directories::executablePath(QCoreApplication::applicationFilePath()));
        macros->definePath("StudioDir", Directories::installDirectory().path());
        return TessaLspTool().run(arguments);
    });
}
