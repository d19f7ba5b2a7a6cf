#include "codebuffer.h"

#include "loadfile/binarybuffer.h"
#include "loadfile/hexbuffer.h"
#include "loadfile/intelhexbuffer.h"
#include "loadfile/srecordbuffer.h"
#include "loadfile/tihexbuffer.h"

#include "qtx/savefile.h"
#include "qtx/toolsupport.h"

#include <cerrno>
#include <cstring>

namespace {

constexpr size_t outputCapacity = 1 << 18;

struct HexPairTable
{
    char pairs[512];
};

constexpr HexPairTable makeHexPairTable()
{
    HexPairTable table{};
    const char digits[] = "0123456789ABCDEF";
    for (int i = 0; i < 256; ++i) {
        table.pairs[2 * i] = digits[i >> 4];
        table.pairs[2 * i + 1] = digits[i & 15];
    }
    return table;
}

constexpr HexPairTable hexPairs = makeHexPairTable();

} // namespace

char *CodeBuffer::putHexByte(char *out, quint8 value)
{
    out[0] = hexPairs.pairs[2 * value];
    out[1] = hexPairs.pairs[2 * value + 1];
    return out + 2;
}

// Text and binary files are written alike on this system: `binary` matters nowhere.
CodeBuffer::CodeBuffer(const QString &fileName, bool /*binary*/)
    : m_saveFile(std::make_unique<QTx::SaveFile>(fileName)), m_output(new char[outputCapacity])
{
    if (m_saveFile->open())
        m_file = m_saveFile->stream();
    else
        m_error = m_saveFile->errorString();
}

CodeBuffer::~CodeBuffer()
{
    close();
}

bool CodeBuffer::close()
{
    if (!m_file)
        return m_error.isEmpty();
    flush();
    m_file = nullptr;
    if (m_failed) {
        m_saveFile->discard();
        m_error = "cannot write " + QTx::quoted(m_saveFile->fileName()) + ": "
                  + QTx::systemErrorText(m_errorNumber ? m_errorNumber : EIO);
        return false;
    }
    if (!m_saveFile->commit()) {
        m_failed = true;
        m_error = m_saveFile->errorString();
        return false;
    }
    return true;
}

void CodeBuffer::noteFailure()
{
    if (!m_failed)
        m_errorNumber = errno;
    m_failed = true;
}

void CodeBuffer::putBytes(const quint8 *bytes, quint32 count)
{
    for (quint32 i = 0; i < count; ++i)
        putByte(bytes[i]);
}

void CodeBuffer::output(const char *text, size_t length)
{
    if (!m_file)
        return;
    if (m_outputLength + length > outputCapacity) {
        flush();
        if (length > outputCapacity) {
            errno = 0;
            if (std::fwrite(text, 1, length, m_file) != length)
                noteFailure();
            return;
        }
    }
    std::memcpy(m_output.get() + m_outputLength, text, length);
    m_outputLength += length;
}

void CodeBuffer::flush()
{
    if (m_file && m_outputLength) {
        errno = 0;
        if (std::fwrite(m_output.get(), 1, m_outputLength, m_file) != m_outputLength
            || std::fflush(m_file) != 0)
            noteFailure();
    }
    m_outputLength = 0;
}

RecordCodeBuffer::RecordCodeBuffer(const QString &fileName, bool splitAt64KiB)
    : CodeBuffer(fileName, false), m_splitAt64KiB(splitAt64KiB)
{
}

void RecordCodeBuffer::setAddress(quint32 address)
{
    if (address == m_address)
        return;
    writePending();
    m_recordStart = m_address = address;
}

void RecordCodeBuffer::putByte(quint8 value)
{
    store(value);
}

void RecordCodeBuffer::putBytes(const quint8 *bytes, quint32 count)
{
    while (count) {
        // Fill the record up to its end (or the next 64 KiB boundary) in one copy; the
        // last byte goes through store() so that the record is written as putByte does.
        quint32 room = recordSize - (m_address - m_recordStart);
        if (m_splitAt64KiB)
            room = qMin(room, 0x10000 - (m_address & 0xFFFF));
        const quint32 chunk = qMin(room, count) - 1;
        std::memcpy(m_record + (m_address - m_recordStart), bytes, chunk);
        m_address += chunk;
        store(bytes[chunk]);
        bytes += chunk + 1;
        count -= chunk + 1;
    }
}

void RecordCodeBuffer::writePending()
{
    const quint32 count = m_address - m_recordStart;
    if (count)
        writeRecord(m_record, count);
    m_recordStart = m_address;
}

std::unique_ptr<CodeBuffer> createCodeBuffer(const QString &formatName, const QString &fileName)
{
    if (formatName == QLatin1String("hex"))
        return std::make_unique<IntelHexBuffer>(fileName);
    if (formatName == QLatin1String("lst"))
        return std::make_unique<HexBuffer>(fileName);
    if (formatName == QLatin1String("srec"))
        return std::make_unique<SRecordBuffer>(fileName);
    if (formatName == QLatin1String("bin"))
        return std::make_unique<BinaryBuffer>(fileName);
    if (formatName == QLatin1String("txt"))
        return std::make_unique<TIHexBuffer>(fileName);
    return nullptr;
}
