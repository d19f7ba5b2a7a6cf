#pragma once

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>

/// Copies the directory tree `from` (an example solution, say) to `to`.
inline void copyTree(const QString &from, const QString &to)
{
    QDir source(from);
    QDir().mkpath(to);
    const auto entries = source.entryInfoList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QFileInfo &entry : entries) {
        const QString target = to + "/" + entry.fileName();
        if (entry.isDir())
            copyTree(entry.filePath(), target);
        else
            QFile::copy(entry.filePath(), target);
    }
}
