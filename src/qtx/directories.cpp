#include "directories.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <unistd.h>

namespace Directories {
namespace {
PathValue applicationDir;
PathValue installDir;
} // namespace

QString executablePath(const QString &argv0)
{
    char buffer[1024];
    const ssize_t length = readlink("/proc/self/exe", buffer, sizeof buffer);
    if (length >= 1 && length <= 1023)
        return QFile::decodeName(QByteArray(buffer, int(length)));
    return argv0;
}

void setFromExecutable(const QString &executablePath)
{
    QDir dir = QFileInfo(executablePath).absoluteDir();
    applicationDir = PathValue(dir.canonicalPath());
    dir.cdUp();
    installDir = PathValue(dir.canonicalPath());
}

const PathValue &applicationDirectory()
{
    return applicationDir;
}

const PathValue &installDirectory()
{
    return installDir;
}

} // namespace Directories
