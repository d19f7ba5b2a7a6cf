#pragma once

#include <QRegularExpression>
#include <QString>

#include <array>

/// One line of tool output understood as a diagnostic: where (file, 1-based line and
/// column, -1 when absent), what (message) and how bad (severity), and which tool said it.
struct Diagnostic
{
    enum Severity { Plain = 0, Note = 2, Warning = 3, Error = 4 };

    QString file;
    int line = -1;
    int column = -1;
    QString message;
    int severity = Plain;
    int generator = 0;
};

/// Which tool produced some output, from the base name of its program: 1 "cc1",
/// 2 "cc1plus", 3 "as", 4 a name ending in "gcc", 5 one ending in "g++", 6 "ld",
/// 7 "clang", 8 "iasmarm", 9 "iccarm", 10 "ilinkarm", 11 "ltollvm", 0 anything else.
int diagnosticGenerator(const QString &programBaseName);

/// Decides whether a line of tool output is a diagnostic and extracts it. The builder
/// tells it the working directory of each command (relative file names count from there)
/// and the tool that runs.
class DiagnosticParser
{
public:
    virtual ~DiagnosticParser();
    /// True when the line was recognised; `diagnostic` is filled either way.
    virtual bool parse(const QString &line, Diagnostic *diagnostic) = 0;
    virtual bool isConfigured() const { return false; }
    virtual void setDirectory(const QString &directory) { m_directory = directory; }

    const QString &directory() const { return m_directory; }
    int generator() const { return m_generator; }
    void setGenerator(int generator) { m_generator = generator; }

private:
    QString m_directory;
    int m_generator = 0;
};

/// The compiler-style format of the tool chain: "file:line[:column]: severity: text",
/// with the keywords "error: ", "warning: ", "note: " (and "Error: ", "Warning: ",
/// "Info: ") also recognised without a location.
class StandardDiagnosticParser : public DiagnosticParser
{
public:
    bool parse(const QString &line, Diagnostic *diagnostic) override;
};

/// Up to six patterns, tried in order; the first that matches anywhere in the line gives
/// the file (capture 1), the line number (capture 2) and the message (capture 3), as a
/// note. An empty pattern is skipped.
class RegexpDiagnosticParser : public StandardDiagnosticParser
{
public:
    static constexpr int patternCount = 6;

    /// False (and the pattern left unused) when `pattern` is not a valid expression.
    bool setPattern(int index, const QString &pattern);
    bool parse(const QString &line, Diagnostic *diagnostic) override;
    bool isConfigured() const override;

private:
    std::array<QRegularExpression, patternCount> m_patterns;
};
