#pragma once

#include "qtx/argparse.h"

#include <QStringList>

#include <cstdio>

class ExpressionParser;

/// The command line of tessaexpr: -target FILE, -e EXPR (an expression even when it
/// starts with '-' or '@') and -help; other arguments are expressions, kept in order.
class TessaExprArgParse : public QTx::ArgParse
{
public:
    explicit TessaExprArgParse(DiagnosticSink *sink);

    static QByteArray usageText();

    QStringList expressions;
    QString targetFile;
    bool help = false;

protected:
    void handleArgument(const QString &argument) override;
};

/// Evaluates expressions one by one and prints "VALUE : TYPENAME" or
/// "error: MESSAGE" for each; the status is 1 when any of them failed.
class TessaExprTool
{
public:
    /// Throws HException when the target description cannot be loaded.
    int run(const QStringList &arguments, FILE *in, FILE *out);

    /// One result line (without the line end) for `text`.
    static QString evaluateLine(ExpressionParser &parser, const QString &text, bool *ok);
};
