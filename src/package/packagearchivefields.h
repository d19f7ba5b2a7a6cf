#pragma once

#include <QtGlobal>

/// Fixed-width fields of archive headers and records. `byteOrder` is 0 for
/// little-endian and non-zero for big-endian.
class PackageArchiveFields
{
public:
    static quint16 get16(const uchar *field, int byteOrder = 0)
    {
        return byteOrder ? quint16(field[0] << 8 | field[1])
                         : quint16(field[1] << 8 | field[0]);
    }

    static quint32 get32(const uchar *field, int byteOrder = 0)
    {
        quint32 value = 0;
        for (int i = 0; i < 4; ++i)
            value |= quint32(field[byteOrder ? 3 - i : i]) << (8 * i);
        return value;
    }

    static void put16(uchar *field, quint16 value, int byteOrder = 0)
    {
        field[byteOrder ? 0 : 1] = uchar(value >> 8);
        field[byteOrder ? 1 : 0] = uchar(value);
    }

    static void put32(uchar *field, quint32 value, int byteOrder = 0)
    {
        for (int i = 0; i < 4; ++i)
            field[byteOrder ? 3 - i : i] = uchar(value >> (8 * i));
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
