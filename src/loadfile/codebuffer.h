#pragma once

#include <QString>

#include <cstdio>
#include <memory>

namespace QTx {
class SaveFile;
}

/// A load-file writer: bytes are put one at a time at a current address that advances
/// by itself; setAddress() leaves a gap; finish() writes what is pending and the end
/// of the file. A file that cannot be created leaves the writer silently inert:
/// callers that care ask isOpen() and hasFailed().
///
/// The output goes to a temporary file that takes the file name's place when the writer
/// is closed, and only when every write succeeded: a failed write leaves what was there
/// before untouched.
class CodeBuffer
{
public:
    /// Closes the file (see close()); bytes that finish() did not write are lost.
    virtual ~CodeBuffer();
    CodeBuffer(const CodeBuffer &) = delete;
    CodeBuffer &operator=(const CodeBuffer &) = delete;

    virtual void setAddress(quint32 address) = 0;
    virtual void putByte(quint8 value) = 0;
    /// Writes the pending bytes and the end of the file; `startAddress` is the entry
    /// point for the formats that carry one.
    virtual void finish(quint32 startAddress) = 0;
    /// Puts `count` bytes in a row, as many putByte() calls would.
    virtual void putBytes(const quint8 *bytes, quint32 count);

    quint32 address() const { return m_address; }
    /// False when the file could not be created.
    bool isOpen() const { return m_file != nullptr; }
    /// True once a write to the file failed (a full disk, say).
    bool hasFailed() const { return m_failed; }
    /// Writes what is buffered and puts the file in place. False when the file could not
    /// be created or a write failed; the old file is then as it was. Later calls answer
    /// the first one's result.
    bool close();
    /// Why the file could not be created or written, with the system's reason.
    const QString &errorString() const { return m_error; }

protected:
    CodeBuffer(const QString &fileName, bool binary);

    /// Appends text to the output, buffered.
    void output(const char *text, size_t length);
    /// Writes the buffered output to the file.
    void flush();
    /// Two upper-case hex digits of `value` at `out`; returns the position after them.
    static char *putHexByte(char *out, quint8 value);

    quint32 m_address = 0;

private:
    void noteFailure();

    std::unique_ptr<QTx::SaveFile> m_saveFile;
    std::FILE *m_file = nullptr;  // the save file's stream; null when not open or closed
    std::unique_ptr<char[]> m_output;
    size_t m_outputLength = 0;
    bool m_failed = false;
    int m_errorNumber = 0;  // the reason of the first failed write
    QString m_error;
};

/// The record writers: bytes collect in a record of at most 16 bytes, written when it
/// is full, when the address jumps and at finish().
class RecordCodeBuffer : public CodeBuffer
{
public:
    static constexpr quint32 recordSize = 16;

    void setAddress(quint32 address) override;
    void putByte(quint8 value) override;
    void putBytes(const quint8 *bytes, quint32 count) override;

protected:
    RecordCodeBuffer(const QString &fileName, bool splitAt64KiB = false);

    /// Writes the pending bytes as one record (nothing when none are pending), then
    /// starts the next record at the current address.
    void writePending();
    /// Formats one record of `count` > 0 bytes starting at m_recordStart.
    virtual void writeRecord(const quint8 *bytes, quint32 count) = 0;

    quint32 m_recordStart = 0;
    quint8 m_record[recordSize] = {};

private:
    void store(quint8 value)
    {
        m_record[m_address - m_recordStart] = value;
        ++m_address;
        if (m_address - m_recordStart == recordSize || (m_splitAt64KiB && !(m_address & 0xFFFF)))
            writePending();
    }

    bool m_splitAt64KiB;
};

/// The writer for a format name ("hex", "lst", "srec", "bin", "txt"), or none.
std::unique_ptr<CodeBuffer> createCodeBuffer(const QString &formatName,
                                             const QString &fileName);
