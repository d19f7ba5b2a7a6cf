#pragma once

#include "script/esclass.h"

#include <QStringList>

#include <cstdio>

/// The `TRSys` host object: files, child processes, packing of 32-bit words into byte
/// arrays and a yes/no prompt. File operations report failure by their result (false or
/// undefined), never by an exception. run(cmd, true) keeps the standard-output and
/// standard-error lines of the child for getRunStdout() and getRunStderr(); while it
/// waits, a context that asks to stop ends the child and the wait.
class TRSysESClass : public ESClass
{
public:
    TRSysESClass() : ESClass("TRSys") {}

    ESObject *install(ESContext *cx) override;
    void call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
              ESValue *argv, ESValue *result) override;

    /// Makes a TRSysESClass owned by the context, installs it and answers it.
    static TRSysESClass *installInto(ESContext *cx);

    /// Where popup() reads its answers (standard input unless a test sets another).
    void setPromptInput(FILE *input) { m_promptInput = input; }

private:
    ESValue run(ESContext *cx, const QString &commandLine, bool wait);
    bool popup(const QString &text);
    void packU32(ESContext *cx, const ESValue *argv);
    ESValue unpackU32(ESContext *cx, const ESValue *argv);

    QStringList m_stdoutLines;
    QStringList m_stderrLines;
    FILE *m_promptInput = stdin;
};
