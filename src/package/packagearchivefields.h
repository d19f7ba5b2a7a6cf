#pragma once

#include "qtx/byteorder.h"

#include <QtGlobal>

/// Fixed-width fields of archive headers and records. `byteOrder` is 0 for
/// little-endian (every field but the legacy size hint) and non-zero for big-endian.
class PackageArchiveFields
{
public:
    static quint16 get16(const uchar *field, int byteOrder = 0)
    {
        return QTx::fromByteOrder<quint16>(field, quint32(byteOrder));
    }
    static quint32 get32(const uchar *field, int byteOrder = 0)
    {
        return QTx::fromByteOrder<quint32>(field, quint32(byteOrder));
    }
    static void put16(uchar *field, quint16 value, int byteOrder = 0)
    {
        QTx::toByteOrder(value, field, quint32(byteOrder));
    }
    static void put32(uchar *field, quint32 value, int byteOrder = 0)
    {
        QTx::toByteOrder(value, field, quint32(byteOrder));
    }
};

/// The magics and record sizes of the three container forms.
struct PackageArchiveLayout
{
    static constexpr quint32 compressedMagic = 0x71F5C6B1;  // form A
    static constexpr quint32 legacyMagic = 0xB231F47A;      // form B
    static constexpr quint32 innerMagic = 0x4152C3C8;       // form C, and inside form B
    static constexpr int containerHeaderSize = 8;           // form A
    static constexpr int legacyHeaderSize = 12;             // form B
    static constexpr int innerHeaderSize = 8;               // magic, entry count
    static constexpr int version1RecordSize = 1040;
    static constexpr int version1NameSize = 1024;
    static constexpr int version2HeaderSize = 20;
    static constexpr int version2RecordSize = 18;
    static constexpr int maxVersion2NameSize = 65535;
};
