#include "tessalsptool.h"

#include "projectsystem/macroservice.h"
#include "qtx/directories.h"
#include "qtx/toolentry.h"

#include <QCoreApplication>

int main(int argc, char *argv[])
{
    // The tool waits on the server's pipes itself and never runs an event loop; the
    // plain dispatcher spares the glib one's wake-up writes around every request.
    // The server process inherits the environment as it was.
    const bool noGlibWasSet = qEnvironmentVariableIsSet("QT_NO_GLIB");
    const QByteArray noGlib = qgetenv("QT_NO_GLIB");
    qputenv("QT_NO_GLIB", "1");
    return QTx::runTool(argc, argv, "tessalsp", [&](const QStringList &arguments) {
        if (noGlibWasSet)
            qputenv("QT_NO_GLIB", noGlib);
        else
            qunsetenv("QT_NO_GLIB");
        // The macro service is process-wide: it lives until exit.
        auto *macros = new MacroService;
        MacroService::setInstance(macros);
        Directories::setFromExecutable(
            Directories::executablePath(QCoreApplication::applicationFilePath()));
        macros->definePath("StudioDir", Directories::installDirectory().path());
        return TessaLspTool().run(arguments);
    });
}
