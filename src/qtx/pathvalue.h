#pragma once

#include <QString>

/// A path string that is cleaned once, on first use: "." components and doubled or
/// trailing separators go, ".." removes the component before it where there is one.
class PathValue
{
public:
    PathValue() = default;
    PathValue(const QString &path, bool cleaned = false) : m_path(path), m_cleaned(cleaned) {}

    /// The cleaned path string.
    const QString &path() const;
    bool isEmpty() const { return m_path.isEmpty(); }

    /// The cleaning itself: a/./b//c/ gives a/b/c, /a/../.. gives /.., a/.. gives "".
    /// A path that needs no change comes back exactly as given.
    static QString clean(const QString &path);

private:
    mutable QString m_path;
    mutable bool m_cleaned = false;
};
