#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class BuildSystem;
class ProjectElement;
class ProjectSystem;

/// The command-line build of a solution: plans the jobs of a node in one configuration
/// and runs them on several build buildSlots, printing the log a group at a time; or checks
/// whether the build is up to date, or exports its steps as a makefile.
class TessaBuildTool
{
public:
    /// Returns the exit status: 0 up to date or built, 1 failed (or an error reported,
    /// or a bad request), 130 terminated by SIGINT or SIGTERM.
    int run(const QStringList &arguments);

    /// The node at `path` below the solution ("Project/Folder/file.c"; a file may also
    /// be named by its file_name); the solution itself for an empty path or ".".
    /// Throws HException when there is none.
    static ProjectElement *findNode(ProjectElement *solution, const QString &path);
    /// The configuration to build: `requested` when some node of the tree defines it,
    /// else the only build configuration of the tree. Throws HException otherwise.
    static QString chooseConfiguration(const ProjectElement *solution,
                                       const QString &requested);

private:
    int check(BuildSystem &system, const QList<ProjectElement *> &nodes,
              const QString &configuration);
    int exportMakefile(BuildSystem &system, const QList<ProjectElement *> &nodes,
                       const QString &configuration, const QString &makefile);
    int build(BuildSystem &system, const QList<ProjectElement *> &nodes,
              const QString &configuration, quint32 options, int buildSlots, bool verbose);
};
