#pragma once

#include "fileguard.h"

#include <QByteArray>
#include <QString>

#include <cstdio>

namespace QTx {

/// Writes a tool's output file so that a failed write never destroys what was there:
/// the data goes to a temporary file beside the target, and commit() renames it over the
/// target only once everything was written and closed. A target that is a symbolic link
/// keeps its link: the file it finally names is replaced. A target that exists but is no
/// regular file (a device such as /dev/null, a pipe) is written directly and is never
/// removed or replaced. A new file gets mode 0666 less the umask; a replaced file keeps
/// its mode (not its owner, nor its other hard links).
class SaveFile
{
public:
    explicit SaveFile(const QString &fileName);
    ~SaveFile();  // an uncommitted temporary file is removed
    SaveFile(const SaveFile &) = delete;
    SaveFile &operator=(const SaveFile &) = delete;

    /// Creates the temporary file (or opens a non-regular target). False when it cannot;
    /// errorString() then says why.
    bool open();
    /// The stream to write to, between open() and commit().
    FILE *stream() const { return m_stream.get(); }
    /// For a writer that opens its output by name: the file to write instead of the
    /// target, between open() and commit() (the target itself when it is a device).
    /// The stream is not to be used then.
    QString temporaryFileName() const;
    /// Flushes and closes the stream and puts the file in place. False when anything
    /// written failed; the target is then as it was before and errorString() says why.
    bool commit();
    /// Gives up: the temporary file is removed and the target left alone.
    void discard();

    const QString &fileName() const { return m_fileName; }
    /// "cannot create 'out.hex': Permission denied", "cannot write 'out.hex': No space
    /// left on device".
    const QString &errorString() const { return m_error; }

    /// Writes `contents` as the whole file through a SaveFile; false with `error` set
    /// (when given) on failure.
    static bool writeFile(const QString &fileName, const QByteArray &contents,
                          QString *error = nullptr);

private:
    bool fail(const char *action, int errorNumber);

    QString m_fileName;
    QByteArray m_finalPath;      // the target with its symbolic links resolved
    QByteArray m_temporaryPath;  // empty when the target is written directly
    FilePointer m_stream;
    QString m_error;
};

} // namespace QTx
