#pragma once

#include "testsupport.h"

#include <QString>

#include <gtest/gtest.h>

#include <ostream>

class CodeEditParser;

/// Parses `text` line by line ("\n" separates lines) through the parser's raw
/// interface and renders the markup readably: each switch as {N}, each "{" as "{{",
/// the lines joined with "\n". Fails the test when a call writes past its buffer,
/// returns the wrong end, or emits a switch to the class already current.
QString highlight(CodeEditParser &parser, const QString &text);
/// The same with a fresh parser for the language.
QString highlight(const QString &language, const QString &text);

/// One row of a colouring table; the strings are UTF-8.
struct HighlightRow
{
    const char *name;
    const char *language;
    const char *input;
    const char *expected;
};

inline void PrintTo(const HighlightRow &row, std::ostream *os)
{
    *os << row.name;
}

/// The test body every colouring table shares.
class HighlightTableTest : public testing::TestWithParam<HighlightRow>
{
protected:
    void check() const
    {
        const HighlightRow &row = GetParam();
        EXPECT_EQ(highlight(QString::fromLatin1(row.language), QString::fromUtf8(row.input)),
                  QString::fromUtf8(row.expected));
    }
};

inline std::string highlightRowName(const testing::TestParamInfo<HighlightRow> &info)
{
    return info.param.name;
}
