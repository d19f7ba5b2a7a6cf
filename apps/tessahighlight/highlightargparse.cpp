#include "highlightargparse.h"

#include "codeedit/codeeditparserfactory.h"

HighlightArgParse::HighlightArgParse(DiagnosticSink *sink) : QTx::ArgParse(sink)
{
    addOption(QStringLiteral("-lang"), Kind::NextArgument, &m_language, nullptr);
    addOption(QStringLiteral("-format"), Kind::NextArgument, &m_format, nullptr);
    addOption(QStringLiteral("-help"), Kind::NoArgument, nullptr, &m_help);
    addOption(QStringLiteral("-"), Kind::NoArgument,
              [this](const QString &, const QString &) { m_files.append(QStringLiteral("-")); });
}

void HighlightArgParse::handleArgument(const QString &argument)
{
    m_files.append(argument);
}

QByteArray HighlightArgParse::usageText()
{
    QByteArray text = "\n"
                      "Usage: tessahighlight [option] file...\n"
                      "\n"
                      "  -lang name             Colour the files as language 'name' "
                      "(default: by file name)\n"
                      "  -format name           Write 'markup', 'html' or 'ansi' "
                      "(default: ansi on a\n"
                      "                         terminal, html otherwise)\n"
                      "  -help                  Print options help\n"
                      "\n"
                      "A file named - is standard input.\n";
    // The language names, wrapped to fit a terminal.
    QByteArray line = "Languages:";
    for (const QString &language : CodeEditParserFactory::languages()) {
        if (line.size() + 1 + language.size() > 78) {
            text += line + '\n';
            line = "          ";
        }
        line += ' ' + language.toLatin1();
    }
    text += line + "\n\n";
    return text;
}
