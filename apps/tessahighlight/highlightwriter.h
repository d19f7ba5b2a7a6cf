#pragma once

#include "codeedit/codeeditparser.h"

#include <QByteArray>
#include <QString>
#include <QVector>

#include <memory>

/// Turns coloured lines into one of the tool's output formats, appending UTF-8 to a
/// byte buffer.
class HighlightWriter
{
public:
    virtual ~HighlightWriter() = default;

    /// A writer for "markup", "html" or "ansi"; null for any other name.
    static std::unique_ptr<HighlightWriter> create(const QString &format);

    /// Called once before the first file with the names of all files.
    virtual void begin(const QStringList &fileNames, QByteArray *out);
    virtual void beginFile(const QString &fileName, QByteArray *out);
    virtual void line(const QString &text, const QVector<CodeEditRun> &runs,
                      QByteArray *out) = 0;
    virtual void endFile(QByteArray *out);
    virtual void end(QByteArray *out);
};
