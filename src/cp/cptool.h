#pragma once

#include "qtx/pathvalue.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

class CpArgParse;
class MacroService;

/// One run of the cp tool: parse the command line, classify the destination, copy each
/// source (bytes, links or text) and answer the exit status. Messages go to standard
/// error, -verbose reports to standard output.
class CpTool
{
public:
    explicit CpTool(MacroService &macros);

    /// Runs the tool on the arguments that follow the program name; returns the exit
    /// status. `argv0` names the program when /proc/self/exe cannot be read.
    int run(const QStringList &arguments, const QString &argv0);

    /// The existing files and directories a pattern with "*" or "?" names, in listing
    /// order; hidden entries are not listed.
    static QList<PathValue> expandWildcard(const QString &pattern);

    /// Copies the bytes of `source` to `target` (into it when it is a directory) and
    /// gives the target the source's times and its mode masked by the umask.
    static bool byteCopy(const QString &source, const QString &target);

    /// Creates a directory and its missing parents; false when it cannot.
    static bool makeDirectory(const QString &path);

private:
    struct CopyFailed
    {
        QByteArray message;
    };

    void copySource(const CpArgParse &options, const PathValue &source,
                    const QString &destination, bool destinationIsDirectory);
    void makeLink(const QString &source, const QString &target);
    void copyLink(const QString &source, const QString &target);
    void textCopy(const CpArgParse &options, const QString &source, const QString &target);

    MacroService &m_macros;
    QString m_argv0;
};
