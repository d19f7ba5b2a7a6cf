#pragma once

#include "script/esclass.h"

#include <QString>

#include <functional>

/// The `WScript` host object: console output for scripts. `Echo(value)` writes the
/// value's to-string without a line end and returns undefined. The output goes to
/// standard output unless the embedding application sets a writer of its own.
class WScriptESClass : public ESClass
{
public:
    using Writer = std::function<void(const QString &text)>;

    WScriptESClass();
    /// Replaces the writer (an empty one restores standard output).
    void setWriter(Writer writer);

    ESObject *install(ESContext *cx) override;
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;

    /// Makes a WScriptESClass owned by the context, installs it and answers it.
    static WScriptESClass *installInto(ESContext *cx, Writer writer = Writer());

private:
    Writer m_writer;
};
