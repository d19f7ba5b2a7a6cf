#include "tessaexprtool.h"

#include "qtx/toolentry.h"

int main(int argc, char *argv[])
{
    return QTx::runTool(argc, argv, "tessaexpr", [](const QStringList &arguments) {
        return TessaExprTool().run(arguments, stdin);
    });
}
