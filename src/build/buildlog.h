#pragma once

#include "diagnosticparser.h"

#include <QList>
#include <QString>

#include <functional>

/// The log of a build: one titled group per build step, each holding the lines of that
/// step (messages, command lines, diagnostics and other tool output) with counts of its
/// error, warning and note lines. A command-line build echoes it as text as it grows.
class BuildLog
{
public:
    /// Line kinds; the diagnostic severities double as the kinds of message lines.
    enum LineKind : quint32 {
        OutputLine = 0,
        NoteLine = 2,
        WarningLine = 3,
        ErrorLine = 4,
        UpToDateLine = 0x800000,
        CommandLine = 0x20100400,
    };
    static constexpr quint32 groupFlag = 0x10000000;

    struct Line
    {
        quint32 kind = OutputLine;
        QString text;
        Diagnostic diagnostic;  // for diagnostic lines; severity Plain otherwise
        int stream = -1;        // 0 or 1 for tool output, -1 for the build's own lines
    };

    struct Group
    {
        QString title;
        quint32 flags = 0;
        int buildIndex = 0;
        QList<Line> lines;
        int errors = 0;
        int warnings = 0;
        int notes = 0;
        QString status;  // "Terminated" once the step failed or was cancelled
        bool ended = false;
    };

    /// "1 Error", "3 Warnings", ... for the count columns; empty for 0.
    static QString countText(int count, const QString &singular, const QString &plural);

    /// Whether plain tool output is kept (it always counts for the echo of a failed
    /// command's standard error).
    void setShowOtherLines(bool show) { m_showOtherLines = show; }
    /// Called with each text line as the log grows: group titles unindented, lines
    /// indented by four blanks.
    void setEcho(std::function<void(const QString &)> echo) { m_echo = std::move(echo); }

    /// Echoes each group whole when it ends instead of line by line, so that the groups
    /// of steps that run at the same time never interleave: the title, the lines
    /// indented by four blanks (diagnostics as "FILE:LINE:COL: error|warning|note:
    /// TEXT"), then "    Terminated" when the step was terminated. Lines outside any
    /// group are echoed at once.
    void setEchoWholeGroups(bool whole) { m_wholeGroups = whole; }

    int beginGroup(const QString &title, quint32 flags, int buildIndex);
    /// The group's step is over (a group ends once; later calls do nothing).
    void endGroup(int group);
    /// Ends every group still open, in order (at the end of a build).
    void endOpenGroups();
    void addLine(int group, quint32 kind, const QString &text, int stream = -1);
    void addDiagnostic(int group, const Diagnostic &diagnostic, const QString &text);
    /// Marks the group's step terminated; the status text is set once.
    void terminate(int group);

    const QList<Group> &groups() const { return m_groups; }
    int errorCount() const { return m_errors; }
    int warningCount() const { return m_warnings; }
    /// Every line's text in order, titles included, as the echo shows it.
    QStringList text() const;

private:
    void echo(const QString &line);

    QList<Group> m_groups;
    std::function<void(const QString &)> m_echo;
    int m_errors = 0;
    int m_warnings = 0;
    bool m_showOtherLines = true;
    bool m_wholeGroups = false;
};
