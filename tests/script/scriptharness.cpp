#include "scriptharness.h"

#include "script/esatom.h"
#include "script/esclass.h"
#include "script/esexception.h"
#include "script/esobject.h"
#include "script/host/wscriptesclass.h"

namespace {

// eval (index 0) as the global one will be, and stackDepth() (index 1): the machine's
// stack index, to check that statements leave the stack as they found it.
class TestGlobalsClass : public ESClass
{
public:
    TestGlobalsClass() : ESClass("testGlobals") {}
    void call(ESContext *cx, ESObject *function, const ESValue &, int, ESValue *argv,
              ESValue *result) override
    {
        if (function->builtinIndex == 1) {
            *result = ESValue::fromNumber(cx->stackIndex());
            return;
        }
        const ESCompletion completion = cx->evaluate(QString(), cx->toString(argv[0]));
        *result = completion.kind == ESCompletion::Normal ? completion.value : ESValue();
    }
};

} // namespace

ScriptHarness::ScriptHarness(std::unique_ptr<ESContext> cx) : m_cx(std::move(cx))
{
    WScriptESClass::installInto(m_cx.get(), [this](const QString &text) { m_output += text; });
    ESClass *globals = m_cx->adoptClass(std::make_unique<TestGlobalsClass>());
    m_cx->defineBuiltin(m_cx->global(), globals, {"eval", "eval", 1, 0, 0});
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
    run.errorClass = QString::fromLatin1(error->esClass->name());
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
