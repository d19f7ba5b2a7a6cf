#pragma once

#include "testsupport.h"

#include <unistd.h>

/// Runs build/bin/cp in the test's temporary directory.
class CpTest : public TempDirTest
{
protected:
    ToolResult cp(const QStringList &arguments) { return runTool("cp", arguments, dir()); }
    void makeLink(const QByteArray &text, const QString &relative)
    {
        ASSERT_EQ(symlink(text.constData(), path(relative).toLocal8Bit().constData()), 0);
    }
    // The text of a symbolic link as stored; empty when `relative` is no link.
    QByteArray linkText(const QString &relative) const
    {
        char text[256] = {};
        const ssize_t length = readlink(path(relative).toLocal8Bit().constData(), text, 255);
        return length > 0 ? QByteArray(text, int(length)) : QByteArray();
    }
};
