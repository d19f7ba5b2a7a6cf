#pragma once

#include "codeedit/codeeditparser.h"

/// CMake: command names as keywords, double-quoted strings with backslash escapes,
/// "#" comments and "${...}" variable references, nested ones included.
class CodeEditCMakeParser : public CodeEditParser
{
public:
    CodeEditCMakeParser();
    ushort *parse(const ushort *line, ushort *output) override;

private:
    bool scanVariableReference();
};
