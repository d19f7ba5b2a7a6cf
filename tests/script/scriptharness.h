#pragma once

#include "script/escontext.h"
#include "testsupport.h"

#include <QString>

#include <memory>

/// What one evaluation gave, in the terms a test compares.
struct ScriptRun
{
    int kind = -1;        // ESCompletion::Normal or Throw
    QString value;        // to-string of the completion value (Normal)
    QString errorClass;   // the thrown error's kind, e.g. "TypeError" (Throw)
    QString message;      // its "message"
    int lineNumber = 0;   // its "lineNumber", 0 when it has none
    QString sourceLine;
    QString fileName;
    QString output;       // what WScript.Echo wrote during the run
};

/// A set-up context with WScript (its output captured) and `stackDepth()`, the
/// machine's stack index.
class ScriptHarness
{
public:
    explicit ScriptHarness(std::unique_ptr<ESContext> cx = ESContext::create());

    ScriptRun run(const QString &source, const QString &fileName = "test.js");
    /// The ESFatalError message of a run, or an empty text when none was raised.
    QString fatalMessage(const QString &source);
    ESContext *context() const { return m_cx.get(); }

private:
    std::unique_ptr<ESContext> m_cx;
    QString m_output;
};

/// One evaluation in a fresh harness.
ScriptRun runScript(const QString &source);
