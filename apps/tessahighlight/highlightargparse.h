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

    const QString &language() const { return m_language; }
    const QString &format() const { return m_format; }
    bool helpRequested() const { return m_help; }
    const QStringList &files() const { return m_files; }

protected:
    void handleArgument(const QString &argument) override;

private:
    QString m_language;
    QString m_format;
    bool m_help = false;
    QStringList m_files;
};
