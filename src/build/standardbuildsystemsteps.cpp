// The project-level steps of the standard build: link, archive, combine, the external
// build, and cleaning.

#include "standardbuildsystem.h"
#include "standardbuildsystem_p.h"

#include "builder.h"
#include "projectjob.h"

#include "projectsystem/projectelement.h"
#include "projectsystem/projectsystem.h"

#include <QDir>
#include <QFileInfo>
#include <QSet>

StandardBuildSystem::Result StandardBuildSystem::buildProjectOutput(ProjectElement *project,
                                                                    const QString &type,
                                                                    const Step &step)
{
    if (type == QLatin1String("Executable"))
        return link(project, step, false);
    if (type == QLatin1String("Object file"))
        return link(project, step, true);
    if (type == QLatin1String("Library"))
        return archive(project, step);
    if (type == QLatin1String("Combining"))
        return combine(project, step);
    if (isExternal(type))
        return externalBuild(project, step);
    // Staging: the copies are the output; say so when the project has none to make.
    if (type == QLatin1String("Staging") && !(step.options & ProjectJob::Quiet)
        && expectedSteps(project, step.configuration) == 1) {
        step.builder->beginGroup(project, "Copying " + quotedName(project->name()),
                                 step.configuration, 0);
        step.builder->upToDate(QStringLiteral("nothing to do"));
        step.builder->endGroup(project, step.configuration);
    }
    return Result::UpToDate;
}

bool StandardBuildSystem::checkLinkInputs(ProjectElement *project, const QStringList &objects,
                                          const Step &step)
{
    QSet<QString> seen;
    for (const QString &object : objects) {
        if (seen.contains(object)) {
            step.builder->beginGroup(project, QStringLiteral("Checking For Duplicate Object Files"),
                                     step.configuration, 0);
            step.builder->error("The object file " + object + " has been supplied more than once");
            step.builder->endGroup(project, step.configuration);
            return false;
        }
        seen.insert(object);
    }
    const QStringList additional = listProperty(project, QStringLiteral("linker_additional_files"),
                                                step.configuration);
    for (const QString &file : additional) {
        const QString name = absoluteIn(project, step.configuration, file);
        if (seen.contains(name)) {
            step.builder->beginGroup(project, "Checking Additional Linker Inputs "
                                                  + quotedName(project->name()),
                                     step.configuration, 0);
            step.builder->error(name + " supplied more than once");
            step.builder->endGroup(project, step.configuration);
            return false;
        }
        seen.insert(name);
    }
    return true;
}

bool StandardBuildSystem::locateLinkerFiles(ProjectElement *project, const Step &step)
{
    static const struct { const char *property; const char *title; const char *what; } files[] = {
        {"linker_script_file", "Locating Linker Script File", "Linker script file '"},
        {"linker_memory_map_file", "Locating Memory Map File", "Memory map file '"},
        {"linker_section_placement_file", "Locating Section Placement File",
         "Section placement file '"},
        {"linker_additional_options_file", "Locating Additional Options File",
         "Additional options file '"},
    };
    for (const auto &file : files) {
        const QString name = property(project, QString::fromLatin1(file.property),
                                      step.configuration);
        if (name.isEmpty() || QFileInfo::exists(absoluteIn(project, step.configuration, name)))
            continue;
        step.builder->beginGroup(project, QString::fromLatin1(file.title), step.configuration, 0);
        step.builder->error(QString::fromLatin1(file.what) + name + "' does not exist.");
        step.builder->endGroup(project, step.configuration);
        return false;
    }
    return true;
}

StandardBuildSystem::Result StandardBuildSystem::link(ProjectElement *project, const Step &step,
                                                      bool relocatable)
{
    const QString &configuration = step.configuration;
    const QStringList objects = linkInputs(project, configuration);
    if (!checkLinkInputs(project, objects, step) || !locateLinkerFiles(project, step))
        return Result::Failed;
    const QString output = outputFileName(project, configuration);
    const QString name = QFileInfo(output).fileName();
    QStringList additional;
    const QStringList additionalFiles =
        listProperty(project, QStringLiteral("linker_additional_files"), configuration);
    for (const QString &file : additionalFiles)
        additional.append(absoluteIn(project, configuration, file));
    OutputCheck check;
    check.output = output;
    check.inputs = objects + additional;
    for (const char *saveName : {"linker_script_file", "linker_memory_map_file",
                                 "linker_section_placement_file",
                                 "linker_additional_options_file"}) {
        const QString file = property(project, QString::fromLatin1(saveName), configuration);
        if (!file.isEmpty())
            check.inputs.append(absoluteIn(project, configuration, file));
    }
    if (isCurrent(project, name, check, step))
        return Result::UpToDate;
    if (!runOptionalCommand(project, step, QStringLiteral("pre_link_command"),
                            QStringLiteral("Pre-link command ")))
        return Result::Failed;

    const ToolChain chain = toolChain(project, configuration);
    bool cpp = false;
    for (const ProjectElement *file : filesBelow(project, configuration, false)) {
        if (fileAction(file, configuration) == FileAction::CompileCpp) {
            cpp = true;
            break;
        }
    }
    QStringList arguments{cpp ? chain.cppCompiler : chain.cCompiler};
    arguments += chain.targetOptions;
    if (relocatable)
        arguments << QStringLiteral("-nostdlib") << QStringLiteral("-r");
    if (isYes(project, QStringLiteral("build_debug_information"), configuration))
        arguments.append(QStringLiteral("-g"));
    const QString script = property(project, QStringLiteral("linker_script_file"), configuration);
    if (!script.isEmpty() && !relocatable)
        arguments << QStringLiteral("-T") << absoluteIn(project, configuration, script);
    // The script INCLUDEs the memory map and section placement by name: the linker
    // finds them through -L.
    for (const char *saveName : {"linker_memory_map_file", "linker_section_placement_file"}) {
        const QString file = property(project, QString::fromLatin1(saveName), configuration);
        if (!file.isEmpty())
            arguments.append("-L" + QFileInfo(absoluteIn(project, configuration, file)).path());
    }
    if (isYes(project, QStringLiteral("linker_map_file"), configuration) && !relocatable) {
        const QFileInfo info(output);
        arguments.append("-Wl,-Map=" + info.path() + QLatin1Char('/') + info.completeBaseName()
                         + ".map");
    }
    if (!isYes(project, QStringLiteral("link_use_standard_libraries"), configuration)
        && !relocatable) {
        arguments.append(QStringLiteral("-nostdlib"));
    }
    arguments += objects;
    arguments += additional;
    const QString optionsFile = property(project, QStringLiteral("linker_additional_options_file"),
                                         configuration);
    if (!optionsFile.isEmpty())
        arguments.append("@" + absoluteIn(project, configuration, optionsFile));
    arguments += listProperty(project, QStringLiteral("linker_additional_options"), configuration);
    arguments << QStringLiteral("-o") << output;

    step.builder->beginGroup(project, "Linking " + quotedName(name), configuration, 0);
    bool linked = runCommand(project, step, step.projectDirectory, arguments, output);
    const QString format = projects().value(project, QStringLiteral("linker_output_format"),
                                            configuration);
    static const struct { const char *name; const char *bfd; } formats[] = {
        {"bin", "binary"}, {"hex", "ihex"}, {"srec", "srec"}};
    for (const auto &entry : formats) {
        if (!linked || format != QLatin1String(entry.name))
            continue;
        const QFileInfo info(output);
        const QString loadFile = info.path() + QLatin1Char('/') + info.completeBaseName() + "."
                                 + QLatin1String(entry.name);
        linked = runCommand(project, step, step.projectDirectory,
                            {chain.objcopy, QStringLiteral("-O"), QLatin1String(entry.bfd), output,
                             loadFile},
                            loadFile);
    }
    step.builder->endGroup(project, configuration);
    if (afterStep(linked, project, step, QStringLiteral("post_link_command"),
                  QStringLiteral("Post-link command "))
        == Result::Failed) {
        return Result::Failed;
    }
    if (isYes(project, QStringLiteral("build_remove_intermediate_directory"), configuration)) {
        const QString directory = absoluteIn(
            project, configuration,
            property(project, QStringLiteral("build_intermediate_directory"), configuration));
        if (directory.startsWith(step.projectDirectory + QLatin1Char('/'))) {
            step.builder->beginGroup(project, "Deleting Intermediate Directory " + directory,
                                     configuration, 0);
            runCommand(project, step, step.projectDirectory,
                       {QStringLiteral("rm"), QStringLiteral("-fr"), directory}, QString());
            step.builder->endGroup(project, configuration);
        }
    }
    return Result::Built;
}

StandardBuildSystem::Result StandardBuildSystem::archive(ProjectElement *project, const Step &step)
{
    const QString &configuration = step.configuration;
    QStringList objects;
    collectObjects(project, configuration, objects);
    const QString output = outputFileName(project, configuration);
    const QString name = QFileInfo(output).fileName();
    if (objects.isEmpty()) {
        if (!(step.options & ProjectJob::Quiet)) {
            step.builder->beginGroup(project, "Nothing to archive for " + quotedName(name),
                                     configuration, 0);
            step.builder->endGroup(project, configuration);
        }
        return Result::UpToDate;
    }
    if (!checkLinkInputs(project, objects, step))
        return Result::Failed;
    OutputCheck check;
    check.output = output;
    check.inputs = objects;
    if (isCurrent(project, name, check, step))
        return Result::UpToDate;
    step.builder->beginGroup(project, "Archiving " + quotedName(name), configuration, 0);
    // A fresh archive, so that members of files no longer in the project go.
    step.builder->removeFile(output, true);
    QStringList arguments{toolChain(project, configuration).archiver, QStringLiteral("rcs")};
    arguments += listProperty(project, QStringLiteral("archive_additional_options"), configuration);
    arguments.append(output);
    arguments += objects;
    const bool archived = runCommand(project, step, step.projectDirectory, arguments, output);
    step.builder->endGroup(project, configuration);
    return afterStep(archived, project, step, QStringLiteral("post_archive_command"),
                     QStringLiteral("Post-archive command "));
}

StandardBuildSystem::Result StandardBuildSystem::combine(ProjectElement *project, const Step &step)
{
    const QString &configuration = step.configuration;
    OutputCheck check;
    check.output = outputFileName(project, configuration);
    check.mustNotBeEmpty = false;
    for (const ProjectElement *file : filesBelow(project, configuration, true))
        check.inputs.append(projects().absoluteFileName(file, configuration));
    const QString name = project->name();
    if (m_checker.isCurrent(project, configuration, step.options, check, *step.builder)) {
        if (!(step.options & ProjectJob::Quiet)) {
            step.builder->beginGroup(project, "Combining " + quotedName(name), configuration, 0);
            step.builder->upToDate(QStringLiteral("nothing to do"));
            step.builder->endGroup(project, configuration);
        }
        return Result::UpToDate;
    }
    step.builder->beginGroup(project, "Combining " + quotedName(name), configuration, 0);
    bool combined = runCommandLines(*step.builder, project, configuration, step.projectDirectory,
                                    property(project, QStringLiteral("combine_command"),
                                             configuration));
    m_checker.forget(check.output);
    if (combined && QFileInfo::exists(check.output)) {
        const bool readOnly
            = isYes(project, QStringLiteral("staging_make_read_only"), configuration);
        combined
            = runCommand(project, step, step.projectDirectory,
                         {QStringLiteral("chmod"),
                          readOnly ? QStringLiteral("-w") : QStringLiteral("+w"), check.output},
                         QString());
    }
    step.builder->endGroup(project, configuration);
    return combined ? Result::Built : Result::Failed;
}

StandardBuildSystem::Result StandardBuildSystem::externalBuild(ProjectElement *project,
                                                               const Step &step)
{
    const QString commands = property(project, QStringLiteral("external_build_command"),
                                      step.configuration).trimmed();
    if (commands.isEmpty())
        return Result::UpToDate;
    step.builder->beginGroup(project, "Running Build command " + commands, step.configuration, 0);
    const bool succeeded = runCommandLines(*step.builder, project, step.configuration,
                                           step.projectDirectory, commands);
    step.builder->endGroup(project, step.configuration);
    return succeeded ? Result::Built : Result::Failed;
}

// --- Cleaning ---------------------------------------------------------------------------

void StandardBuildSystem::cleanOutputs(ProjectElement *node, const Step &step)
{
    const QString &configuration = step.configuration;
    Builder &builder = *step.builder;
    if (node->kind() == NodeKind::File) {
        const FileAction action = fileAction(node, configuration);
        if (isCompiled(action)) {
            const SourceNames names = sourceNames(node, configuration);
            builder.removeFile(names.object, true);
            if (!names.dependencyFile.isEmpty())
                builder.removeFile(names.dependencyFile, true);
        } else if (action == FileAction::CustomBuild) {
            const QString output = property(node, QStringLiteral("custom_build_output_file_name"),
                                            configuration);
            if (!output.isEmpty())
                builder.removeFile(absoluteIn(node, configuration, output), true);
        }
        return;
    }
    if (!(step.options & ProjectJob::NoDescent) || node->kind() == NodeKind::Folder) {
        for (ProjectElement *child = node->firstChildNode(); child;
             child = child->nextSiblingNode()) {
            if (child->kind() == NodeKind::File || child->kind() == NodeKind::Folder)
                cleanOutputs(child, step);
        }
    }
    if (node->kind() == NodeKind::Folder && !unityBuildFileName(node, configuration).isEmpty())
        builder.removeFile(unityObjectName(node, configuration), true);
}

void StandardBuildSystem::clean(ProjectElement *node, const Step &step)
{
    const QString &configuration = step.configuration;
    if (node->kind() == NodeKind::Project) {
        const QString type = projects().value(node, QStringLiteral("project_type"), configuration);
        if (isExternal(type)) {
            const QString commands = property(node, QStringLiteral("external_clean_command"),
                                              configuration).trimmed();
            if (!commands.isEmpty()) {
                step.builder->beginGroup(node, "Running Clean command " + commands,
                                         configuration, 0);
                runCommandLines(*step.builder, node, configuration, step.projectDirectory,
                                commands);
                step.builder->endGroup(node, configuration);
            }
            return;
        }
    }
    step.builder->beginGroup(node, "Cleaning " + quotedName(node->name()), configuration, 0);
    cleanOutputs(node, step);
    if (node->kind() == NodeKind::Project) {
        const QString output = outputFileName(node, configuration);
        if (!output.isEmpty()) {
            step.builder->removeFile(output, true);
            // What the link writes beside its output: the map file and the load files.
            const QFileInfo info(output);
            const QString base = info.path() + QLatin1Char('/') + info.completeBaseName() + '.';
            for (const char *extension : {"map", "bin", "hex", "srec"}) {
                if (base + extension != output && QFileInfo::exists(base + extension))
                    step.builder->removeFile(base + extension, true);
            }
        }
        const QString directory = absoluteIn(
            node, configuration,
            property(node, QStringLiteral("build_intermediate_directory"), configuration));
        // Only a directory below the project's: a setting of "." must not empty it.
        if (directory.startsWith(step.projectDirectory + QLatin1Char('/'))
            && QFileInfo(directory).isDir()) {
            runCommand(node, step, step.projectDirectory,
                       {QStringLiteral("rm"), QStringLiteral("-fr"), directory}, QString());
        }
    }
    step.builder->endGroup(node, configuration);
}
