#include "fsconsole.h"

#include "forth/forthexception.h"
#include "forth/forthinterpreter.h"

#include <QByteArray>

#include <cstdlib>

FSConsole::FSConsole(ForthInterpreter &interpreter)
    : m_interpreter(interpreter)
{
    m_interpreter.setOutput([this](const char *data, std::size_t size) { write(data, size); });
}

void FSConsole::write(const char *data, std::size_t size)
{
    if (size == 0)
        return;
    // Unbuffered: what running code prints shows before it ends (or never ends).
    std::fwrite(data, 1, size, stdout);
    std::fflush(stdout);
    m_atLineStart = data[size - 1] == '\n';
}

// The answer to a line starts a line of its own.
void FSConsole::answer(const char *text)
{
    if (!m_atLineStart)
        write("\n", 1);
    const QByteArray line = QByteArray(text) + '\n';
    write(line.constData(), std::size_t(line.size()));
}

int FSConsole::run(std::FILE *input)
{
    answer(ForthInterpreter::banner());
    answer("OK");
    char *line = nullptr;
    std::size_t capacity = 0;
    ssize_t length;
    while ((length = getline(&line, &capacity, input)) >= 0) {
        try {
            m_interpreter.evaluate(QByteArray(line, int(length)), QStringLiteral("(console)"));
            answer("OK");
        } catch (const ForthException &error) {
            answer(error.text().constData());
        }
    }
    std::free(line);
    return 0;
}
