#pragma once

#include "qtx/argparse.h"

#include <QByteArray>
#include <QStringList>

/// The command line of the cp tool: `cp [option] source... destination`.
///
/// Macro definitions are kept as "name=value" in the byte domain of the text copy:
/// each QChar holds one byte (Latin-1), so -D values typed in UTF-8 and -M file
/// contents in any encoding come out of the copy as the very bytes that went in.
class CpArgParse : public QTx::ArgParse
{
public:
    explicit CpArgParse(DiagnosticSink *sink);

    QStringList positionalArguments;
    QStringList macroDefinitions;
    bool expandMacros = false;
    bool includes = false;
    bool preprocess = false;
    bool makeDir = false;
    bool verbose = false;
    bool makeLinks = false;
    bool copyLinks = false;
    bool noFail = false;

    /// The banner and the usage text, as -help prints them.
    static QByteArray usageText();

    /// Converts text decoded from the command line back to its bytes, one QChar each.
    static QString toByteDomain(const QString &text);

protected:
    void handleArgument(const QString &argument) override;

private:
    void defineMacro(const QString &name, const QString &value);
    void defineMacroFromFile(const QString &name, const QString &value);
    void help(const QString &name, const QString &value);
};

/// Thrown to end the cp run at once with an exit status, after its message (if any)
/// was written.
struct CpExit
{
    int status;
};
