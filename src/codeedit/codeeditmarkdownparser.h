#pragma once

#include "codeedit/codeeditparser.h"

/// Markdown: headings in class 3, fenced code blocks in class 1 between fence lines in
/// class 6, code spans and link targets in class 1, block quotes and HTML comments in
/// class 2, list markers in class 6, emphasis markers in class 3 and thematic breaks
/// in class 5.
class CodeEditMarkdownParser : public CodeEditParser
{
public:
    ushort *parse(const ushort *line, ushort *output) override;

    /// Inside a fenced block the state holds this flag, the fence character in bits
    /// 8-15 and the fence length in bits 0-7.
    static constexpr int fenceFlag = 0x10000;

private:
    bool scanBlockStart();
    bool scanFence();
    bool isThematicBreak() const;
    void scanInline();
    bool scanCodeSpan();
    bool scanLinkTarget();

    // Backquote-run lengths (bit n for length n) already known to have no closing run
    // further on in this line, so that no line costs more than one search per length.
    quint64 m_unclosedRuns = 0;
};
