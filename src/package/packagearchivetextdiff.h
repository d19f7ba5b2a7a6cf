#pragma once

#include <QByteArray>
#include <QList>

/// Line-by-line differences of two texts in the classic "normal" listing: a command
/// line per change ("3c3", "5,6d4", "7a8,9") followed by the removed lines prefixed
/// "< ", a "---" line when both sides have lines, and the added lines prefixed "> ".
class PackageArchiveTextDiff
{
public:
    /// Text has no NUL byte.
    static bool isText(const QByteArray &bytes);
    /// The listing, each line ending in '\n'; empty when the texts have the same lines.
    static QByteArray listing(const QByteArray &before, const QByteArray &after);

    /// Beyond this many edits the middle is reported as one change, so that two
    /// unrelated large texts cannot make the comparison quadratic in time and memory.
    static constexpr int maxEdits = 4000;

private:
    static QList<QByteArray> splitLines(const QByteArray &text);
};
