#include "standardbuildsystem.h"
#include "standardbuildsystem_p.h"

#include "builder.h"
#include "projectjob.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

const QString yes = QStringLiteral("Yes");

struct Suffixes
{
    const char *suffix;
    StandardBuildSystem::FileAction action;
};

// By extension when "file_type" is unset; the suffix comparison is case-sensitive, so
// ".S" and ".s" both assemble (through the preprocessor either way).
constexpr Suffixes actionsBySuffix[] = {
    {"c", StandardBuildSystem::FileAction::CompileC},
    {"cpp", StandardBuildSystem::FileAction::CompileCpp},
    {"cc", StandardBuildSystem::FileAction::CompileCpp},
    {"cxx", StandardBuildSystem::FileAction::CompileCpp},
    {"s", StandardBuildSystem::FileAction::Assemble},
    {"S", StandardBuildSystem::FileAction::Assemble},
    {"asm", StandardBuildSystem::FileAction::Assemble},
    {"o", StandardBuildSystem::FileAction::LinkerInput},
    {"a", StandardBuildSystem::FileAction::LinkerInput},
};

struct TypeAction
{
    const char *fileType;
    StandardBuildSystem::FileAction action;
};

constexpr TypeAction actionsByType[] = {
    {"C", StandardBuildSystem::FileAction::CompileC},
    {"C++", StandardBuildSystem::FileAction::CompileCpp},
    {"Assembly", StandardBuildSystem::FileAction::Assemble},
    {"Object", StandardBuildSystem::FileAction::LinkerInput},
    {"Library", StandardBuildSystem::FileAction::LinkerInput},
    {"Custom Build", StandardBuildSystem::FileAction::CustomBuild},
    {"Staged Copy", StandardBuildSystem::FileAction::StagedCopy},
};

struct OptimizationLevel
{
    const char *name;
    const char *option;
};

constexpr OptimizationLevel optimizationLevels[] = {
    {"None", "-O0"},    {"Level 1", "-O1"}, {"Level 2", "-O2"},
    {"Level 3", "-O3"}, {"Optimize For Size", "-Os"}, {"Optimize For Debug", "-Og"},
};

} // namespace

StandardBuildSystem::StandardBuildSystem(ProjectSystem *projects)
    : BuildSystem(projects), m_checker(projects)
{
}

bool StandardBuildSystem::isCompiled(FileAction action)
{
    return action == FileAction::CompileC || action == FileAction::CompileCpp
           || action == FileAction::Assemble;
}

bool StandardBuildSystem::isExternal(const QString &type)
{
    return type.startsWith(QLatin1String("Externally Built"));
}

QString StandardBuildSystem::quotedName(const QString &name)
{
    return "'" + name + "'";
}

void StandardBuildSystem::beginBuild()
{
    m_checker.clearCache();
    m_projectFacts.clear();
    m_fileActions.clear();
    m_objectNames.clear();
}

void StandardBuildSystem::checkFactsCurrent() const
{
    const size_t changeCount = projects().changes().size();
    if (changeCount != m_factsChangeCount) {
        m_projectFacts.clear();
        m_fileActions.clear();
        m_objectNames.clear();
        m_factsChangeCount = changeCount;
    }
}

// --- Names and command lines -----------------------------------------------------------

const StandardBuildSystem::ProjectFacts &
StandardBuildSystem::projectFacts(const ProjectElement *project, const QString &configuration) const
{
    checkFactsCurrent();
    QHash<QString, ProjectFacts> &byConfiguration = m_projectFacts[project];
    auto found = byConfiguration.find(configuration);
    if (found == byConfiguration.end()) {
        ProjectFacts facts;
        facts.directory = projects().absoluteFileName(project, configuration);
        facts.type = projects().value(project, QStringLiteral("project_type"), configuration);
        facts.macros = projects().macros(project, configuration);
        found = byConfiguration.insert(configuration, facts);
    }
    return *found;
}

QString StandardBuildSystem::sourcePath(const ProjectElement *file,
                                        const QString &configuration) const
{
    const ProjectElement *project = file->project();
    if (!project)
        return projects().absoluteFileName(file, configuration);
    QString name = file->fileName();
    if (name.contains(QLatin1Char(MacroService::introducer)))
        return projects().absoluteFileName(file, configuration);
    return QDir::cleanPath(
        QDir(projectFacts(project, configuration).directory).absoluteFilePath(name));
}

MacroTable StandardBuildSystem::macros(const ProjectElement *node,
                                       const QString &configuration) const
{
    const ProjectElement *project = node->project();
    if (!project || node == project)
        return projects().macros(node, configuration);
    MacroTable table = projectFacts(project, configuration).macros;
    const ProjectSystem &model = projects();
    table.insert(QStringLiteral("OutDir"),
                 model.value(node, QStringLiteral("build_output_directory"), configuration));
    table.insert(QStringLiteral("IntDir"),
                 model.value(node, QStringLiteral("build_intermediate_directory"), configuration));
    if (node->kind() == NodeKind::File) {
        const QString input = sourcePath(node, configuration);
        const int slash = input.lastIndexOf(QLatin1Char('/'));
        const QString fileName = input.mid(slash + 1);
        const int dot = fileName.lastIndexOf(QLatin1Char('.'));
        table.insert(QStringLiteral("InputPath"), input);
        table.insert(QStringLiteral("InputDir"),
                     slash > 0 ? input.left(slash) : QStringLiteral("/"));
        table.insert(QStringLiteral("InputFileName"), fileName);
        table.insert(QStringLiteral("InputName"), dot < 0 ? fileName : fileName.left(dot));
        table.insert(QStringLiteral("InputExt"), dot < 0 ? QString() : fileName.mid(dot));
    }
    return table;
}

QString StandardBuildSystem::expandWith(const MacroTable &table, const QString &text) const
{
    MacroService *service = projects().macroService();
    if (!service || !text.contains(QLatin1Char(MacroService::introducer)))
        return text;
    return service->expand(table, text, true, true);
}

QString StandardBuildSystem::absoluteIn(const ProjectElement *node,
                                        const QString &configuration,
                                        const QString &name) const
{
    if (name.isEmpty() || QDir::isAbsolutePath(name))
        return QDir::cleanPath(name);
    const ProjectElement *project = node->project();
    const QDir directory(project ? projectFacts(project, configuration).directory
                                 : projects().absoluteFileName(node, configuration));
    return QDir::cleanPath(directory.absoluteFilePath(name));
}

QStringList StandardBuildSystem::listProperty(const ProjectElement *node,
                                              const QString &saveName,
                                              const QString &configuration) const
{
    QStringList items;
    const QStringList parts = property(node, saveName, configuration).split(QLatin1Char(';'));
    for (const QString &part : parts) {
        const QString item = part.trimmed();
        if (!item.isEmpty())
            items.append(item);
    }
    return items;
}

StandardBuildSystem::FileAction StandardBuildSystem::fileAction(const ProjectElement *file,
                                                                const QString &configuration) const
{
    checkFactsCurrent();
    const auto key = qMakePair(file, configuration);
    auto found = m_fileActions.constFind(key);
    if (found == m_fileActions.constEnd())
        found = m_fileActions.insert(key, decideFileAction(file, configuration));
    return *found;
}

StandardBuildSystem::FileAction
StandardBuildSystem::decideFileAction(const ProjectElement *file,
                                      const QString &configuration) const
{
    if (isExcluded(file, configuration))
        return FileAction::None;
    if (!projects().value(file, QStringLiteral("custom_build_command"), configuration).isEmpty())
        return FileAction::CustomBuild;
    const ProjectElement *project = file->project();
    if (project && projectFacts(project, configuration).type == QLatin1String("Staging"))
        return FileAction::StagedCopy;
    const QString type = projects().value(file, QStringLiteral("file_type"), configuration);
    if (!type.isEmpty()) {
        for (const TypeAction &entry : actionsByType) {
            if (type == QLatin1String(entry.fileType))
                return entry.action;
        }
        return FileAction::Other;
    }
    const QString name = file->fileName();
    const QString suffix = name.mid(name.lastIndexOf(QLatin1Char('.')) + 1);
    for (const Suffixes &entry : actionsBySuffix) {
        if (suffix == QLatin1String(entry.suffix))
            return entry.action;
    }
    return FileAction::Other;
}

bool StandardBuildSystem::hasOwnJob(const ProjectElement *file,
                                    const QString &configuration) const
{
    const FileAction action = fileAction(file, configuration);
    return isCompiled(action) || action == FileAction::CustomBuild
           || action == FileAction::StagedCopy;
}

int StandardBuildSystem::expectedSteps(const ProjectElement *node,
                                       const QString &configuration) const
{
    if (node->kind() == NodeKind::File)
        return 1;
    int steps = 1;  // the link, archive, combination or external build
    for (const ProjectElement *file : filesBelow(node, configuration, false)) {
        if (hasOwnJob(file, configuration))
            ++steps;
    }
    return steps;
}

std::vector<const ProjectElement *> StandardBuildSystem::filesBelow(
    const ProjectElement *node, const QString &configuration, bool skipExcluded) const
{
    std::vector<const ProjectElement *> files;
    std::vector<const ProjectElement *> pending{node};
    while (!pending.empty()) {
        const ProjectElement *at = pending.back();
        pending.pop_back();
        for (const ProjectElement *child = at->firstChildNode(); child;
             child = child->nextSiblingNode()) {
            if (skipExcluded && isExcluded(child, configuration))
                continue;
            if (child->kind() == NodeKind::Folder)
                pending.push_back(child);
            else if (child->kind() == NodeKind::File)
                files.push_back(child);
        }
    }
    return files;
}

ToolChain StandardBuildSystem::toolChain(const ProjectElement *node,
                                         const QString &configuration) const
{
    return ToolChain::make(projects().value(node, QStringLiteral("Target"), configuration),
                           projects().value(node, QStringLiteral("arm_instruction_set"),
                                            configuration),
                           projects().value(node, QStringLiteral("arm_endian"), configuration),
                           projects().value(node, QStringLiteral("arm_fpu_type"), configuration),
                           property(node, QStringLiteral("build_toolchain_directory"),
                                    configuration));
}

QString StandardBuildSystem::outputFileName(const ProjectElement *project,
                                            const QString &configuration) const
{
    const QString type = projects().value(project, QStringLiteral("project_type"), configuration);
    const QString saveName = isExternal(type) ? QStringLiteral("external_build_file_name")
                                              : QStringLiteral("build_output_file_name");
    return absoluteIn(project, configuration, property(project, saveName, configuration));
}

StandardBuildSystem::SourceNames
StandardBuildSystem::sourceNames(const ProjectElement *file, const QString &configuration) const
{
    // One macro table for both names: building it is the costly part of a file's check.
    const MacroTable table = macros(file, configuration);
    const ProjectSystem &model = projects();
    SourceNames names;
    names.input = sourcePath(file, configuration);
    names.object = absoluteIn(
        file, configuration,
        expandWith(table,
                   model.value(file, QStringLiteral("build_object_file_name"), configuration)));
    checkFactsCurrent();
    m_objectNames.insert(qMakePair(file, configuration), names.object);
    if (isYes(file, QStringLiteral("build_generate_dependency_file"), configuration)) {
        names.dependencyFile = absoluteIn(
            file, configuration,
            expandWith(table, model.value(file, QStringLiteral("build_dependency_file_name"),
                                          configuration)));
    }
    return names;
}

QString StandardBuildSystem::objectFileName(const ProjectElement *file,
                                            const QString &configuration) const
{
    checkFactsCurrent();
    const auto key = qMakePair(file, configuration);
    auto found = m_objectNames.constFind(key);
    if (found == m_objectNames.constEnd())
        found = m_objectNames.insert(key, sourceNames(file, configuration).object);
    return *found;
}

QStringList StandardBuildSystem::compileArguments(const ProjectElement *file,
                                                  const QString &configuration,
                                                  FileAction action,
                                                  const SourceNames &names) const
{
    const ToolChain chain = toolChain(file, configuration);
    QStringList arguments{action == FileAction::CompileCpp ? chain.cppCompiler : chain.cCompiler,
                          QStringLiteral("-c")};
    arguments += chain.targetOptions;
    const ProjectSystem &model = projects();
    if (action == FileAction::Assemble) {
        arguments << QStringLiteral("-x") << QStringLiteral("assembler-with-cpp");
    } else {
        const QString standard = model.value(file, action == FileAction::CompileCpp
                                                       ? QStringLiteral("cpp_language_standard")
                                                       : QStringLiteral("c_language_standard"),
                                             configuration);
        if (!standard.isEmpty())
            arguments.append("-std=" + standard);
        const QString level = model.value(file, QStringLiteral("gcc_optimization_level"),
                                          configuration);
        for (const OptimizationLevel &entry : optimizationLevels) {
            if (level == QLatin1String(entry.name))
                arguments.append(QString::fromLatin1(entry.option));
        }
    }
    if (isYes(file, QStringLiteral("build_debug_information"), configuration))
        arguments.append(QStringLiteral("-g"));
    if (isYes(file, QStringLiteral("c_enable_warnings"), configuration))
        arguments.append(QStringLiteral("-Wall"));
    if (isYes(file, QStringLiteral("c_treat_warnings_as_errors"), configuration))
        arguments.append(QStringLiteral("-Werror"));
    const QStringList systemIncludes =
        listProperty(file, QStringLiteral("c_system_include_directories"), configuration);
    for (const QString &directory : systemIncludes)
        arguments << QStringLiteral("-isystem") << directory;
    const QStringList includes =
        listProperty(file, QStringLiteral("c_user_include_directories"), configuration);
    for (const QString &directory : includes)
        arguments.append("-I" + directory);
    const QStringList definitions =
        listProperty(file, QStringLiteral("c_preprocessor_definitions"), configuration);
    for (const QString &definition : definitions)
        arguments.append("-D" + definition);
    const QStringList undefinitions =
        listProperty(file, QStringLiteral("c_preprocessor_undefinitions"), configuration);
    for (const QString &name : undefinitions)
        arguments.append("-U" + name);
    if (action == FileAction::Assemble) {
        arguments += listProperty(file, QStringLiteral("asm_additional_options"), configuration);
    } else {
        arguments += listProperty(file, QStringLiteral("c_additional_options"), configuration);
        arguments += listProperty(file, action == FileAction::CompileCpp
                                            ? QStringLiteral("cpp_only_additional_options")
                                            : QStringLiteral("c_only_additional_options"),
                                  configuration);
    }
    if (!names.dependencyFile.isEmpty())
        arguments << QStringLiteral("-MD") << QStringLiteral("-MF") << names.dependencyFile;
    arguments << QStringLiteral("-o") << names.object << names.input;
    return arguments;
}

QStringList StandardBuildSystem::compileCommand(const ProjectElement *file,
                                                const QString &configuration) const
{
    FileAction action = fileAction(file, configuration);
    if (!isCompiled(action))
        action = FileAction::CompileC;
    return compileArguments(file, configuration, action, sourceNames(file, configuration));
}

QString StandardBuildSystem::unityObjectName(const ProjectElement *folder,
                                             const QString &configuration) const
{
    const QString unityFile = absoluteIn(folder, configuration,
                                         property(folder, QStringLiteral("unity_build_file_name"),
                                                  configuration));
    const MacroTable table = macros(folder, configuration);
    const QString intermediate = absoluteIn(
        folder, configuration,
        expandWith(table, projects().value(folder, QStringLiteral("build_intermediate_directory"),
                                           configuration)));
    return intermediate + QLatin1Char('/') + QFileInfo(unityFile).completeBaseName() + ".o";
}

void StandardBuildSystem::collectObjects(const ProjectElement *parent,
                                         const QString &configuration,
                                         QStringList &objects) const
{
    for (const ProjectElement *child = parent->firstChildNode(); child;
         child = child->nextSiblingNode()) {
        if (child->kind() == NodeKind::Folder) {
            if (isExcluded(child, configuration))
                continue;
            if (!unityBuildFileName(child, configuration).isEmpty())
                objects.append(unityObjectName(child, configuration));
            else
                collectObjects(child, configuration, objects);
            continue;
        }
        if (child->kind() != NodeKind::File)
            continue;
        const FileAction action = fileAction(child, configuration);
        if (isCompiled(action)) {
            objects.append(objectFileName(child, configuration));
        } else if (action == FileAction::LinkerInput) {
            objects.append(projects().absoluteFileName(child, configuration));
        } else if (action == FileAction::CustomBuild) {
            const QString output = absoluteIn(
                child, configuration,
                property(child, QStringLiteral("custom_build_output_file_name"), configuration));
            if (output.endsWith(QLatin1String(".o")) || output.endsWith(QLatin1String(".a")))
                objects.append(output);
        }
    }
}

QStringList StandardBuildSystem::linkInputs(const ProjectElement *project,
                                            const QString &configuration) const
{
    QStringList inputs;
    collectObjects(project, configuration, inputs);
    // The outputs of the libraries and object files this project depends on.
    const QStringList dependencies = projects().projectDependencies(project, configuration);
    for (const QString &name : dependencies) {
        const ProjectElement *dependency = projects().findProject(name);
        if (!dependency || dependency == project || isExcluded(dependency, configuration))
            continue;
        const QString type = projects().value(dependency, QStringLiteral("project_type"),
                                              configuration);
        if (type.endsWith(QLatin1String("Library")) || type.endsWith(QLatin1String("Object file")))
            inputs.append(outputFileName(dependency, configuration));
    }
    return inputs;
}

// --- Steps ------------------------------------------------------------------------------

bool StandardBuildSystem::runCommand(const ProjectElement *node, const Step &step,
                                     const QString &directory, const QStringList &arguments,
                                     const QString &outputFile)
{
    const bool succeeded = runAndWait(*step.builder, node, step.configuration, directory,
                                      arguments, outputFile);
    if (!outputFile.isEmpty())
        m_checker.forget(outputFile);
    return succeeded;
}

bool StandardBuildSystem::runOptionalCommand(ProjectElement *node, const Step &step,
                                             const QString &saveName, const QString &title)
{
    const QString commands = property(node, saveName, step.configuration).trimmed();
    if (commands.isEmpty())
        return true;
    step.builder->beginGroup(node, title + commands, step.configuration, 0);
    const bool succeeded = runCommandLines(*step.builder, node, step.configuration,
                                           step.projectDirectory, commands);
    step.builder->endGroup(node, step.configuration);
    return succeeded;
}

// A step's result, once its optional follow-up command (post-compile, post-archive...)
// has run.
StandardBuildSystem::Result StandardBuildSystem::afterStep(bool succeeded, ProjectElement *node,
                                                           const Step &step,
                                                           const QString &saveName,
                                                           const QString &title)
{
    if (!succeeded || !runOptionalCommand(node, step, saveName, title))
        return Result::Failed;
    return Result::Built;
}

// The up-to-date test in its own "Checking" group, which only a verbose build shows.
bool StandardBuildSystem::isCurrent(const ProjectElement *node, const QString &name,
                                    const OutputCheck &check, const Step &step, bool fullStop)
{
    const bool quiet = step.options & ProjectJob::Quiet;
    if (!quiet)
        step.builder->beginGroup(node, "Checking " + quotedName(name), step.configuration, 0);
    const bool current = m_checker.isCurrent(node, step.configuration, step.options, check,
                                             *step.builder);
    if (current && !quiet)
        step.builder->upToDate(quotedName(name) + " is up to date" + (fullStop ? "." : ""));
    if (!quiet)
        step.builder->endGroup(node, step.configuration);
    return current;
}

bool StandardBuildSystem::buildNode(ProjectElement *node, const QString &configuration,
                                    Builder &builder, quint32 options)
{
    ProjectElement *project = node->project();
    if (!project)
        return false;
    const Step step{project, configuration, &builder, options,
                    projectFacts(project, configuration).directory};
    if (options & ProjectJob::Clean) {
        clean(node, step);
        if (options & ProjectJob::StopAfterClean)
            return false;
    }
    Result result = Result::UpToDate;
    switch (node->kind()) {
    case NodeKind::File:
        result = buildFile(node, step);
        break;
    case NodeKind::Folder:
        result = unityBuildFileName(node, configuration).isEmpty()
                || (options & ProjectJob::DisableUnityBuild)
            ? buildChildren(node, step)
            : compileUnityFolder(node, step);
        break;
    case NodeKind::Project: {
        const QString type = projects().value(project, QStringLiteral("project_type"),
                                              configuration);
        if (!(options & ProjectJob::NoDescent) && !isExternal(type)
            && type != QLatin1String("Combining")) {
            result = buildChildren(project, step);
        }
        if (result != Result::Failed) {
            const Result output = buildProjectOutput(project, type, step);
            if (output != Result::UpToDate)
                result = output;
        }
        break;
    }
    default:
        break;
    }
    return result != Result::UpToDate;
}

StandardBuildSystem::Result StandardBuildSystem::buildChildren(ProjectElement *parent,
                                                               const Step &step)
{
    Result result = Result::UpToDate;
    const bool disableUnity = step.options & ProjectJob::DisableUnityBuild;
    for (ProjectElement *child = parent->firstChildNode(); child;
         child = child->nextSiblingNode()) {
        Result childResult = Result::UpToDate;
        if (child->kind() == NodeKind::File) {
            childResult = buildFile(child, step);
        } else if (child->kind() == NodeKind::Folder && !isExcluded(child, step.configuration)) {
            childResult = !disableUnity && !unityBuildFileName(child, step.configuration).isEmpty()
                              ? compileUnityFolder(child, step)
                              : buildChildren(child, step);
        }
        if (childResult == Result::Failed)
            return childResult;
        if (childResult == Result::Built)
            result = Result::Built;
    }
    return result;
}

StandardBuildSystem::Result StandardBuildSystem::buildFile(ProjectElement *file,
                                                           const Step &step)
{
    const FileAction action = fileAction(file, step.configuration);
    if (isCompiled(action))
        return compile(file, action, step);
    if (action == FileAction::CustomBuild)
        return customBuild(file, step);
    if (action == FileAction::StagedCopy)
        return stagedCopy(file, step);
    return Result::UpToDate;
}

StandardBuildSystem::Result StandardBuildSystem::compile(ProjectElement *file,
                                                         FileAction action, const Step &step)
{
    const QString &configuration = step.configuration;
    const SourceNames names = sourceNames(file, configuration);
    const QString name = file->name();
    if (!QFileInfo::exists(names.input)) {
        step.builder->beginGroup(file, QStringLiteral("Checking Source File Exists"),
                                 configuration, 0);
        step.builder->error(names.input + " does not exist.");
        step.builder->endGroup(file, configuration);
        return Result::Failed;
    }
    OutputCheck check;
    check.output = names.object;
    check.inputs = QStringList{names.input};
    check.dependencyFile = names.dependencyFile;
    check.baseDirectory = step.projectDirectory;
    if (isCurrent(file, name, check, step))
        return Result::UpToDate;
    if (!runOptionalCommand(file, step, QStringLiteral("pre_compile_command"),
                            QStringLiteral("Pre-compile command ")))
        return Result::Failed;
    const QString title = action == FileAction::Assemble ? QStringLiteral("Assembling ")
                                                         : QStringLiteral("Compiling ");
    step.builder->beginGroup(file, title + quotedName(name), configuration, 0);
    const bool compiled = runCommand(file, step, step.projectDirectory,
                                     compileArguments(file, configuration, action, names),
                                     names.object);
    if (!names.dependencyFile.isEmpty())
        m_checker.forget(names.dependencyFile);
    step.builder->endGroup(file, configuration);
    return afterStep(compiled, file, step, QStringLiteral("post_compile_command"),
                     QStringLiteral("Post-compile command "));
}

// A unity folder compiles as one unit: a generated file includes each of its C and C++
// sources. The file is rewritten only when its text changes, so that an unchanged
// folder stays up to date.
StandardBuildSystem::Result StandardBuildSystem::compileUnityFolder(ProjectElement *folder,
                                                                    const Step &step)
{
    const QString &configuration = step.configuration;
    const QString unityFile = absoluteIn(folder, configuration,
                                         property(folder, QStringLiteral("unity_build_file_name"),
                                                  configuration));
    QStringList lines;
    QStringList sources;
    bool cpp = false;
    for (const ProjectElement *child = folder->firstChildNode(); child;
         child = child->nextSiblingNode()) {
        if (child->kind() != NodeKind::File)
            continue;
        const FileAction action = fileAction(child, configuration);
        if (action != FileAction::CompileC && action != FileAction::CompileCpp)
            continue;
        cpp = cpp || action == FileAction::CompileCpp;
        const QString source = projects().absoluteFileName(child, configuration);
        sources.append(source);
        lines.append("#include \"" + source + "\"");
    }
    if (sources.isEmpty())
        return Result::UpToDate;
    QFile existing(unityFile);
    const QByteArray wanted = lines.join(QLatin1Char('\n')).toUtf8() + '\n';
    if (!existing.open(QIODevice::ReadOnly) || existing.readAll() != wanted)
        step.builder->writeFile(unityFile, lines);
    SourceNames names;
    names.input = unityFile;
    names.object = unityObjectName(folder, configuration);
    names.dependencyFile = names.object.left(names.object.size() - 2) + ".d";
    OutputCheck check;
    check.output = names.object;
    check.inputs = sources;
    check.dependencyFile = names.dependencyFile;
    check.baseDirectory = step.projectDirectory;
    const QString name = QFileInfo(unityFile).fileName();
    if (isCurrent(folder, name, check, step))
        return Result::UpToDate;
    const FileAction action = cpp ? FileAction::CompileCpp : FileAction::CompileC;
    step.builder->beginGroup(folder, "Compiling " + quotedName(name), configuration, 0);
    const bool compiled = runCommand(folder, step, step.projectDirectory,
                                     compileArguments(folder, configuration, action, names),
                                     names.object);
    step.builder->endGroup(folder, configuration);
    return compiled ? Result::Built : Result::Failed;
}

StandardBuildSystem::Result StandardBuildSystem::customBuild(ProjectElement *file,
                                                             const Step &step)
{
    const QString &configuration = step.configuration;
    const QString input = projects().absoluteFileName(file, configuration);
    OutputCheck check;
    check.output = absoluteIn(file, configuration,
                              property(file, QStringLiteral("custom_build_output_file_name"),
                                       configuration));
    check.mustNotBeEmpty = false;
    check.inputs = QStringList{input};
    if (!check.output.isEmpty() && isCurrent(file, file->name(), check, step))
        return Result::UpToDate;
    step.builder->beginGroup(file, "Running Custom Build Step " + quotedName(file->name()),
                             configuration, 0);
    bool succeeded = true;
    const QStringList commands = property(file, QStringLiteral("custom_build_command"),
                                          configuration)
                                     .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &command : commands) {
        succeeded = runCommand(file, step, step.projectDirectory,
                               {QStringLiteral("sh"), QStringLiteral("-c"), command},
                               check.output);
        if (!succeeded)
            break;
    }
    step.builder->endGroup(file, configuration);
    return succeeded ? Result::Built : Result::Failed;
}

StandardBuildSystem::Result StandardBuildSystem::stagedCopy(ProjectElement *file,
                                                            const Step &step)
{
    const QString &configuration = step.configuration;
    OutputCheck check;
    check.inputs = QStringList{projects().absoluteFileName(file, configuration)};
    check.output = absoluteIn(file, configuration,
                              property(file, QStringLiteral("staging_output_directory"),
                                       configuration))
                   + QLatin1Char('/') + QFileInfo(check.inputs.first()).fileName();
    check.mustNotBeEmpty = false;
    if (isCurrent(file, file->name(), check, step, true))
        return Result::UpToDate;
    step.builder->beginGroup(file, "Copying " + quotedName(file->name()), configuration, 0);
    const bool readOnly = isYes(file, QStringLiteral("staging_make_read_only"), configuration);
    const bool copied = runCommand(file, step, step.projectDirectory,
                                   {QStringLiteral("cp"), QStringLiteral("-f"),
                                    check.inputs.first(), check.output},
                                   check.output)
        && runCommand(file, step, step.projectDirectory,
                      {QStringLiteral("chmod"),
                       readOnly ? QStringLiteral("-w") : QStringLiteral("+w"), check.output},
                      QString());
    step.builder->endGroup(file, configuration);
    return copied ? Result::Built : Result::Failed;
}
