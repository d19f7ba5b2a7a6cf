#pragma once

#include "codeedit/codeeditstandardparser.h"

/// Command batch files: "rem" and "::" comments, ":label" lines in class 3, %variable%,
/// %1, %%i and !delayed! references in class 6; keywords in any case.
class CodeEditBatchParser : public CodeEditStandardParser
{
public:
    CodeEditBatchParser();
    bool scanLineStart() override;
    bool scanLiteral() override;

private:
    bool scanVariable();
};

/// STAPL: "'" comments, double-quoted strings, keywords in any case.
class CodeEditSTAPLParser : public CodeEditStandardParser
{
public:
    CodeEditSTAPLParser();
};

/// Linker configuration files: C comments, strings and the directives of the file.
class CodeEditIARLinkScriptParser : public CodeEditStandardParser
{
public:
    CodeEditIARLinkScriptParser();
};

/// Assembly: ";", "@", "//" and "/* */" comments, preprocessor lines, directives and
/// mnemonics as keywords in any case.
class CodeEditAssemblyParser : public CodeEditStandardParser
{
public:
    CodeEditAssemblyParser();
};

/// BASIC: "'" and REM comments, double-quoted strings without escapes.
class CodeEditBASICParser : public CodeEditStandardParser
{
public:
    CodeEditBASICParser();
    bool scanComment() override;
};

/// Device tree sources: C comments, preprocessor lines, "/dts-v1/"-style directives
/// in class 3 and "&label" references in class 6.
class CodeEditDTSParser : public CodeEditStandardParser
{
public:
    CodeEditDTSParser();
    bool scanLiteral() override;
};

/// VHDL: "--" and "/* */" comments, strings, 'x' character literals; keywords in any
/// case.
class CodeEditVHDLParser : public CodeEditStandardParser
{
public:
    CodeEditVHDLParser();
    bool scanLiteral() override;
};

/// Serial Vector Format: "!" and "//" comments, commands and states as keywords, and
/// the parenthesised bit strings in class 1, however many lines they take.
class CodeEditSVFParser : public CodeEditStandardParser
{
public:
    CodeEditSVFParser();
    bool scanLiteral() override;

    static constexpr int bitStringState = '(';
};
