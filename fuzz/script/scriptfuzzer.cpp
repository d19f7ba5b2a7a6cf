// Compiles and runs arbitrary text as a script in a fresh context, with a budget of
// instructions so that endless loops end, and prints the completion value. Script
// errors must come back as completions, engine faults as ESFatalError; anything else
// (a crash, a hang, a sanitizer report) is a finding.

#include "script/escontext.h"
#include "script/esexception.h"
#include "script/host/wscriptesclass.h"

#include <chrono>
#include <cstddef>
#include <cstdint>

namespace {

// Stops a run after a fixed number of instructions, or after a second: natives that
// loop over huge arrays ask only every few thousand elements.
class BudgetContext : public ESContext
{
public:
    bool keepRunning() override
    {
        if (--m_instructionsLeft <= 0)
            return false;
        if ((m_instructionsLeft & 1023) == 0
            && std::chrono::steady_clock::now() - m_start > std::chrono::seconds(1))
            m_instructionsLeft = 0;
        return m_instructionsLeft > 0;
    }

private:
    long m_instructionsLeft = 200000;
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString source = QString::fromUtf8(reinterpret_cast<const char *>(data), int(size));
    BudgetContext cx;
    cx.setUp();
    WScriptESClass::installInto(&cx, [](const QString &) {});
    try {
        const ESCompletion completion = cx.evaluate(QStringLiteral("fuzz.js"), source);
        cx.toString(completion.value);
    } catch (const ESFatalError &) {
    } catch (const ESException &) {
        // to-string of the completion value may run script code that fails
    }
    return 0;
}
