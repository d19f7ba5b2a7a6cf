#include "highlightargparse.h"

#include "codeedit/codeeditparserfactory.h"

namespace {

// The language names after "Languages:", wrapped to fit a terminal.
QString languageList()
{
    QString text;
    QString line = QStringLiteral("Languages:");
    for (const QString &language : CodeEditParserFactory::languages()) {
        if (line.size() + 1 + language.size() > 78) {
            text += line + '\n';
            line = QStringLiteral("          ");
        }
        line += ' ' + language;
    }
    return text + line;
}

} // namespace

HighlightArgParse::HighlightArgParse()
    : ToolArgParse(QStringLiteral("tessahighlight"), QStringLiteral("[option] FILE..."),
                   "A file named - is standard input.\n" + languageList())
{
    addValue(QStringLiteral("-lang"), QStringLiteral("NAME"), &m_language,
             QStringLiteral("Colour the files as language NAME (default: by file name)"));
    addValue(QStringLiteral("-format"), QStringLiteral("NAME"), &m_format,
             QStringLiteral("Write 'markup', 'html' or 'ansi' (default: ansi on a\n"
                            "terminal, html otherwise)"));
}
