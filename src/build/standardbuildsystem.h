#pragma once

#include "buildsystem.h"
#include "toolchain.h"
#include "uptodate.h"

#include "projectsystem/macroservice.h"

#include <QHash>
#include <QPair>
#include <QString>
#include <QStringList>

#include <vector>

/// The build of the standard project types with the GNU tool chain: command lines are
/// assembled from the property catalogue (include directories, definitions, language
/// standard, optimization, debug information, warnings, linker script and options,
/// output and intermediate names), expanded through the macro service.
///
/// Project types: "Executable" (compile, then link), "Library" (compile, then archive),
/// "Object file" (compile, then link into one relocatable object), "Staging" (copy each
/// file), "Combining" (run the combine command when an input is newer than the output)
/// and the externally built ones (run the project's build or clean command). A file
/// with a custom_build_command is built by that command instead of the compiler. The
/// outputs of Library and Object file projects an executable depends on are linked into
/// it without being listed again.
class StandardBuildSystem : public BuildSystem
{
public:
    /// How a file takes part in the build: by its "file_type", else by its extension.
    enum class FileAction {
        None,          // excluded
        CompileC,
        CompileCpp,
        Assemble,      // preprocessed, so the compiler writes its dependency file too
        CustomBuild,   // custom_build_command
        StagedCopy,    // the files of a Staging project
        LinkerInput,   // object files and libraries listed in the project
        Other,         // headers, linker scripts, documents
    };

    explicit StandardBuildSystem(ProjectSystem *projects);

    /// Forgets the file times of the last build.
    void beginBuild() override;
    FileAction fileAction(const ProjectElement *file, const QString &configuration) const;
    bool hasOwnJob(const ProjectElement *file, const QString &configuration) const override;
    int expectedSteps(const ProjectElement *node, const QString &configuration) const override;
    bool buildNode(ProjectElement *node, const QString &configuration, Builder &builder,
                   quint32 options) override;

    ToolChain toolChain(const ProjectElement *node, const QString &configuration) const;
    /// The compiler's command line for a source file, program first.
    QStringList compileCommand(const ProjectElement *file, const QString &configuration) const;
    /// The absolute names of a project's output, a file's object and dependency file.
    QString outputFileName(const ProjectElement *project, const QString &configuration) const;
    QString objectFileName(const ProjectElement *file, const QString &configuration) const;
    /// The objects and libraries a project's link or archive takes, in command-line order.
    QStringList linkInputs(const ProjectElement *project, const QString &configuration) const;

    UpToDateChecker &checker() { return m_checker; }

private:
    enum class Result { UpToDate, Built, Failed };

    /// The files below `node`, through its folders at any depth; with `skipExcluded`,
    /// excluded folders and files are left out.
    std::vector<const ProjectElement *> filesBelow(const ProjectElement *node,
                                                   const QString &configuration,
                                                   bool skipExcluded) const;
    struct Step;  // the node, configuration, builder and options of one node build

    struct SourceNames
    {
        QString input;
        QString object;
        QString dependencyFile;  // empty when the compiler writes none
    };

    /// What every file of a project shares in a configuration, kept while no property
    /// changes (and until the next build starts): the analysis of a large project asks
    /// for it once per file.
    struct ProjectFacts
    {
        QString directory;
        QString type;
        MacroTable macros;
    };
    const ProjectFacts &projectFacts(const ProjectElement *project,
                                     const QString &configuration) const;
    /// The node's macros: the project's, with OutDir and IntDir as the node sees them
    /// and, for a file, InputPath, InputDir, InputFileName, InputName and InputExt.
    MacroTable macros(const ProjectElement *node, const QString &configuration) const;
    static bool isCompiled(FileAction action);
    static bool isExternal(const QString &projectType);  // "Externally Built ..."
    static QString quotedName(const QString &name);      // 'name', as titles show it
    QString sourcePath(const ProjectElement *file, const QString &configuration) const;
    FileAction decideFileAction(const ProjectElement *file, const QString &configuration) const;
    QString expandWith(const MacroTable &table, const QString &text) const;
    QString absoluteIn(const ProjectElement *node, const QString &configuration,
                       const QString &name) const;
    QStringList listProperty(const ProjectElement *node, const QString &saveName,
                             const QString &configuration) const;
    SourceNames sourceNames(const ProjectElement *file, const QString &configuration) const;
    QStringList compileArguments(const ProjectElement *file, const QString &configuration,
                                 FileAction action, const SourceNames &names) const;
    void collectObjects(const ProjectElement *parent, const QString &configuration,
                        QStringList &objects) const;
    QString unityObjectName(const ProjectElement *folder, const QString &configuration) const;

    Result buildChildren(ProjectElement *parent, const Step &step);
    Result buildFile(ProjectElement *file, const Step &step);
    Result compile(ProjectElement *file, FileAction action, const Step &step);
    Result compileUnityFolder(ProjectElement *folder, const Step &step);
    Result customBuild(ProjectElement *file, const Step &step);
    Result stagedCopy(ProjectElement *file, const Step &step);
    Result buildProjectOutput(ProjectElement *project, const QString &type, const Step &step);
    Result link(ProjectElement *project, const Step &step, bool relocatable);
    Result archive(ProjectElement *project, const Step &step);
    Result combine(ProjectElement *project, const Step &step);
    Result externalBuild(ProjectElement *project, const Step &step);
    bool checkLinkInputs(ProjectElement *project, const QStringList &objects,
                         const Step &step);
    bool locateLinkerFiles(ProjectElement *project, const Step &step);
    void clean(ProjectElement *node, const Step &step);
    void cleanOutputs(ProjectElement *node, const Step &step);

    bool isCurrent(const ProjectElement *node, const QString &name, const OutputCheck &check,
                   const Step &step, bool fullStop = false);
    bool runCommand(const ProjectElement *node, const Step &step, const QString &directory,
                    const QStringList &arguments, const QString &outputFile);
    Result afterStep(bool succeeded, ProjectElement *node, const Step &step,
                     const QString &saveName, const QString &title);
    bool runOptionalCommand(ProjectElement *node, const Step &step, const QString &saveName,
                            const QString &title);

    UpToDateChecker m_checker;
    void checkFactsCurrent() const;

    mutable QHash<const ProjectElement *, QHash<QString, ProjectFacts>> m_projectFacts;
    // Per file and configuration, in the same lifetime as the project facts: how it
    // builds and its object, asked for by the planner, the compile and the link.
    mutable QHash<QPair<const ProjectElement *, QString>, FileAction> m_fileActions;
    mutable QHash<QPair<const ProjectElement *, QString>, QString> m_objectNames;
    mutable size_t m_factsChangeCount = 0;
};
