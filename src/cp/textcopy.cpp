#include "textcopy.h"

#include "cptextstream.h"

#include "projectsystem/macroservice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVector>

namespace {

const QLatin1String includeDirective("#include \"");
const QLatin1String ifdefDirective("#ifdef ");
const QLatin1String ifndefDirective("#ifndef ");
const QLatin1String elseDirective("#else");
const QLatin1String endifDirective("#endif");

// A QChar per byte: Latin-1 maps bytes 0-255 to U+0000-U+00FF and back.
QString bytesToPath(const QString &byteText)
{
    return QFile::decodeName(byteText.toLatin1());
}

// Every directive starts with "#" once leading white space is gone; testing that first
// spares the simplified() copy for ordinary lines.
bool startsWithHash(const QString &line)
{
    for (const QChar c : line) {
        if (!c.isSpace())
            return c == QLatin1Char('#');
    }
    return false;
}

} // namespace

TextCopy::TextCopy(const MacroService &macros, const QMap<QString, QString> &definitions,
                   bool expandMacros, bool processIncludes, bool preprocess)
    : m_macros(macros), m_definitions(definitions), m_expandMacros(expandMacros),
      m_processIncludes(processIncludes), m_preprocess(preprocess)
{
}

QString TextCopy::expandLine(const QString &line) const
{
    QString text = line;
    for (int pass = 0; pass < maxExpansionPasses; ++pass) {
        QString expanded = m_macros.expand(m_definitions, text, false, false);
        if (expanded == text)
            break;
        text = std::move(expanded);
    }
    return text;
}

void TextCopy::include(const QString &name, CpTextWriter &output, int depth) const
{
    if (depth == maxIncludeDepth)
        throw TextCopyError{"cp failed: #include recursion depth exceeded\n"};
    // Relative names resolve against the including file's directory, which is the
    // working directory while that file is copied.
    const QString savedDirectory = QDir::currentPath();
    const QFileInfo info(bytesToPath(name));
    QDir::setCurrent(info.path());
    QFile file(info.fileName());
    if (!file.open(QIODevice::ReadOnly)) {
        QDir::setCurrent(savedDirectory);
        throw TextCopyError{"cp failed: can't read from \"" + name.toLatin1() + "\"\n"};
    }
    CpTextReader input(&file);
    try {
        copy(input, output, depth + 1);
    } catch (...) {
        QDir::setCurrent(savedDirectory);
        throw;
    }
    file.close();
    QDir::setCurrent(savedDirectory);
}

void TextCopy::copy(CpTextReader &input, CpTextWriter &output, int depth) const
{
    bool active = true;
    QVector<bool> saved;  // the active flag outside each open #ifdef/#ifndef
    const bool directives = m_processIncludes || m_preprocess;
    QString line;
    while (input.readLine(&line)) {
        if (directives && startsWithHash(line)) {
            const QString s = line.simplified();
            if (active && s.startsWith(includeDirective)) {
                const int close = s.indexOf(QLatin1Char('"'), includeDirective.size());
                if (close >= 0) {
                    include(s.mid(includeDirective.size(), close - includeDirective.size()),
                            output, depth);
                    continue;
                }
            } else if (m_preprocess && s.startsWith(ifdefDirective)) {
                saved.append(active);
                if (active)
                    active = m_definitions.contains(s.mid(ifdefDirective.size()));
                continue;
            } else if (m_preprocess && s.startsWith(ifndefDirective)) {
                saved.append(active);
                if (active)
                    active = !m_definitions.contains(s.mid(ifndefDirective.size()));
                continue;
            } else if (m_preprocess && s == elseDirective) {
                if (!saved.isEmpty() && saved.last())
                    active = !active;
                continue;
            } else if (m_preprocess && s == endifDirective) {
                if (!saved.isEmpty()) {
                    active = saved.last();
                    saved.removeLast();
                }
                continue;
            }
        }
        if (!active)
            continue;
        output.writeLine(m_expandMacros ? expandLine(line) : line);
    }
}
