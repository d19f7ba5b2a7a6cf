#include "forthinterpreter.h"

#include "forthsystem_p.h"

ForthInterpreter::ForthInterpreter()
    : m_system(std::make_unique<ForthSystem>())
{
}

ForthInterpreter::~ForthInterpreter() = default;

void ForthInterpreter::setOutput(const Output &output)
{
    m_system->m_output = output;
}

template <typename Body>
void ForthInterpreter::guarded(const Body &body)
{
    try {
        body();
    } catch (const ForthException &) {
        m_system->resetAfterError();
        throw;
    }
}

void ForthInterpreter::evaluate(const QByteArray &text, const QString &sourceName)
{
    guarded([&] {
        InputSource input;
        input.name = sourceName;
        input.text = text;
        m_system->interpretSource(std::move(input));
    });
}

void ForthInterpreter::includeFile(const QString &fileName)
{
    guarded([&] {
        try {
            m_system->includeFile(fileName);
        } catch (ForthException &error) {
            // A file that cannot be opened fails before it is a source.
            if (!error.hasLocation())
                error.setLocation(fileName, 0);
            throw;
        }
    });
}

QByteArray ForthInterpreter::stackText() const
{
    return m_system->stackText();
}

void ForthInterpreter::requestInterrupt()
{
    forthInterruptRequested = 1;
}
