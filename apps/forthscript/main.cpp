#include "forthscripttool.h"

#include "qtx/toolentry.h"

int main(int argc, char *argv[])
{
    return QTx::runTool(argc, argv, "forthscript", [](const QStringList &arguments) {
        return ForthScriptTool().run(arguments);
    });
}
