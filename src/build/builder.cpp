#include "builder.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

Builder::~Builder() = default;

bool Builder::waitCommand(const ProjectElement *, const QString &, int *status)
{
    *status = 0;
    return true;
}

void Builder::warning(const QString &)
{
}

void Builder::note(const QString &)
{
}

void Builder::upToDate(const QString &)
{
}

void Builder::information(const QString &)
{
}

void Builder::cancel()
{
}

void Builder::addWaitDescriptors(std::vector<int> *) const
{
}

void Builder::setWaitTimeout(int)
{
}

BuildLog *Builder::buildLog()
{
    return nullptr;
}

void Builder::writeFile(const QString &fileName, const QStringList &lines)
{
    const QString directory = QFileInfo(fileName).absolutePath();
    if (!QFileInfo(directory).isDir() && !QDir().mkpath(directory)) {
        error("cannot mkdir " + directory);
        return;
    }
    QFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        error("cannot open " + fileName);
        return;
    }
    QByteArray text;
    for (const QString &line : lines)
        text += line.toUtf8() + '\n';
    if (file.write(text) != text.size())
        error("cannot write " + fileName);
}

void Builder::removeFile(const QString &, bool)
{
}

void Builder::jobCreated(const ProjectElement *, const QString &, quint32, int,
                         const QList<int> &)
{
}

void CleanBuilder::removeFile(const QString &fileName, bool ignoreFailure)
{
    if (!QFile::remove(fileName) && QFileInfo::exists(fileName) && !ignoreFailure)
        m_failures.append(fileName);
}

Idler::~Idler() = default;

void Idler::jobsCounted(int)
{
}

void Idler::jobStarted(const ProjectElement *, const QString &, const QString &, int)
{
}

void Idler::jobFinished(const ProjectElement *, const QString &)
{
}

void Idler::jobFailed(const ProjectElement *, const QString &)
{
}
