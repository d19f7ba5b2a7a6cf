#include "uptodate.h"

#include "builder.h"
#include "projectjob.h"

#include "projectsystem/projectsystem.h"

#include <QDateTime>
#include <QSet>
#include <QDir>
#include <QFile>

#include <sys/stat.h>

namespace {

QString formatTime(qint64 seconds)
{
    return QDateTime::fromSecsSinceEpoch(seconds).toString(QStringLiteral("dd.MM.yyyy hh:mm:ss"));
}

} // namespace

UpToDateChecker::UpToDateChecker(const ProjectSystem *projects) : m_projects(projects)
{
}

UpToDateChecker::FileTime UpToDateChecker::statFile(const QString &fileName)
{
    FileTime time;
    struct stat status;
    if (::stat(QFile::encodeName(fileName).constData(), &status) == 0) {
        time.exists = true;
        time.milliseconds = qint64(status.st_mtim.tv_sec) * 1000 + status.st_mtim.tv_nsec / 1000000;
        time.size = status.st_size;
    }
    return time;
}

const UpToDateChecker::FileTime &UpToDateChecker::cachedTime(const QString &fileName)
{
    auto it = m_times.find(fileName);
    if (it == m_times.end())
        it = m_times.insert(fileName, statFile(fileName));
    return *it;
}

// Make's syntax as compilers write it: "target: prerequisite ... \" with continuation
// lines, "\ " inside names and, with -MP, empty rules for each header ("b.h:").
QStringList UpToDateChecker::readDependencyFile(const QByteArray &text)
{
    QStringList names;
    QSet<QString> seen;
    QByteArray word;
    bool afterColon = false;
    auto finishWord = [&] {
        if (word.isEmpty())
            return;
        if (word.endsWith(':')) {
            afterColon = true;  // a target ("x.o:"), not a prerequisite
        } else if (word == ":") {
            afterColon = true;
        } else if (afterColon) {
            const QString name = QFile::decodeName(word);
            if (!seen.contains(name)) {
                seen.insert(name);
                names.append(name);
            }
        }
        word.clear();
    };
    for (int i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (c == '\\' && i + 1 < text.size()) {
            const char next = text[i + 1];
            if (next == '\n' || (next == '\r' && i + 2 < text.size() && text[i + 2] == '\n')) {
                finishWord();
                i += next == '\r' ? 2 : 1;
                continue;
            }
            if (next == ' ' || next == '#' || next == '\\') {
                word += next;
                ++i;
                continue;
            }
        }
        if (c == '\n') {
            finishWord();
            afterColon = false;
        } else if (c == ' ' || c == '\t' || c == '\r') {
            finishWord();
        } else {
            word += c;
        }
    }
    finishWord();
    return names;
}

bool UpToDateChecker::dependencyIsOlder(const QString &name, const QString &alternativeDirectory,
                                        bool cached, const QString &output,
                                        qint64 outputSeconds, bool quiet, Builder &builder)
{
    FileTime time = cached ? cachedTime(name) : statFile(name);
    QString found = name;
    if (!time.exists && !alternativeDirectory.isEmpty() && QDir::isAbsolutePath(name)) {
        found = alternativeDirectory + QLatin1Char('/') + name;
        time = cached ? cachedTime(found) : statFile(found);
    }
    if (!time.exists) {
        if (!quiet)
            builder.information(QDir(name).absolutePath() + " does not exist.");
        return false;
    }
    const qint64 seconds = time.milliseconds / 1000;
    if (time.milliseconds > m_now && !quiet)
        builder.information("clock skew detected on " + found + ".");
    if (seconds > outputSeconds) {
        if (!quiet)
            builder.information(found + " (" + formatTime(seconds) + ") is later than " + output
                                + " (" + formatTime(outputSeconds) + ").");
        return false;
    }
    return true;
}

bool UpToDateChecker::isCurrent(const ProjectElement *node, const QString &configuration,
                                quint32 options, const OutputCheck &check, Builder &builder)
{
    const bool quiet = options & ProjectJob::Quiet;
    if ((options & ProjectJob::Rebuild)
        || m_projects->value(node, QStringLiteral("build_always_rebuild"), configuration)
               == QLatin1String("Yes")) {
        return false;
    }
    const FileTime outputTime = statFile(check.output);
    if (!outputTime.exists) {
        if (!quiet)
            builder.information(check.output + " does not exist.");
        return false;
    }
    if (check.mustNotBeEmpty && outputTime.size == 0) {
        if (!quiet)
            builder.information(check.output + " is empty.");
        return false;
    }
    const qint64 outputSeconds = outputTime.milliseconds / 1000;
    m_now = QDateTime::currentMSecsSinceEpoch();
    for (const QString &input : check.inputs) {
        if (!dependencyIsOlder(input, check.alternativeDirectory, false, check.output,
                               outputSeconds, quiet, builder)) {
            return false;
        }
    }
    if (!check.dependencyFile.isEmpty()) {
        QStringList dependencies;
        QFile file(check.dependencyFile);
        if (file.open(QIODevice::ReadOnly))
            dependencies = readDependencyFile(file.readAll());
        if (dependencies.isEmpty())
            dependencies.append(check.dependencyFile);
        const QDir base(check.baseDirectory);
        for (const QString &dependency : qAsConst(dependencies)) {
            const QString name = QDir::isAbsolutePath(dependency)
                                     ? dependency
                                     : QDir::cleanPath(base.absoluteFilePath(dependency));
            if (!dependencyIsOlder(name, check.alternativeDirectory, true, check.output,
                                   outputSeconds, quiet, builder)) {
                return false;
            }
        }
    }
    if (!m_projects->changes().empty()) {
        const PropertyChange *change =
            m_projects->changeAffecting(node, configuration, outputTime.milliseconds);
        if (change) {
            if (!quiet)
                builder.information(change->propertyName + " property has changed.");
            return false;
        }
    }
    return true;
}
