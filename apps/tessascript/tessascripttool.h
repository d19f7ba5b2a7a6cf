#pragma once

#include "qtx/toolentry.h"

#include <QString>
#include <QStringList>
#include <QVector>

class ESContext;
struct ESValue;

/// The command line of tessascript:
/// [-I DIR]... [-solution FILE] [-config NAME] [-timeout SECONDS] [-print] [-listing]
/// [-help-objects] FILE... where `-e TEXT` may stand in place of a FILE, and
/// -help-objects alone lists the host objects.
class TessaScriptArgParse : public QTx::ToolArgParse
{
public:
    /// One script to evaluate: a file, or the text of an -e option.
    struct Source
    {
        bool isText = false;
        QString fileOrText;
    };

    TessaScriptArgParse();

    QVector<Source> sources;  // in command-line order
    QStringList includeDirectories;
    QString solution;
    QString configuration;
    QString timeout;
    bool helpObjects = false;
    bool print = false;
    bool listing = false;

protected:
    void handleArgument(const QString &argument) override;
};

/// Runs scripts in one context, in turn (globals persist), or lists their code.
/// An uncaught script error is reported as "FILE:LINE: NAME: MESSAGE" and ends the run
/// with status 1; a run stopped by its time limit ends with status 2; engine faults and
/// unreadable files throw, for the tool boundary.
class TessaScriptTool
{
public:
    int run(const QStringList &arguments);

    /// The report of an uncaught script error: "FILE:LINE: NAME: MESSAGE" (or
    /// "FILE: NAME: MESSAGE" without a line number), then the source line indented by
    /// four blanks when the error has one; each line ends with "\n". `fileName` stands in
    /// when the error carries none.
    static QString errorReport(ESContext &cx, const ESValue &error, const QString &fileName);

private:
    static int reportTimeout(const QString &timeout);
    void list(ESContext &cx, const QString &fileName, const QString &text);
};
