#pragma once

#include "codeedit/codeeditstandardparser.h"

/// Java: C comments, string and character literals with escapes, """ text blocks.
class CodeEditJavaParser : public CodeEditStandardParser
{
public:
    CodeEditJavaParser();
};

/// JavaScript: C comments, strings in both quotes and template literals in backquotes,
/// which may run over several lines.
class CodeEditJavaScriptParser : public CodeEditStandardParser
{
public:
    CodeEditJavaScriptParser();
};

/// XC: C with the keywords of channels, ports, timers and parallel statements.
class CodeEditXCParser : public CodeEditStandardParser
{
public:
    CodeEditXCParser();
};
