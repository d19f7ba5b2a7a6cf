#pragma once

#include <QByteArray>
#include <QString>

class QIODevice;

/// Reads lines of text from a device for the text copy, one QChar per byte (Latin-1),
/// so that every byte survives the trip through QString whatever its encoding.
///
/// Lines end at "\n"; a "\r" right before it, or at the very end of the input, belongs
/// to the line end. A lone "\r" elsewhere is text. The last line needs no "\n".
class CpTextReader
{
public:
    explicit CpTextReader(QIODevice *device) : m_device(device) {}

    /// The next line without its line end; false at the end of the input.
    bool readLine(QString *line);

private:
    bool fill();  // appends the next chunk; false when the device has no more

    QIODevice *m_device;
    QByteArray m_buffer;
    int m_position = 0;  // start of the unread text in m_buffer
    bool m_atEnd = false;
};

/// Writes text whose QChars each hold one byte (Latin-1) to a device, buffered.
class CpTextWriter
{
public:
    explicit CpTextWriter(QIODevice *device) : m_device(device) {}
    ~CpTextWriter() { flush(); }
    CpTextWriter(const CpTextWriter &) = delete;
    CpTextWriter &operator=(const CpTextWriter &) = delete;

    /// Writes the line followed by "\n".
    void writeLine(const QString &line);
    /// Hands the buffered bytes to the device; false when it could not take them all.
    bool flush();

private:
    QIODevice *m_device;
    QByteArray m_buffer;
};
