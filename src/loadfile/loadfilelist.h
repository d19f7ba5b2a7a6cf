#pragma once

#include <QList>
#include <QString>

class LoadFileInterface;

/// The load files of one download, in the order given, each with a display name and a
/// caller's flag. The list does not own the load files.
class LoadFileList
{
public:
    struct Entry
    {
        LoadFileInterface *loadFile;
        QString name;
        bool flag;
    };

    void append(LoadFileInterface *loadFile, const QString &name, bool flag = false);
    int count() const { return m_entries.size(); }
    const Entry &at(int index) const { return m_entries.at(index); }

    /// Sorts each file's sections, then the files by the (32-bit) address of their first
    /// section, a file without sections counting as 0.
    void sort();
    /// Whether two of the files cover a common address. Throws HException when a
    /// file's sections cannot be read.
    bool overlaps() const;

private:
    QList<Entry> m_entries;
};
