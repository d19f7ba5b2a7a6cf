#include "highlightwriter.h"

namespace {

enum class Escape { None, Markup, Html, Terminal };

// Appends text as UTF-8; a lone surrogate becomes U+FFFD. The escapes: markup doubles
// "{"; HTML writes its special characters as entities and NUL as U+FFFD; the terminal
// sees control characters other than tab as their visible pictures, so that a file
// cannot send escape sequences to it. Writes straight into the buffer: this loop is
// most of the tool's own work.
void appendText(const QChar *text, int length, Escape escape, QByteArray *out)
{
    const int start = out->size();
    out->resize(start + 6 * length);  // "&quot;" is the longest form of one unit
    char *p = out->data() + start;
    for (int i = 0; i < length; ++i) {
        uint c = text[i].unicode();
        if (c < 0x80) {
            if (escape == Escape::Markup && c == '{') {
                *p++ = '{';
            } else if (escape == Escape::Html) {
                const char *entity = c == '&' ? "&amp;" : c == '<' ? "&lt;"
                    : c == '>' ? "&gt;" : c == '"' ? "&quot;" : nullptr;
                if (entity) {
                    while (*entity)
                        *p++ = *entity++;
                    continue;
                }
                if (c == 0)
                    c = 0xFFFD;
            } else if (escape == Escape::Terminal && (c < 0x20 || c == 0x7F) && c != '\t') {
                c = c == 0x7F ? 0x2421 : 0x2400 + c;
            }
            if (c < 0x80) {
                *p++ = char(c);
                continue;
            }
        }
        if (QChar::isHighSurrogate(c) && i + 1 < length && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(ushort(c), text[++i].unicode());
        else if (QChar::isSurrogate(c))
            c = 0xFFFD;
        if (c < 0x800) {
            *p++ = char(0xC0 | (c >> 6));
        } else if (c < 0x10000) {
            *p++ = char(0xE0 | (c >> 12));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
        } else {
            *p++ = char(0xF0 | (c >> 18));
            *p++ = char(0x80 | ((c >> 12) & 0x3F));
            *p++ = char(0x80 | ((c >> 6) & 0x3F));
        }
        *p++ = char(0x80 | (c & 0x3F));
    }
    out->resize(int(p - out->constData()));
}

// "{N}" for every switch, "{{" for a "{" of the text, a line feed after each line.
class MarkupWriter : public HighlightWriter
{
public:
    void line(const QString &text, const QVector<CodeEditRun> &runs, QByteArray *out) override
    {
        int position = 0;
        for (int i = 0; i < runs.size(); ++i) {
            if (i > 0) {
                out->append('{');
                out->append(char('0' + runs[i].colourClass));
                out->append('}');
            }
            appendText(text.constData() + position, runs[i].length, Escape::Markup, out);
            position += runs[i].length;
        }
        out->append('\n');
    }
};

// A standalone page: the classes become spans styled by a light and a dark scheme;
// class 0 is the style of the whole block.
class HtmlWriter : public HighlightWriter
{
public:
    void begin(const QStringList &fileNames, QByteArray *out) override
    {
        m_headings = fileNames.size() > 1;
        out->append("<!DOCTYPE html>\n<html>\n<head>\n<meta charset=\"utf-8\">\n<title>");
        const QString title = fileNames.join(QLatin1String(", "));
        appendText(title.constData(), title.size(), Escape::Html, out);
        out->append("</title>\n<style>\n"
                    "body { background: #ffffff; color: #1f2328; }\n"
                    "pre { font-family: monospace; }\n"
                    ".c0 { color: #1f2328; }\n"
                    ".c1 { color: #0a3069; }\n"
                    ".c2 { color: #6e7781; font-style: italic; }\n"
                    ".c3 { color: #cf222e; font-weight: bold; }\n"
                    ".c4 { color: #8250df; }\n"
                    ".c5 { color: #953800; }\n"
                    ".c6 { color: #116329; }\n"
                    "@media (prefers-color-scheme: dark) {\n"
                    "  body { background: #0d1117; color: #e6edf3; }\n"
                    "  .c0 { color: #e6edf3; }\n"
                    "  .c1 { color: #a5d6ff; }\n"
                    "  .c2 { color: #8b949e; }\n"
                    "  .c3 { color: #ff7b72; }\n"
                    "  .c4 { color: #d2a8ff; }\n"
                    "  .c5 { color: #ffa657; }\n"
                    "  .c6 { color: #7ee787; }\n"
                    "}\n"
                    "</style>\n</head>\n<body>\n");
    }
    void beginFile(const QString &fileName, QByteArray *out) override
    {
        if (m_headings) {
            out->append("<h2>");
            appendText(fileName.constData(), fileName.size(), Escape::Html, out);
            out->append("</h2>\n");
        }
        out->append("<pre class=\"c0\">");  // class 0 needs no spans of its own
    }
    void line(const QString &text, const QVector<CodeEditRun> &runs, QByteArray *out) override
    {
        int position = 0;
        for (const CodeEditRun &run : runs) {
            if (run.length == 0)
                continue;
            if (run.colourClass != 0) {
                out->append("<span class=\"c");
                out->append(char('0' + run.colourClass));
                out->append("\">");
            }
            appendText(text.constData() + position, run.length, Escape::Html, out);
            if (run.colourClass != 0)
                out->append("</span>");
            position += run.length;
        }
        out->append('\n');
    }
    void endFile(QByteArray *out) override { out->append("</pre>\n"); }
    void end(QByteArray *out) override { out->append("</body>\n</html>\n"); }

private:
    bool m_headings = false;
};

// Terminal colours by SGR sequences; every line ends in the default colours.
class AnsiWriter : public HighlightWriter
{
public:
    void line(const QString &text, const QVector<CodeEditRun> &runs, QByteArray *out) override
    {
        static const char *const sequences[CodeEditParser::classCount] = {
            "\x1b[0m", "\x1b[0;32m", "\x1b[0;90m", "\x1b[0;1;34m", "\x1b[0;36m",
            "\x1b[0;35m", "\x1b[0;33m"};
        int shown = 0;
        int position = 0;
        for (const CodeEditRun &run : runs) {
            if (run.length == 0)
                continue;
            if (run.colourClass != shown) {
                out->append(sequences[run.colourClass]);
                shown = run.colourClass;
            }
            appendText(text.constData() + position, run.length, Escape::Terminal, out);
            position += run.length;
        }
        if (shown != 0)
            out->append(sequences[0]);
        out->append('\n');
    }
};

} // namespace

std::unique_ptr<HighlightWriter> HighlightWriter::create(const QString &format)
{
    if (format == QLatin1String("markup"))
        return std::make_unique<MarkupWriter>();
    if (format == QLatin1String("html"))
        return std::make_unique<HtmlWriter>();
    if (format == QLatin1String("ansi"))
        return std::make_unique<AnsiWriter>();
    return nullptr;
}

void HighlightWriter::begin(const QStringList &, QByteArray *) {}
void HighlightWriter::beginFile(const QString &, QByteArray *) {}
void HighlightWriter::endFile(QByteArray *) {}
void HighlightWriter::end(QByteArray *) {}
