#pragma once

#include "loadfile/loadfile.h"

#include <QString>

/// The plain hex listing: each line an 8-digit address followed by bytes, each after
/// one space ("00001000 01 02 03"). It has no end record.
class HexLoadFile : public StandardLoadFile
{
public:
    /// Reads the whole file; throws HException naming the fault and its line.
    explicit HexLoadFile(const QString &fileName);

private:
    void readLine(const char *line, int length);
};
