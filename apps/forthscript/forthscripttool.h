#pragma once

#include "qtx/toolentry.h"

#include <QString>
#include <QVector>

/// The command line of forthscript: FILE... where `-e TEXT` may stand in place of a
/// FILE and "-" reads standard input; no argument at all starts the console.
class ForthScriptArgParse : public QTx::ToolArgParse
{
public:
    /// One input: a file, or the text of an -e option.
    struct Source
    {
        bool isText = false;
        QString fileOrText;
    };

    ForthScriptArgParse();

    QVector<Source> sources;  // in command-line order

protected:
    void handleArgument(const QString &argument) override;
};

/// Interprets files and -e texts in turn in one Forth system, or runs the console. An
/// uncaught exception prints "FILE:LINE: TEXT" on standard error (the file name of an
/// -e text is "-e") and ends the run with status 1. SIGINT interrupts running code with
/// THROW code -28.
class ForthScriptTool
{
public:
    int run(const QStringList &arguments);
};
