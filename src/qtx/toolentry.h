#pragma once

#include "argparse.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

#include <functional>
#include <optional>

namespace QTx {

/// The command line of a tool: ArgParse plus what every tool handles alike — the
/// positional arguments in order, "-help", "-" as a positional argument (standard input
/// or output by convention), and the usage text, generated from the option table so
/// that it never disagrees with the options. A tool derives from it and declares its
/// options, each with a description, in its constructor; an option without one is
/// accepted but not listed.
class ToolArgParse : public ArgParse
{
public:
    /// `synopsis` holds the command forms after the tool name, one per line
    /// ("info FILE [option]..."); `notes` is printed after the options.
    ToolArgParse(const QString &toolName, const QString &synopsis,
                 const QString &notes = QString(),
                 DiagnosticSink *sink = nullptr);  // the process's sink when null

    /// Parses the arguments and settles what all tools settle the same way. Answers the
    /// exit status when the tool should stop here — 0 after -help, which wins over
    /// everything else and prints the usage on standard output; 1 after a command-line
    /// error; 0 when no positional argument was given, after printing the usage on
    /// standard error — and nothing when the tool should go on.
    std::optional<int> parseCommandLine(const QStringList &arguments);

    /// Banner, "Usage:" with the synopsis, the described options and the notes.
    QByteArray usageText() const;

    QStringList positional;
    bool help = false;

protected:
    void addFlag(const QString &name, bool *flag, const QString &description);
    /// An option that takes the next argument as its value; `given` (when set) tells
    /// whether it appeared at all.
    void addValue(const QString &name, const QString &valueName, QString *value,
                  const QString &description, bool *given = nullptr);
    void addHandler(const QString &name, const QString &valueName, const Handler &handler,
                    const QString &description);

    void handleArgument(const QString &argument) override;
    void unrecognisedOption(const QString &argument) override;

private:
    QString m_toolName;
    QString m_synopsis;
    QString m_notes;
    QMap<QString, QString> m_valueNames;
};

/// Writes a tool's output to standard output. The reason of the first write that fails
/// is kept, for the message runTool() prints at the end.
void writeStandardOutput(const QByteArray &bytes);

/// Runs a tool's main(): creates the application object and the process-wide diagnostic
/// sink (its messages start with `programName`), calls `body` with the arguments after
/// the program name, flushes standard output and returns the exit status. This is the
/// one place where failures become messages: an exception escaping `body` prints
/// "PROGRAM: error: MESSAGE" on standard error and gives status 1, and so does standard
/// output that cannot be written.
int runTool(int argc, char **argv, const QByteArray &programName,
            const std::function<int(const QStringList &arguments)> &body);

} // namespace QTx
