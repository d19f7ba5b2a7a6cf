#pragma once

#include "testsupport.h"

#include <QFileInfo>

/// Runs build/bin/cp in the test's temporary directory.
class CpTest : public TempDirTest
{
protected:
    ToolResult cp(const QStringList &arguments) { return runTool("cp", arguments, dir()); }
    // What the tool prints before ": error: " (argv[0] unchanged: the full path).
    static QByteArray errorPrefix() { return toolPath("cp").toLocal8Bit() + ": error: "; }
    bool exists(const QString &relative) const { return QFileInfo::exists(path(relative)); }
};
