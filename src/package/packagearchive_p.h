#pragma once

#include "package/packagearchivefile.h"
#include "package/packagearchiveiofile.h"
#include "qtx/fileguard.h"

#include <QString>

#include <cstdio>
#include <memory>
#include <vector>

/// The state of a PackageArchive.
struct PackageArchivePrivate
{
    QString fileName;
    // The open archive file and the reader positioned in it; the stream is declared
    // after the file so that it goes first.
    QTx::FilePointer inputFile;
    std::unique_ptr<PackageArchiveIOFileInterface> input;
    std::vector<std::unique_ptr<PackageArchiveFile>> entries;  // table order
    std::vector<PackageArchiveFile *> sortedIndex;             // by name, when indexed
    bool indexed = false;
    qint32 version = 1;
    qint32 algorithm = 0;
    bool followSymbolicLinks = true;
};
