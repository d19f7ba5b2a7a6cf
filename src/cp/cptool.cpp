#include "cptool.h"

#include "cpargparse.h"
#include "textcopy.h"
#include "cptextstream.h"

#include "projectsystem/macroservice.h"
#include "qtx/diagnosticsink.h"
#include "qtx/directories.h"
#include "qtx/fileguard.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <memory>
#include <cstdio>
#include <iostream>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utime.h>

namespace {

constexpr int copyChunkSize = 131072;
constexpr int maxLinkText = 4095;

QByteArray local(const QString &text)
{
    return text.toLocal8Bit();
}

// Fills "%1" and "%2" in a message with the two paths in one pass, so that a path that
// itself contains "%2" stays as it is.
QByteArray message(const char *format, const QString &first, const QString &second = QString())
{
    QByteArray message;
    for (const char *c = format; *c; ++c) {
        if (c[0] == '%' && (c[1] == '1' || c[1] == '2')) {
            message += local(*++c == '1' ? first : second);
            continue;
        }
        message += *c;
    }
    return message;
}

mode_t processUmask()
{
    static const mode_t mask = [] {
        const mode_t value = umask(0);
        umask(value);
        return value;
    }();
    return mask;
}

// Gives the target the source's access and modification times and its mode bits
// masked by the umask; failures are of no consequence to the copy.
void copyTimesAndMode(const QByteArray &target, const struct stat &status)
{
    struct utimbuf times;
    times.actime = status.st_atime;
    times.modtime = status.st_mtime;
    utime(target.constData(), &times);
    chmod(target.constData(), status.st_mode & 07777 & ~processUmask());
}

// The directory entry a path names: its parent resolved, its last component kept,
// so that a link is told apart from what it points to.
QString entryPath(const QString &path)
{
    const QFileInfo info(path);
    const QString parent = info.absoluteDir().canonicalPath();
    return parent.isEmpty() ? QString() : parent + "/" + info.fileName();
}

// Whether removing or truncating `target` would destroy the data of `source`: the two
// name the same directory entry, or (when the copy reads through links) the target is
// the entry the source finally resolves to. A hard link elsewhere is no danger: the
// data survives under the source's name.
bool targetIsSource(const QString &source, const QString &target, bool followSourceLinks)
{
    const QFileInfo targetInfo(target);
    if (!targetInfo.exists() && !targetInfo.isSymLink())
        return false;
    const QString targetEntry = entryPath(target);
    if (targetEntry.isEmpty())
        return false;
    if (targetEntry == entryPath(source))
        return true;
    return followSourceLinks && targetEntry == QFileInfo(source).canonicalFilePath();
}

} // namespace

CpTool::CpTool(MacroService &macros) : m_macros(macros) {}

QList<PathValue> CpTool::expandWildcard(const QString &pattern)
{
    QList<PathValue> matches;
    // Each pending entry is a (partly substituted) pattern and the position of the
    // component to scan next.
    QList<QPair<QString, int>> pending{{pattern, 0}};
    while (!pending.isEmpty()) {
        const auto [path, from] = pending.takeFirst();
        int start = from;
        for (;;) {
            const int separator = path.indexOf(QLatin1Char('/'), start);
            const QString component =
                path.mid(start, separator < 0 ? -1 : separator - start);
            const bool hasWildcard =
                component.contains(QLatin1Char('*')) || component.contains(QLatin1Char('?'));
            if (!hasWildcard) {
                if (separator < 0) {
                    if (QFileInfo::exists(path))
                        matches.append(PathValue(path));
                    break;
                }
                start = separator + 1;
                continue;
            }
            const QString directory = path.left(start);
            const QString rest = separator < 0 ? QString() : path.mid(separator);
            const bool last = separator < 0;
            const QStringList entries = QDir(directory.isEmpty() ? QStringLiteral(".")
                                                                 : directory)
                                            .entryList(QDir::nameFiltersFromString(component),
                                                       last ? QDir::Dirs | QDir::Files
                                                            : QDir::Dirs,
                                                       QDir::Unsorted);
            QList<QPair<QString, int>> inner;
            for (const QString &entry : entries) {
                if (entry == QLatin1String(".") || entry == QLatin1String(".."))
                    continue;
                if (last)
                    matches.append(PathValue(directory + entry, true));
                else
                    inner.append({directory + entry + rest, start + entry.size() + 1});
            }
            // Depth first, in listing order, like the recursive walk it stands for.
            pending = inner + pending;
            break;
        }
    }
    return matches;
}

bool CpTool::makeDirectory(const QString &path)
{
    const QFileInfo info(path);
    if (info.isDir())
        return true;
    const QString absolute = info.absoluteFilePath();
    if (absolute == QLatin1String("/"))
        return false;
    const QString parent = absolute.left(absolute.lastIndexOf(QLatin1Char('/')));
    if (!parent.isEmpty() && parent != absolute && !QFileInfo::exists(parent))
        makeDirectory(parent);
    return QDir().mkdir(absolute);
}

bool CpTool::byteCopy(const QString &source, const QString &target)
{
    if (!QFileInfo::exists(source))
        return false;
    QString to = target;
    if (QFileInfo(target).isDir())
        to = target + "/" + QFileInfo(source).fileName();
    if (targetIsSource(source, to, true))
        return false;
    const QByteArray from = QFile::encodeName(source);
    const QByteArray toName = QFile::encodeName(to);

    const QTx::FileDescriptor in(open(from.constData(), O_RDONLY | O_CLOEXEC));
    struct stat status;
    if (!in.isValid() || fstat(in.fd(), &status) != 0)
        return false;
    QTx::FileDescriptor out(
        open(toName.constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
    if (!out.isValid())
        return false;
    posix_fadvise(in.fd(), 0, 0, POSIX_FADV_SEQUENTIAL);
    const std::unique_ptr<char[]> chunk(new char[copyChunkSize]);
    char *buffer = chunk.get();
    for (;;) {
        const ssize_t got = read(in.fd(), buffer, copyChunkSize);
        if (got == 0)
            break;
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0)
            return false;
        for (ssize_t written = 0; written < got;) {
            const ssize_t put = write(out.fd(), buffer + written, size_t(got - written));
            if (put < 0 && errno == EINTR)
                continue;
            if (put <= 0)
                return false;
            written += put;
        }
    }
    if (out.close() != 0)
        return false;
    copyTimesAndMode(toName, status);
    return true;
}

void CpTool::makeLink(const QString &source, const QString &target)
{
    const QFileInfo sourceInfo(source);
    const QString sourceDirectory = sourceInfo.dir().absolutePath();
    const QString targetDirectory = QFileInfo(target).dir().absolutePath();
    const QString linkText =
        QDir(targetDirectory).relativeFilePath(sourceDirectory + "/" + sourceInfo.fileName());
    if (symlink(QFile::encodeName(linkText).constData(), QFile::encodeName(target).constData())
        != 0) {
        throw CopyFailed{message("cp failed: can't create symbolic link from \"%1\" to \"%2\" \n",
                                source, target)};
    }
}

void CpTool::copyLink(const QString &source, const QString &target)
{
    char linkText[maxLinkText + 1];
    const ssize_t length =
        readlink(QFile::encodeName(source).constData(), linkText, maxLinkText);
    if (length <= 0)
        throw CopyFailed{message("cp failed: can't read symbolic link \"%1\"\n", source)};
    linkText[length] = '\0';
    if (symlink(linkText, QFile::encodeName(target).constData()) != 0)
        throw CopyFailed{
            message("cp failed: can't copy symbolic link \"%1\" to \"%2\"\n", source, target)};
}

void CpTool::textCopy(const CpArgParse &options, const QString &source, const QString &target)
{
    Directories::setFromExecutable(Directories::executablePath(m_argv0));
    m_macros.definePath("StudioDir", Directories::installDirectory().path());

    QMap<QString, QString> definitions;
    for (const QString &definition : options.macroDefinitions) {
        const int equals = definition.indexOf(QLatin1Char('='));
        if (equals < 0)
            definitions.insert(definition, QString(""));
        else
            definitions.insert(definition.left(equals), definition.mid(equals + 1));
    }

    QFile input(source);
    if (!input.open(QIODevice::ReadOnly))
        throw CopyFailed{message("cp failed: can't read from \"%1\" \n", source)};
    struct stat status;
    const bool haveStatus = fstat(input.handle(), &status) == 0;
    QFile output(target);
    if (targetIsSource(source, target, true)
        || !output.open(QIODevice::WriteOnly | QIODevice::Text | QIODevice::Truncate))
        throw CopyFailed{message("cp failed: can't write to \"%1\" \n", target)};

    // Files are opened without QIODevice::Text: the reader handles "\r\n" itself, and
    // text mode would also drop every lone "\r".
    CpTextReader in(&input);
    CpTextWriter out(&output);
    TextCopy copy(m_macros, definitions, options.expandMacros, options.includes,
                  options.preprocess);
    try {
        copy.copy(in, out);
    } catch (const TextCopyError &) {
        out.flush();  // what was copied before the failure stays in the target
        throw;
    }
    out.flush();
    input.close();
    output.close();
    if (haveStatus)
        copyTimesAndMode(QFile::encodeName(target), status);
}

void CpTool::copySource(const CpArgParse &options, const PathValue &sourceValue,
                        const QString &destination, bool destinationIsDirectory)
{
    const QString source = sourceValue.path();
    const QString target = destinationIsDirectory
                               ? destination + "/" + QFileInfo(source).fileName()
                               : destination;
    const bool textMode = options.expandMacros || options.includes || options.preprocess;
    const bool readsThroughLinks = !options.makeLinks && !(options.copyLinks && !textMode
                                                          && QFileInfo(source).isSymLink());

    // Removing the target first is what makes a copy onto a link or a read-only file
    // work; it must never remove the very file being copied.
    if (targetIsSource(source, target, readsThroughLinks)) {
        if (options.makeLinks)
            throw CopyFailed{message(
                "cp failed: can't create symbolic link from \"%1\" to \"%2\" \n", source, target)};
        if (textMode)
            throw CopyFailed{message("cp failed: can't write to \"%1\" \n", target)};
        if (!readsThroughLinks)
            throw CopyFailed{message("cp failed: can't copy symbolic link \"%1\" to \"%2\"\n",
                                    source, target)};
        throw CopyFailed{message("cp failed: can't copy \"%1\" to \"%2\"\n", source, target)};
    }
    const QFileInfo targetInfo(target);
    if (targetInfo.exists() || targetInfo.isSymLink())
        unlink(QFile::encodeName(target).constData());

    if (options.verbose) {
        std::fputs(message("Copying %1 to %2\n", source, target).constData(), stdout);
        std::fflush(stdout);
    }
    if (options.makeLinks) {
        makeLink(source, target);
    } else if (!textMode) {
        if (options.copyLinks && QFileInfo(source).isSymLink())
            copyLink(source, target);
        else if (!byteCopy(source, target))
            throw CopyFailed{message("cp failed: can't copy \"%1\" to \"%2\"\n", source, target)};
    } else {
        textCopy(options, source, target);
    }
}

int CpTool::run(const QStringList &arguments, const QString &argv0)
{
    m_argv0 = argv0;
    CpArgParse options(DiagnosticSink::instance());
    try {
        if (!arguments.isEmpty())
            options.parse(arguments, 1);
        if (DiagnosticSink::instance()->errorCount() != 0)
            return 1;
        // Too few arguments for a copy: show how to call the tool instead.
        if (arguments.size() < 2 || options.positionalArguments.isEmpty()) {
            const QByteArray text = CpArgParse::usageText();
            std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
            std::fflush(stderr);
            return 0;
        }

        QList<PathValue> sources;
        QStringList positional = options.positionalArguments;
        while (positional.size() >= 2) {
            const QString source = positional.takeFirst();
            if (source.contains(QLatin1Char('*')) || source.contains(QLatin1Char('?')))
                sources += expandWildcard(source);
            else
                sources.append(PathValue(source));
        }

        QString destination = positional.takeFirst();
        bool destinationIsDirectory = false;
        if (destination.endsWith(QLatin1Char('/'))) {
            destination.chop(1);
            destinationIsDirectory = true;
            if (options.makeDir)
                makeDirectory(destination);
        } else if (QFileInfo(destination).isDir()) {
            destinationIsDirectory = true;
            if (options.makeDir)
                makeDirectory(destination);
        } else if (options.makeDir) {
            const QString absolute = QFileInfo(destination).absoluteFilePath();
            makeDirectory(absolute.left(absolute.lastIndexOf(QLatin1Char('/'))));
        }

        for (const PathValue &source : std::as_const(sources))
            copySource(options, source, destination, destinationIsDirectory);
    } catch (const CpExit &exit) {
        return exit.status;
    } catch (const CopyFailed &failure) {
        std::fputs(failure.message.constData(), stderr);
        std::fflush(stderr);
        return options.noFail ? 0 : 1;
    } catch (const TextCopyError &failure) {
        std::fputs(failure.message.constData(), stderr);
        std::fflush(stderr);
        return 1;
    }
    return 0;
}
