#include "tessascripttool.h"

#include "qtx/toolentry.h"

int main(int argc, char *argv[])
{
    return QTx::runTool(argc, argv, "tessascript", [](const QStringList &arguments) {
        return TessaScriptTool().run(arguments);
    });
}
