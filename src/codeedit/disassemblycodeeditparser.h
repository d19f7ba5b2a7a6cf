#pragma once

#include "codeedit/codeeditparser.h"

/// Disassembly listings, line by line without state: instruction lines (indented by at
/// least four blanks) with their address field and "<symbol+offset>" annotations,
/// "<label>" lines, "---" separator lines and interleaved source lines.
class DisassemblyCodeEditParser : public CodeEditParser
{
public:
    ushort *parse(const ushort *line, ushort *output) override;

    static constexpr ushort ruleCharacter = 0x2014;  // what each "-" of a separator becomes

private:
    void scanInstructionLine();
};
