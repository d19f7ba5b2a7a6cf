#pragma once

#include <QList>
#include <QString>

#include <list>

class Builder;
class BuildSystem;
class ProjectElement;
class ProjectJob;

/// The jobs of a build in order, or the jobs one job waits for. The list holds pointers
/// and owns none of them: the jobs belong to the JobPlanner that made them.
class ProjectJobList
{
public:
    using const_iterator = std::list<ProjectJob *>::const_iterator;

    virtual ~ProjectJobList();
    /// The only way jobs enter a list: adds at the end.
    virtual void append(ProjectJob *job);

    int count() const { return int(m_jobs.size()); }
    bool isEmpty() const { return m_jobs.empty(); }
    ProjectJob *first() const { return m_jobs.empty() ? nullptr : m_jobs.front(); }
    const_iterator begin() const { return m_jobs.begin(); }
    const_iterator end() const { return m_jobs.end(); }
    bool contains(const ProjectJob *job) const;
    void clear() { m_jobs.clear(); }

private:
    std::list<ProjectJob *> m_jobs;
};

/// One node to build in one configuration, with the jobs that must be done first.
class ProjectJob
{
public:
    /// Build options: the low 16 bits of `options`.
    enum Option : quint32 {
        Clean = 0x0001,            // delete the outputs; log title "Cleaning"
        Rebuild = 0x0002,          // build regardless of the up-to-date rule
        StopAfterClean = 0x0004,   // with Clean: do not build afterwards
        Quiet = 0x0008,            // no informational up-to-date messages
        NoDescent = 0x0010,        // do not build the child nodes (they have jobs)
        Analyze = 0x0040,          // log title "Analyzing"
        KeepGoing = 0x0080,        // a failed job does not stop the build
        NoTitle = 0x0100,          // the job opens no titled group
        DirectoryJobs = 0x0200,    // a separate job creates each project's directories
        DisableUnityBuild = 0x0400, // unity folders compile file by file
        ShowCommandLines = 0x0800,
        MainJob = 0x2000,          // runs the pre-build step and the node's build
        FinalJob = 0x4000,         // runs the post-build step
    };
    static constexpr quint32 optionMask = 0xffff;

    ProjectJob(ProjectElement *node, const QString &configuration, quint32 options,
               int sequence);

    ProjectElement *node() const { return m_node; }
    const QString &configuration() const { return m_configuration; }
    /// Low 16 bits: the build options; high 16 bits: the steps the job expects to take.
    quint32 options() const { return m_options; }
    quint32 buildOptions() const { return m_options & optionMask; }
    int expectedSteps() const { return int(m_options >> 16); }
    void setExpectedSteps(int steps);
    bool hasOption(Option option) const { return m_options & option; }
    int sequence() const { return m_sequence; }

    bool isDone() const { return m_done; }
    void setDone() { m_done = true; }
    /// Whether running the job built anything (set by whoever runs it).
    bool hasBuilt() const { return m_built; }
    void setBuilt(bool built) { m_built = built; }
    /// The directory job that creates a project's build directories.
    bool isDirectoryJob() const { return m_directoryJob; }
    void setDirectoryJob(bool directoryJob) { m_directoryJob = directoryJob; }
    /// A main job whose project's files have jobs of their own: its node build is left
    /// to the final job, which runs it without descending into the files.
    bool isNodeBuildDeferred() const { return m_nodeBuildDeferred; }
    void setNodeBuildDeferred(bool deferred) { m_nodeBuildDeferred = deferred; }
    /// The job of a shared preparation, named by its key.
    const QString &preparationKey() const { return m_preparationKey; }
    void setPreparationKey(const QString &key) { m_preparationKey = key; }

    ProjectJobList &dependencies() { return m_dependencies; }
    const ProjectJobList &dependencies() const { return m_dependencies; }
    bool dependenciesDone() const;
    QList<int> dependencySequences() const;

    /// "Building", "Rebuilding", "Cleaning", "Analyzing" or "Checking" (StopAfterClean
    /// and Quiet without Clean), for the options of a job.
    static QString title(quint32 options);

private:
    ProjectElement *m_node;
    QString m_configuration;
    quint32 m_options;
    int m_sequence;
    bool m_done = false;
    bool m_built = false;
    bool m_directoryJob = false;
    bool m_nodeBuildDeferred = false;
    QString m_preparationKey;
    ProjectJobList m_dependencies;
};

/// A run list that writes each job's steps to a builder the moment the job is appended,
/// instead of keeping it: exporting a build as a makefile runs every node build once, in
/// job order, with the export builder.
class ExportProjectJobList : public ProjectJobList
{
public:
    ExportProjectJobList(BuildSystem *system, Builder *builder);
    void append(ProjectJob *job) override;

private:
    BuildSystem *m_system;
    Builder *m_builder;
};
