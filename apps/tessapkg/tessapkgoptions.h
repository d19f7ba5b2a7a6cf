#pragma once

#include "qtx/toolentry.h"

#include <QString>
#include <QStringList>

/// The command line of tessapkg: a command, its positional arguments and the options
/// of all commands; the tool checks which options the chosen command accepts.
class TessapkgOptions : public QTx::ToolArgParse
{
public:
    TessapkgOptions();

    /// The options given on the command line, by name ("-offset").
    QStringList givenOptions() const;

    QString offset, version, level;
    bool offsetGiven = false, versionGiven = false, levelGiven = false;
    bool bzip2 = false, noFollow = false, overwrite = false;
    bool text = false, times = false, modes = false;
};
