#pragma once

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

class Builder;
class ProjectElement;
class ProjectJob;
class ProjectSystem;

/// A problem with a project's dependencies, reported once per project while the job
/// list is made; the build goes on without the rejected dependencies.
struct DependencyError
{
    const ProjectElement *node = nullptr;
    QString configuration;
    QString title;  // "Dependency error detected in '<project>'"
    QStringList messages;
};

/// What the build engine asks of the project model: which nodes build, how many steps
/// they take, and the build of one node through a Builder. Property values come from the
/// ProjectSystem (resolved through configurations and the tree, expanded with the node's
/// macros); a variant decides what the tools are and how their command lines look.
///
/// The node build performs or records every step through the builder it is given and
/// returns whether anything was (or, with a NullBuilder, would be) built. It never throws:
/// failures go to the builder's error() or show as a command's exit status.
class BuildSystem
{
public:
    explicit BuildSystem(ProjectSystem *projects);
    virtual ~BuildSystem();
    BuildSystem(const BuildSystem &) = delete;
    BuildSystem &operator=(const BuildSystem &) = delete;

    ProjectSystem &projects() const { return *m_projects; }

    /// The property's value for the node, macros expanded.
    QString property(const ProjectElement *node, const QString &saveName,
                     const QString &configuration) const;
    bool isYes(const ProjectElement *node, const QString &saveName,
               const QString &configuration) const;
    /// "build_exclude_from_build" is "Yes".
    bool isExcluded(const ProjectElement *node, const QString &configuration) const;

    /// Called as each build's job list is made, before anything is asked: a variant
    /// drops what it remembered of files from the build before.
    virtual void beginBuild();
    /// A key that names a preparation shared by every project with the same key (run
    /// once per build before their main jobs); empty for none, as here.
    virtual QString preparationKey(const ProjectElement *project,
                                   const QString &configuration) const;
    /// How many steps the job of `node` is expected to take, for progress display.
    virtual int expectedSteps(const ProjectElement *node, const QString &configuration) const;
    /// Whether a file compiles, assembles, runs a custom build step or is a staged copy,
    /// so that it gets a job of its own.
    virtual bool hasOwnJob(const ProjectElement *file, const QString &configuration) const;
    /// The unity build file of a folder whose files compile as one unit, or empty.
    virtual QString unityBuildFileName(const ProjectElement *folder,
                                       const QString &configuration) const;
    /// Whether building `node` is pointless (no final jobs are made for it then).
    virtual bool needsNoBuild(const ProjectElement *node, const QString &configuration) const;
    /// Collects the report; a variant may show it at once.
    virtual void reportDependencyError(const ProjectElement *node, const QString &configuration,
                                       const QString &title, const QStringList &messages);
    const QList<DependencyError> &dependencyErrors() const { return m_dependencyErrors; }
    void clearDependencyErrors() { m_dependencyErrors.clear(); }

    /// The build of one node in a configuration with the job's options.
    virtual bool buildNode(ProjectElement *node, const QString &configuration,
                           Builder &builder, quint32 options) = 0;
    /// Runs a shared preparation.
    virtual void prepare(const QString &key, ProjectElement *project,
                         const QString &configuration, Builder &builder);
    /// "Creating Build Directories For '<name>'": one mkdir per missing directory.
    virtual void createDirectories(ProjectElement *project, const QString &configuration,
                                   Builder &builder);
    /// "Pre-Building '<name>'" and "Post-Building '<name>'"; false when a command failed.
    virtual bool preBuild(ProjectElement *project, const QString &configuration,
                          Builder &builder, quint32 options);
    virtual bool postBuild(ProjectElement *project, const QString &configuration,
                           Builder &builder, quint32 options, bool built);

    /// Every step of a job, in order: a shared preparation not yet in `handledKeys` (when
    /// given), the directory job, for a main job the pre-build step and the node build
    /// (left to the final job when the project's files have jobs of their own), for a
    /// final job its node build when the files had jobs and, unless cleaning, the
    /// post-build step. Returns whether anything was built.
    bool runJob(ProjectJob &job, Builder &builder, QSet<QString> *handledKeys);

protected:
    /// Runs one command and waits for it; false when it failed.
    static bool runAndWait(Builder &builder, const ProjectElement *node,
                           const QString &configuration, const QString &directory,
                           const QStringList &arguments, const QString &outputFile);
    /// Runs each line of a command property through the shell in `directory`.
    bool runCommandLines(Builder &builder, const ProjectElement *node,
                         const QString &configuration, const QString &directory,
                         const QString &commands);
    /// One titled group ("<title> '<project>'") running `commands` in the project's
    /// directory.
    bool runProjectStep(ProjectElement *project, const QString &configuration,
                        Builder &builder, const QString &title, const QString &commands);
    /// The directories a project's build writes to.
    virtual QStringList buildDirectories(const ProjectElement *project,
                                         const QString &configuration) const;

private:
    ProjectSystem *m_projects;
    QList<DependencyError> m_dependencyErrors;
};
