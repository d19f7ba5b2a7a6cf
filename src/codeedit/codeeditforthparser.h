#pragma once

#include "codeedit/codeeditparser.h"

/// Forth: words are whatever lies between blanks. "\" comments to the line end, "( ... )"
/// comments over several lines, ." s" c" abort" and .( strings, numbers in the usual
/// prefixed bases, and the standard words as keywords in any case.
class CodeEditForthParser : public CodeEditParser
{
public:
    CodeEditForthParser();
    ushort *parse(const ushort *line, ushort *output) override;
    QString bracketPattern() const override;

private:
    void scanToken(const ushort *end);
    bool isNumber(const ushort *start, const ushort *end) const;
    bool isToken(const ushort *start, const ushort *end, const char *text) const;
};
