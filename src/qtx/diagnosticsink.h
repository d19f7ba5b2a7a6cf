#pragma once

#include <QByteArray>
#include <QString>

#include <ostream>

/// Where a tool's error messages go: the program name that starts each message,
/// the stream (standard error in the tools) and the count of errors reported.
/// One sink exists per process; `DiagnosticSink::instance()` reaches it.
class DiagnosticSink
{
public:
    DiagnosticSink(const QByteArray &programName, std::ostream &stream);
    ~DiagnosticSink();
    DiagnosticSink(const DiagnosticSink &) = delete;
    DiagnosticSink &operator=(const DiagnosticSink &) = delete;

    /// Counts one error, writes "<program>: error: " and returns the stream for the
    /// rest of the message.
    std::ostream &error();

    const QByteArray &programName() const { return m_programName; }
    std::ostream &stream() const { return m_stream; }
    int errorCount() const { return m_errorCount; }

    /// The process's sink: the last one constructed and not yet destroyed.
    static DiagnosticSink *instance();

private:
    QByteArray m_programName;
    std::ostream &m_stream;
    int m_errorCount = 0;
    DiagnosticSink *m_previous;
};

/// Writes the text in the local 8-bit encoding; a character the encoding cannot
/// express sets the stream's fail state instead.
std::ostream &operator<<(std::ostream &stream, const QString &text);
