#pragma once

#include "qtx/toolentry.h"

#include <QByteArray>
#include <QStringList>

#include <cstdio>

class ExpressionParser;

/// The command line of tessaexpr: -target FILE, -e EXPR (an expression even when it
/// starts with '-' or '@'); every other argument is an expression, "-" standing for the
/// expressions on standard input. The expressions are the positional arguments, in order.
class TessaExprArgParse : public QTx::ToolArgParse
{
public:
    TessaExprArgParse();

    QString targetFile;
};

/// Evaluates expressions one by one and prints "VALUE : TYPENAME" or
/// "error: MESSAGE" for each on standard output; the status is 1 when any of them failed.
class TessaExprTool
{
public:
    TessaExprTool();
    ~TessaExprTool();

    /// Runs one command line; throws HException when the target description cannot be
    /// loaded.
    int run(const QStringList &arguments, FILE *in);

    /// Appends the result line of `text`, with its line end, to `out`; false when the
    /// expression failed.
    static bool evaluateLine(ExpressionParser &parser, const QString &text, QByteArray *out);

private:
    void evaluate(ExpressionParser &parser, const QString &text);
    void evaluateStandardInput(ExpressionParser &parser, FILE *in);
    void flush();

    QByteArray m_buffer;
    bool m_failed = false;
};
