#include "tessapkgtool.h"

#include "qtx/toolentry.h"

int main(int argc, char *argv[])
{
    return QTx::runTool(argc, argv, "tessapkg", [](const QStringList &arguments) {
        return TessapkgTool().run(arguments);
    });
}
