#include "tessaloadtool.h"

#include "qtx/toolentry.h"

int main(int argc, char *argv[])
{
    return QTx::runTool(argc, argv, "tessaload", [](const QStringList &arguments) {
        return TessaLoadTool().run(arguments);
    });
}
