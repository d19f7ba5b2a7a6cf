#pragma once

#include "codeedit/codeeditparser.h"

/// XML: tags with their names in class 3, attribute values in class 1, comments,
/// CDATA sections, declarations and processing instructions, and entity references in
/// class 6. Tags, values, comments and sections may all run over several lines.
class CodeEditXMLParser : public CodeEditParser
{
public:
    ushort *parse(const ushort *line, ushort *output) override;
    QString bracketPattern() const override;

    // Line states beyond the shared ones. Inside a tag the low byte holds the quote
    // of an open attribute value and bits 8-11 what the tag's end leads to.
    static constexpr int tagState = 0x1000;
    static constexpr int cdataState = 0x2000;
    static constexpr int declarationState = 0x3000;

protected:
    /// One step of the line loop; false when the cursor holds ordinary text.
    virtual bool scanConstruct();
    /// What a tag's end leads to (0: nothing special), kept in bits 8-11 of the state
    /// while the tag is open.
    virtual int tagKind(const ushort *name, int length, bool closing) const;
    /// Called at the ">" of a start tag with its kind.
    virtual void tagClosed(int kind);

private:
    bool scanMarkup();
    void scanInsideTag();
    bool scanEntity();
};

/// HTML: as XML, with the contents of script and style elements left unparsed up to
/// their end tags.
class CodeEditHTMLParser : public CodeEditXMLParser
{
public:
    static constexpr int scriptState = 0x4000;
    static constexpr int styleState = 0x5000;

protected:
    bool scanConstruct() override;
    int tagKind(const ushort *name, int length, bool closing) const override;
    void tagClosed(int kind) override;
};
