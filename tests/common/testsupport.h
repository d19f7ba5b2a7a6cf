#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <ostream>

/// What one run of a built tool produced.
struct ToolResult
{
    int exitCode = -1;      // -1 when the tool crashed or did not finish in time
    QByteArray out;
    QByteArray err;
};

/// Runs build/bin/<tool> with the arguments in the working directory `workDir`
/// (the current directory when empty), feeding `input` to its standard input.
ToolResult runTool(const QString &tool, const QStringList &arguments,
                   const QString &workDir = QString(), const QByteArray &input = QByteArray(),
                   int timeoutMs = 60000);

/// Path of a built tool: build/bin/<tool>.
QString toolPath(const QString &tool);

/// Path of a file in the source tree, e.g. sourcePath("examples/x.txt").
QString sourcePath(const QString &relative);

/// Writes `contents` to `path`, creating missing parent directories; fails the test on error.
void writeFile(const QString &path, const QByteArray &contents);

/// The whole contents of `path`, or a null QByteArray when it cannot be read.
QByteArray readFile(const QString &path);

/// Makes `dir`/`linkName` a symbolic link to a device on which every write fails with
/// "No space left on device", and answers its path. Run as root, the device is a private
/// node made in `dir` rather than /dev/full itself: a writer that wrongly replaced the
/// file behind a link would then replace only that node.
QString fullDeviceLink(const QString &dir, const QString &linkName);

/// A fixture with a fresh temporary directory for each test.
class TempDirTest : public testing::Test
{
protected:
    QString path(const QString &relative) const { return m_dir.path() + "/" + relative; }
    QString dir() const { return m_dir.path(); }
    void write(const QString &relative, const QByteArray &contents)
    {
        writeFile(path(relative), contents);
    }
    QByteArray read(const QString &relative) const { return readFile(path(relative)); }

    QTemporaryDir m_dir;
};

// Let GoogleTest print Qt strings in failure messages.
void PrintTo(const QString &text, std::ostream *os);
void PrintTo(const QByteArray &bytes, std::ostream *os);
