#pragma once

#include <QMap>
#include <QString>

class MacroService;
class CpTextReader;
class CpTextWriter;

/// A fatal error of the text copy; its message is printed as it stands and the run
/// ends with status 1 whatever -nofail says.
struct TextCopyError
{
    QByteArray message;
};

/// Copies text line by line, replacing `#include "name"` lines by the named file,
/// keeping or dropping lines under #ifdef/#ifndef/#else/#endif, and expanding $(...)
/// references in the lines it keeps. Lines carry one byte per QChar (Latin-1), so
/// every byte that no directive or macro touches passes through unchanged.
///
/// Directives are recognised only after white-space simplification, at the start of
/// the line and case-sensitively. Each file has its own conditional state.
class TextCopy
{
public:
    TextCopy(const MacroService &macros, const QMap<QString, QString> &definitions,
             bool expandMacros, bool processIncludes, bool preprocess);

    /// Copies `input` to `output`; throws TextCopyError when an include cannot be read
    /// or includes nest deeper than maxIncludeDepth.
    void copy(CpTextReader &input, CpTextWriter &output, int depth = 0) const;

    /// Expands a line until the expansion stops changing it (at most maxExpansionPasses
    /// times: a definition that contains itself would otherwise grow without end).
    QString expandLine(const QString &line) const;

    static constexpr int maxIncludeDepth = 65;
    static constexpr int maxExpansionPasses = 100;

private:
    void include(const QString &name, CpTextWriter &output, int depth) const;

    const MacroService &m_macros;
    const QMap<QString, QString> &m_definitions;
    bool m_expandMacros;
    bool m_processIncludes;
    bool m_preprocess;
};
