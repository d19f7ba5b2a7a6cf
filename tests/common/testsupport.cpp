#include "testsupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <unistd.h>

QString fullDeviceLink(const QString &dir, const QString &linkName)
{
    QString device = QStringLiteral("/dev/full");
    if (geteuid() == 0) {
        device = dir + "/full-device";
        if (mknod(QFile::encodeName(device).constData(), S_IFCHR | 0666, makedev(1, 7)) != 0)
            ADD_FAILURE() << "cannot make " << device.toStdString();
    }
    const QString link = dir + "/" + linkName;
    if (symlink(QFile::encodeName(device).constData(), QFile::encodeName(link).constData()) != 0)
        ADD_FAILURE() << "cannot link " << link.toStdString();
    return link;
}

QString toolPath(const QString &tool)
{
    return QStringLiteral(TESSA_BIN_DIR) + "/" + tool;
}

QString sourcePath(const QString &relative)
{
    return QStringLiteral(TESSA_SOURCE_DIR) + "/" + relative;
}

ToolResult runTool(const QString &tool, const QStringList &arguments, const QString &workDir,
                   const QByteArray &input, int timeoutMs)
{
    ToolResult result;
    QProcess process;
    if (!workDir.isEmpty())
        process.setWorkingDirectory(workDir);
    process.start(toolPath(tool), arguments);
    if (!process.waitForStarted(timeoutMs)) {
        ADD_FAILURE() << "cannot start " << tool.toStdString();
        return result;
    }
    if (!input.isEmpty())
        process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(timeoutMs)) {
        ADD_FAILURE() << tool.toStdString() << " did not finish in time";
        process.kill();
        process.waitForFinished();
    }
    result.out = process.readAllStandardOutput();
    result.err = process.readAllStandardError();
    if (process.exitStatus() == QProcess::NormalExit)
        result.exitCode = process.exitCode();
    return result;
}

void writeFile(const QString &path, const QByteArray &contents)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate)) << path.toStdString();
    ASSERT_EQ(file.write(contents), contents.size());
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    QByteArray contents = file.readAll();
    if (contents.isNull())
        contents = QByteArray("");  // an empty file reads as empty, not null
    return contents;
}

void PrintTo(const QString &text, std::ostream *os)
{
    *os << '"' << text.toStdString() << '"';
}

void PrintTo(const QByteArray &bytes, std::ostream *os)
{
    *os << '"' << bytes.toStdString() << '"';
}
