#pragma once

#include "qtx/argparse.h"

#include <QStringList>

/// The command line of tessahighlight: [-lang NAME] [-format markup|html|ansi] FILE...
/// "-" names standard input.
class HighlightArgParse : public QTx::ArgParse
{
public:
    explicit HighlightArgParse(DiagnosticSink *sink);

    static QByteArray usageText();

    QString language;
    QString format;
    bool help = false;
    QStringList files;

protected:
    void handleArgument(const QString &argument) override;
};
