#include "tessapkgtool.h"

#include "tessapkgoptions.h"

#include "package/packagearchive.h"
#include "package/packagearchivefile.h"
#include "qtx/hexception.h"
#include "qtx/pathvalue.h"
#include "qtx/savefile.h"
#include "qtx/toolsupport.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QRegExp>

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <limits>

namespace {

struct Command
{
    const char *name;
    int minArguments;
    int maxArguments;  // -1: any number
    QStringList options;
    int (TessapkgTool::*run)(const TessapkgOptions &);
};

qint64 parseOffset(const TessapkgOptions &options)
{
    return options.offsetGiven
               ? QTx::parseNumber(options.offset, 0, std::numeric_limits<qint64>::max(),
                                  QStringLiteral("offset"))
               : 0;
}

// "%06o %10u yyyy-MM-dd hh:mm:ss NAME", and " -> TARGET" for a link.
QByteArray listLine(PackageArchive &archive, PackageArchiveFile *entry)
{
    char fields[32];
    std::snprintf(fields, sizeof fields, "%06o %10u ", entry->mode(), entry->size());
    QByteArray line = fields;
    line += entry->modificationTime().toUTC().toString("yyyy-MM-dd hh:mm:ss").toLatin1();
    line += ' ' + entry->name().toLocal8Bit();
    if (entry->isSymbolicLink())
        line += " -> " + archive.content(entry);
    return line + '\n';
}

bool matchesAny(const QString &name, const QList<QRegExp> &patterns)
{
    return std::any_of(patterns.begin(), patterns.end(),
                       [&](const QRegExp &pattern) { return pattern.exactMatch(name); });
}

} // namespace

int TessapkgTool::run(const QStringList &arguments)
{
    TessapkgOptions options;
    if (const auto status = options.parseCommandLine(arguments))
        return *status;

    static const Command commands[] = {
        {"list", 1, 1, {"-offset"}, &TessapkgTool::list},
        {"create", 2, -1, {"-version", "-bzip2", "-level", "-nofollow"}, &TessapkgTool::create},
        {"extract", 2, -1, {"-overwrite", "-offset"}, &TessapkgTool::extract},
        {"compare", 2, 2, {"-text", "-times", "-modes"}, &TessapkgTool::compare},
        {"probe", 1, 1, {}, &TessapkgTool::probe},
    };
    const QString name = options.positional.takeFirst();
    const auto command = std::find_if(std::begin(commands), std::end(commands),
                                      [&](const Command &c) { return name == c.name; });
    if (command == std::end(commands))
        throw HException("unknown command " + QTx::quoted(name)
                         + " (use list, create, extract, compare or probe)");
    for (const QString &option : options.givenOptions()) {
        if (!command->options.contains(option))
            throw HException("option " + option + " does not apply to " + name);
    }
    const int count = options.positional.size();
    if (count < command->minArguments)
        throw HException("missing arguments for " + name);
    if (command->maxArguments >= 0 && count > command->maxArguments)
        throw HException("too many arguments for " + name);
    return (this->*command->run)(options);
}

// Opens an archive for reading; its failures name the file.
static void openArchive(PackageArchive &archive, const QString &fileName, qint64 offset)
{
    QTx::checkReadableFile(fileName);
    archive.setFileName(fileName);
    try {
        archive.open(offset);
    } catch (const HException &error) {
        throw HException("cannot read " + QTx::quoted(fileName) + ": " + error.message());
    }
}

int TessapkgTool::list(const TessapkgOptions &options)
{
    PackageArchive archive;
    openArchive(archive, options.positional.at(0), parseOffset(options));
    for (PackageArchiveFile *entry : archive.entries())
        QTx::writeStandardOutput(listLine(archive, entry));
    return 0;
}

int TessapkgTool::create(const TessapkgOptions &options)
{
    PackageArchive archive;
    const int version = options.versionGiven
                            ? int(QTx::parseNumber(options.version, 1, 2, QStringLiteral("version")))
                            : 2;
    const int level = options.levelGiven
                          ? int(QTx::parseNumber(options.level, -1, 9, QStringLiteral("level")))
                          : -1;
    // bzip2's block size is the level, and there are no blocks of size 0.
    if (options.bzip2 && version == 2 && level == 0)
        throw HException(QStringLiteral("level 0 is not available with -bzip2"));
    archive.setVersion(version);
    archive.setCompressionAlgorithm(options.bzip2 ? PackageArchive::bzip2Algorithm
                                                  : PackageArchive::zlibAlgorithm);
    m_follow = !options.noFollow;
    archive.setFollowSymbolicLinks(m_follow);
    archive.buildIndex();
    struct stat output;
    if (stat(QFile::encodeName(options.positional.at(0)).constData(), &output) == 0) {
        m_outputDevice = output.st_dev;
        m_outputInode = output.st_ino;
    }
    for (int i = 1; i < options.positional.size(); ++i) {
        const QString &path = options.positional.at(i);
        QString name = PathValue::clean(path);
        while (name.startsWith(QLatin1Char('/')))
            name.remove(0, 1);
        if (name == QLatin1String("..") || name.startsWith(QLatin1String("../")))
            throw HException("unsafe entry name " + name);
        addPath(archive, path, name);
    }
    // The archive is written beside the target and replaces it only when complete.
    QTx::SaveFile target(options.positional.at(0));
    if (!target.open())
        throw HException(target.errorString());
    try {
        archive.saveAs(target.temporaryFileName(), level);
    } catch (const HException &error) {
        throw HException("cannot write " + QTx::quoted(target.fileName()) + ": "
                         + error.message());
    }
    if (!target.commit())
        throw HException(target.errorString());
    return 0;
}

// Files and links become entries; directories are walked; anything else (devices,
// pipes, sockets) is left out. A link to a directory is walked only when links are
// followed, and never into a directory that is already being walked.
void TessapkgTool::addPath(PackageArchive &archive, const QString &path, const QString &name)
{
    const QByteArray local = QFile::encodeName(path);
    struct stat status;
    if (lstat(local.constData(), &status) != 0) {
        archive.addFile(path, name);  // reports the missing path
        return;
    }
    if (S_ISLNK(status.st_mode)) {
        struct stat target;
        if (m_follow && stat(local.constData(), &target) == 0 && S_ISDIR(target.st_mode))
            addDirectory(archive, path, name);
        else if (!m_follow || stat(local.constData(), &target) != 0 || S_ISREG(target.st_mode))
            archive.addFile(path, name);
        return;
    }
    const bool isOutput = m_outputInode != 0 && status.st_dev == m_outputDevice
                          && status.st_ino == m_outputInode;
    if (S_ISDIR(status.st_mode))
        addDirectory(archive, path, name);
    else if (S_ISREG(status.st_mode) && !isOutput)
        archive.addFile(path, name);
}

void TessapkgTool::addDirectory(PackageArchive &archive, const QString &path, const QString &name)
{
    const QString canonical = QFileInfo(path).canonicalFilePath();
    if (m_walking.contains(canonical))
        return;
    m_walking.insert(canonical);
    QStringList children = QDir(path).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::NoSort);
    std::sort(children.begin(), children.end());
    const QString prefix = name.isEmpty() ? QString() : name + QLatin1Char('/');
    for (const QString &child : children)
        addPath(archive, path + QLatin1Char('/') + child, prefix + child);
    m_walking.remove(canonical);
}

int TessapkgTool::extract(const TessapkgOptions &options)
{
    PackageArchive archive;
    openArchive(archive, options.positional.at(0), parseOffset(options));
    const QString directory = options.positional.at(1);
    const QStringList patterns = options.positional.mid(2);
    if (!QDir().mkpath(directory))
        throw HException("cannot create directory " + QTx::quoted(directory));
    if (patterns.isEmpty()) {
        archive.extractAll(directory, options.overwrite);
        return 0;
    }
    QList<QRegExp> wildcards;
    for (const QString &pattern : patterns) {
        wildcards.append(QRegExp(pattern, Qt::CaseSensitive, QRegExp::Wildcard));
        if (!archive.findFirstMatching(pattern))
            throw HException("no entry matches " + QTx::quoted(pattern));
    }
    for (PackageArchiveFile *entry : archive.entries())
        entry->setMarked(matchesAny(entry->name(), wildcards));
    archive.extractMarked(directory, options.overwrite);
    return 0;
}

int TessapkgTool::compare(const TessapkgOptions &options)
{
    PackageArchive first(options.positional.at(0));
    PackageArchive second(options.positional.at(1));
    first.buildIndex();
    second.buildIndex();
    const int differences = first.compare(second, options.text, options.times, options.modes);
    return differences == 0 ? 0 : 1;
}

int TessapkgTool::probe(const TessapkgOptions &options)
{
    PackageArchive archive;
    const bool isArchive = archive.probe(options.positional.at(0));
    QTx::writeStandardOutput(isArchive ? "yes\n" : "no\n");
    return isArchive ? 0 : 1;
}
