#include "scriptharness.h"

#include "script/esatom.h"
#include "script/esclass.h"
#include "script/esexception.h"
#include "script/esnativeerror.h"
#include "script/esobject.h"
#include "script/host/wscriptesclass.h"

namespace {

// stackDepth(): the machine's stack index, to check that statements leave the stack as
// they found it.
class TestGlobalsClass : public ESClass
{
public:
    TestGlobalsClass() : ESClass("testGlobals") {}
    void call(ESContext *cx, ESObject *, const ESValue &, int, ESValue *,
              ESValue *result) override
    {
        *result = ESValue::fromNumber(cx->stackIndex());
    }
};

} // namespace

ScriptHarness::ScriptHarness(std::unique_ptr<ESContext> cx) : m_cx(std::move(cx))
{
    WScriptESClass::installInto(m_cx.get(), [this](const QString &text) { m_output += text; });
    ESClass *globals = m_cx->adoptClass(std::make_unique<TestGlobalsClass>());
    m_cx->defineBuiltin(m_cx->global(), globals, {"stackDepth", "stackDepth", 0, 0, 1});
}

ScriptRun ScriptHarness::run(const QString &source, const QString &fileName)
{
    m_output.clear();
    const ESCompletion completion = m_cx->evaluate(fileName, source);
    ScriptRun run;
    run.kind = completion.kind;
    run.output = m_output;
    if (completion.kind == ESCompletion::Normal) {
        run.value = m_cx->toString(completion.value);
        return run;
    }
    ESObject *error = completion.value.object;
    run.errorClass = ESNativeError::kindOf(m_cx.get(), error);
    const auto text = [&](const char *key) {
        const ESValue value = m_cx->get(error, ESAtom::intern(key));
        return value.isUndefined() ? QString() : m_cx->toString(value);
    };
    run.message = text("message");
    run.lineNumber = text("lineNumber").toInt();
    run.sourceLine = text("sourceLine");
    run.fileName = text("fileName");
    return run;
}

QString ScriptHarness::fatalMessage(const QString &source)
{
    try {
        m_cx->evaluate("test.js", source);
    } catch (const ESFatalError &fatal) {
        return fatal.message();
    }
    return QString();
}

ScriptRun runScript(const QString &source)
{
    ScriptHarness harness;
    return harness.run(source);
}
