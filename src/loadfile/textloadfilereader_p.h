#pragma once

#include "qtx/hexception.h"

#include <QString>

#include <array>
#include <cstdio>
#include <memory>

// Shared by the text load-file readers: the line reader and the hex-digit decoder.
// These have external linkage, so their names carry the library's prefix: another
// library's line reader must never be mistaken for this one at link time.

/// Reads a text file one line at a time the way a fixed line buffer does: a line
/// longer than the buffer (line end included) comes back in pieces, each handled as a
/// line of its own. Lines are counted from 1, and the count moves on past the end of
/// the file too, so that "line N" in a message names the line being handled.
class LoadFileLineReader
{
public:
    /// Opens the file; throws "cannot open <path>".
    LoadFileLineReader(const QString &fileName, int lineBufferSize);
    ~LoadFileLineReader();
    LoadFileLineReader(const LoadFileLineReader &) = delete;
    LoadFileLineReader &operator=(const LoadFileLineReader &) = delete;

    /// The next line or piece, line end included; false at the end of the file.
    bool next();
    const char *line() const { return m_line; }
    int length() const { return m_length; }
    int lineNumber() const { return m_lineNumber; }
    void close();

    /// Rethrows `error` with " : line N" appended.
    [[noreturn]] void fail(const HException &error) const;

private:
    bool refill();

    std::FILE *m_file = nullptr;
    int m_maxPiece;
    std::unique_ptr<char[]> m_buffer;
    int m_capacity;
    int m_begin = 0;
    int m_end = 0;
    bool m_eof = false;
    const char *m_line = nullptr;
    int m_length = 0;
    int m_lineNumber = 0;
};

/// Reads a text load file line by line: `handleLine(line, length)` answers false to
/// stop early (an end record), and running out of lines fails with `endOfFileError`
/// unless that is none. Every HException gets the line suffix.
template <typename Handler>
void readLoadFileLines(const QString &fileName, int lineBufferSize, Handler handleLine,
                   const char *endOfFileError = nullptr)
{
    LoadFileLineReader reader(fileName, lineBufferSize);
    try {
        while (reader.next()) {
            if (!handleLine(reader.line(), reader.length()))
                return;
        }
        if (endOfFileError)
            throw HException(endOfFileError);
    } catch (const HException &error) {
        reader.fail(error);
    }
}

/// Value of each character as a hex digit, or −1.
inline constexpr auto loadFileHexDigitValues = [] {
    std::array<signed char, 256> values{};
    for (int c = 0; c < 256; ++c) {
        if (c >= '0' && c <= '9')
            values[size_t(c)] = static_cast<signed char>(c - '0');
        else if (c >= 'A' && c <= 'F')
            values[size_t(c)] = static_cast<signed char>(c - 'A' + 10);
        else if (c >= 'a' && c <= 'f')
            values[size_t(c)] = static_cast<signed char>(c - 'a' + 10);
        else
            values[size_t(c)] = -1;
    }
    return values;
}();

inline int loadFileHexDigitValue(char c)
{
    return loadFileHexDigitValues[static_cast<unsigned char>(c)];
}

/// Decodes the hex-digit pairs of one record from a position on, keeping a running
/// sum of the bytes read. A character that is not a hex digit, including the line end
/// and anything past it, fails with "invalid ASCII encoded byte".
class LoadFileRecordDecoder
{
public:
    LoadFileRecordDecoder(const char *line, int length, int position)
        : m_line(line), m_length(length), m_position(position)
    {
    }

    quint8 byte()
    {
        const int high = digit(m_position);
        const int low = digit(m_position + 1);
        m_position += 2;
        const quint8 value = quint8((unsigned(high) << 4) | unsigned(low));
        m_sum = quint8(m_sum + value);
        return value;
    }
    /// `count` bytes, high byte first.
    quint32 bigEndian(int count)
    {
        quint32 value = 0;
        for (int i = 0; i < count; ++i)
            value = (value << 8) | byte();
        return value;
    }
    void bytes(quint8 *destination, int count)
    {
        if (m_position + 2 * count > m_length) {
            for (int i = 0; i < count; ++i)
                destination[i] = byte();  // fails where the line ends
            return;
        }
        // The bulk of every file: decode without a branch per digit, checking once.
        const char *digits = m_line + m_position;
        int invalid = 0;
        quint8 sum = m_sum;
        for (int i = 0; i < count; ++i) {
            const int high = loadFileHexDigitValue(digits[2 * i]);
            const int low = loadFileHexDigitValue(digits[2 * i + 1]);
            invalid |= high | low;
            const quint8 value = quint8((unsigned(high) << 4) | unsigned(low));
            destination[i] = value;
            sum = quint8(sum + value);
        }
        if (invalid < 0)
            throw HException("invalid ASCII encoded byte");
        m_sum = sum;
        m_position += 2 * count;
    }
    quint8 sum() const { return m_sum; }
    int position() const { return m_position; }

private:
    int digit(int position) const
    {
        const int value = position < m_length
                              ? loadFileHexDigitValue(m_line[position])
                              : -1;
        if (value < 0)
            throw HException("invalid ASCII encoded byte");
        return value;
    }

    const char *m_line;
    int m_length;
    int m_position;
    quint8 m_sum = 0;
};
