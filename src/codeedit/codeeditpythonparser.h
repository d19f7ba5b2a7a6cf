#pragma once

#include "codeedit/codeeditparser.h"

/// Python: strings in both quotes with backslash escapes (continued over an escaped line
/// end), strings in three double quotes over any number of lines, "#" comments.
class CodeEditPythonParser : public CodeEditParser
{
public:
    CodeEditPythonParser();
    ushort *parse(const ushort *line, ushort *output) override;

private:
    void scanTripleQuoted();
};
