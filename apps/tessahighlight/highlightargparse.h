#pragma once

#include "qtx/toolentry.h"

/// The command line of tessahighlight: [-lang NAME] [-format markup|html|ansi] FILE...
/// "-" names standard input.
class HighlightArgParse : public QTx::ToolArgParse
{
public:
    HighlightArgParse();

    const QString &language() const { return m_language; }
    const QString &format() const { return m_format; }
    const QStringList &files() const { return positional; }

private:
    QString m_language;
    QString m_format;
};
