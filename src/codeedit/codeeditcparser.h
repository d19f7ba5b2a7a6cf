#pragma once

#include "codeedit/codeeditstandardparser.h"

/// C and C++: the keywords of C11 (and, for C++, of C++20), preprocessor lines, C
/// comments, character and string literals with escapes and, in C++, raw string
/// literals R"delimiter( ... )delimiter" over any number of lines.
class CodeEditCParser : public CodeEditStandardParser
{
public:
    enum class Dialect { C, Cpp };

    explicit CodeEditCParser(Dialect dialect = Dialect::Cpp);

    bool scanRawStringStart() override;
    bool scanRawStringEnd() override;

    static QStringList cKeywords();    // C11
    static QStringList cppKeywords();  // C++20, without those it shares with C

    /// Raw-string states carry a hash of the delimiter, so that a saved state is
    /// enough to find the end of the string again; this bit marks them.
    static constexpr int rawStringFlag = 0x40000000;

private:
    static Syntax syntax(Dialect dialect);
    static int rawStringState(const ushort *delimiter, int length);

    Dialect m_dialect;
};
