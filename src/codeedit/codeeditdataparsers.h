#pragma once

#include "codeedit/codeeditstandardparser.h"

/// JSON, with the "//" and "/* */" comments of its commented dialect: strings and
/// numbers (sign, fraction and exponent included) in class 1, true, false and null as
/// keywords.
class CodeEditJSONParser : public CodeEditStandardParser
{
public:
    CodeEditJSONParser();
    QString bracketPattern() const override;
    bool scanLiteral() override;
};

/// YAML: "#" comments, mapping keys in class 3, quoted scalars (over several lines when
/// they are), numbers, document markers, directives, anchors, aliases and tags in
/// class 6.
class CodeEditYAMLParser : public CodeEditStandardParser
{
public:
    CodeEditYAMLParser();
    bool scanLineStart() override;
    bool scanComment() override;
    bool scanLiteral() override;

private:
    bool atScalarStart() const;
    void scanKey();

    const ushort *m_lineStart = nullptr;
};
