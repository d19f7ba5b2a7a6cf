#pragma once

#include <QByteArray>
#include <QString>

#include <cstddef>
#include <functional>
#include <memory>

class ForthSystem;

/// A ForthScript system: the dictionary, the stacks and the data space, fed with text.
/// Definitions persist from one evaluate() or includeFile() to the next. A failure
/// throws ForthException, carrying the source name and line where it happened, after the
/// interpreter has been reset for the next input: stacks empty, interpreting, any half
/// definition dropped.
class ForthInterpreter
{
public:
    using Output = std::function<void(const char *data, std::size_t size)>;

    ForthInterpreter();
    ~ForthInterpreter();
    ForthInterpreter(const ForthInterpreter &) = delete;
    ForthInterpreter &operator=(const ForthInterpreter &) = delete;

    /// Where ., EMIT, TYPE and the other output words write (standard output by default).
    void setOutput(const Output &output);

    /// Interprets `text` line by line as user input (SOURCE-ID 0); `sourceName` and the
    /// line numbers from 1 locate errors.
    void evaluate(const QByteArray &text, const QString &sourceName);
    /// Interprets a file as INCLUDED does.
    void includeFile(const QString &fileName);

    /// The data stack as .S shows it: "<depth> " then each cell and a blank.
    QByteArray stackText() const;

    /// Makes the running code stop with THROW code -28 at its next call or backward
    /// branch; safe to call from a signal handler.
    static void requestInterrupt();

    static const char *banner() { return "Brenmoor ForthScript Interpreter v1.0.0"; }

private:
    template <typename Body>
    void guarded(const Body &body);

    std::unique_ptr<ForthSystem> m_system;
};
