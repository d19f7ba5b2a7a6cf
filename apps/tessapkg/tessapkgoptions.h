#pragma once

#include "qtx/argparse.h"

#include <QByteArray>
#include <QString>
#include <QStringList>

/// The command line of tessapkg: a command, its positional arguments and the options
/// of all commands; run() checks which options the chosen command accepts.
class TessapkgOptions : public QTx::ArgParse
{
public:
    explicit TessapkgOptions(DiagnosticSink *sink);

    static QByteArray usageText();
    /// The options given on the command line, by name ("-offset").
    QStringList givenOptions() const;

    QStringList positional;
    bool help = false;
    QString offset, version, level;
    bool offsetGiven = false, versionGiven = false, levelGiven = false;
    bool bzip2 = false, noFollow = false, overwrite = false;
    bool text = false, times = false, modes = false;

protected:
    void handleArgument(const QString &argument) override;
};
