#pragma once

#include <QHash>
#include <QString>
#include <QStringList>

class Builder;
class ProjectElement;
class ProjectSystem;

/// What decides whether one output is current.
struct OutputCheck
{
    QString output;           // absolute name of the object, executable, library, copy...
    bool mustNotBeEmpty = true;  // object files, linked executables and libraries
    QStringList inputs;       // absolute names: the source, or the objects and libraries
    QString dependencyFile;   // written by the compiler; empty when there is none
    QString baseDirectory;    // where relative names in the dependency file count from
    QString alternativeDirectory;  // tried as a prefix for absolute names that are missing
};

/// The up-to-date rule. An output is current only if, in this order, the node does not
/// always rebuild and the request is no rebuild; the output exists (and is not empty
/// where it must not be); no input and no entry of the dependency file is missing or
/// newer than the output (in whole seconds); and no property affecting the node changed
/// after the output was written. The first failure decides; unless the options are
/// Quiet it is explained through the builder's information() ("x.o does not exist.").
///
/// Times of files named in dependency files are kept between checks, since many sources
/// share headers; forget() drops a file a command has just written.
class UpToDateChecker
{
public:
    explicit UpToDateChecker(const ProjectSystem *projects);

    bool isCurrent(const ProjectElement *node, const QString &configuration, quint32 options,
                   const OutputCheck &check, Builder &builder);

    void forget(const QString &fileName) { m_times.remove(fileName); }
    void clearCache() { m_times.clear(); }

    /// The prerequisites a make-style dependency file lists ("out.o: a.c b.h \" lines,
    /// with "\ " for a blank in a name); targets are left out, each name once.
    static QStringList readDependencyFile(const QByteArray &text);

private:
    struct FileTime
    {
        bool exists = false;
        qint64 milliseconds = 0;
        qint64 size = 0;
    };
    static FileTime statFile(const QString &fileName);
    const FileTime &cachedTime(const QString &fileName);
    /// False (with the reason unless quiet) when the dependency is missing or newer.
    bool dependencyIsOlder(const QString &name, const QString &alternativeDirectory,
                           bool cached, const QString &output, qint64 outputSeconds,
                           bool quiet, Builder &builder);

    const ProjectSystem *m_projects;
    QHash<QString, FileTime> m_times;
    qint64 m_now = 0;
};
