// tessahighlight: colours source files with the code editor's parsers and writes them
// as markup, as an HTML page or with terminal colours.

#include "highlightargparse.h"
#include "highlightwriter.h"

#include "codeedit/codeeditparser.h"
#include "codeedit/codeeditparserfactory.h"
#include "qtx/hexception.h"
#include "qtx/toolentry.h"
#include "qtx/toolsupport.h"

#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <unistd.h>

namespace {

struct SourceFile
{
    QString name;
    QString language;
    QString text;
};

QString displayName(const QString &fileName)
{
    return fileName == QLatin1String("-") ? QStringLiteral("standard input")
                                          : QTx::quoted(fileName);
}

QByteArray readSource(const QString &fileName)
{
    QFile file;
    if (fileName == QLatin1String("-")) {
        if (!file.open(stdin, QIODevice::ReadOnly))
            throw HException("cannot read standard input");
    } else {
        if (QFileInfo(fileName).isDir())
            throw HException(displayName(fileName) + " is a directory");
        file.setFileName(fileName);
        // QFile's error text for a failed open or read is the system's.
        if (!file.open(QIODevice::ReadOnly))
            throw HException("cannot open " + displayName(fileName) + ": " + file.errorString());
    }
    const QByteArray contents = file.readAll();
    if (file.error() != QFileDevice::NoError)
        throw HException("cannot read " + displayName(fileName) + ": " + file.errorString());
    return contents;
}

SourceFile loadSource(const QString &fileName, const QString &language)
{
    SourceFile source;
    source.name = fileName;
    source.language = language;
    if (source.language.isEmpty() && fileName != QLatin1String("-"))
        source.language = CodeEditParserFactory::languageForFileName(fileName);
    if (source.language.isEmpty())
        throw HException("cannot tell the language of " + displayName(fileName)
                         + " (use -lang)");
    // With an explicit size: the QByteArray overload would stop at the first NUL.
    const QByteArray bytes = readSource(fileName);
    source.text = QString::fromUtf8(bytes.constData(), bytes.size());
    return source;
}

void flush(QByteArray *out)
{
    QTx::writeStandardOutput(*out);
    out->clear();
}

// Lines end at line feeds; a carriage return before one belongs to the line end, and a
// last line without a line feed is still a line.
void writeSource(const SourceFile &source, HighlightWriter &writer, QByteArray *out)
{
    const auto parser = CodeEditParserFactory::create(source.language);
    writer.beginFile(source.name, out);
    QString text;
    QVector<CodeEditRun> runs;
    const QString &all = source.text;
    int start = 0;
    while (start < all.size()) {
        int end = all.indexOf(QLatin1Char('\n'), start);
        const int next = end < 0 ? all.size() : end + 1;
        if (end < 0)
            end = all.size();
        if (end > start && all.at(end - 1) == QLatin1Char('\r'))
            --end;
        parser->colourLine(all.constData() + start, end - start, &text, &runs);
        writer.line(text, runs, out);
        if (out->size() > (1 << 20))
            flush(out);
        start = next;
    }
    writer.endFile(out);
}

int run(const HighlightArgParse &arguments)
{
    QString format = arguments.format();
    if (format.isEmpty())
        format = isatty(STDOUT_FILENO) ? QStringLiteral("ansi") : QStringLiteral("html");
    const auto writer = HighlightWriter::create(format);
    if (!writer)
        throw HException("unknown format " + QTx::quoted(format)
                         + " (use markup, html or ansi)");
    if (!arguments.language().isEmpty()
        && !CodeEditParserFactory::create(arguments.language()))
        throw HException("unknown language " + QTx::quoted(arguments.language()));
    // Everything is read before anything is written, so that an error never leaves
    // half a page behind.
    QVector<SourceFile> sources;
    for (const QString &fileName : arguments.files())
        sources.append(loadSource(fileName, arguments.language()));
    QByteArray out;
    writer->begin(arguments.files(), &out);
    for (const SourceFile &source : sources)
        writeSource(source, *writer, &out);
    writer->end(&out);
    flush(&out);
    return 0;
}

} // namespace

int main(int argc, char *argv[])
{
    return QTx::runTool(argc, argv, "tessahighlight", [](const QStringList &arguments) {
        HighlightArgParse parser;
        if (const auto status = parser.parseCommandLine(arguments))
            return *status;
        return run(parser);
    });
}
