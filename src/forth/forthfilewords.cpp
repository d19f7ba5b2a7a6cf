// The file access words over QFile. A fileid is an integer cell (see fileFromId); an ior
// is 0 on success or a THROW code: -38 for a file that does not exist, -37 for other
// failures, -36 for a bad position. File names are taken relative to the working
// directory; characters are bytes, one per address unit.

#include "forthsystem_p.h"

#include <QFileInfo>

namespace {

using S = ForthSystem;

constexpr int64_t readOnly = 0;
constexpr int64_t writeOnly = 1;
constexpr int64_t readWrite = 2;
constexpr int64_t binaryFlag = 4;  // BIN: accepted, no effect; files are bytes anyway

constexpr int64_t iorFile = -37;
constexpr int64_t iorMissing = -38;
constexpr int64_t iorPosition = -36;

QString popFileName(S &s)
{
    const int64_t length = s.popInt();
    return QString::fromUtf8(s.readString(s.pop(), length));
}

QFile *popFile(S &s)
{
    return s.fileFromId(s.popInt());
}

// A file opened for reading (or writing), else null: the wrong direction is an ior too.
QFile *popReadable(S &s)
{
    QFile *file = popFile(s);
    return file && file->isReadable() ? file : nullptr;
}

QFile *popWritable(S &s)
{
    QFile *file = popFile(s);
    return file && file->isWritable() ? file : nullptr;
}

// Stores `bytes` as characters at `address`.
void storeBytes(S &s, const Cell &address, const QByteArray &bytes)
{
    if (bytes.isEmpty())
        return;
    Cell last = address;
    last.i += bytes.size() - 1;
    s.cellAt(last, true);
    Cell *cells = s.cellAt(address, true);
    for (int i = 0; i < bytes.size(); ++i)
        cells[i] = intCell(uchar(bytes[i]));
}

// ( c-addr u fam -- fileid ior )
void openWith(S &s, bool create)
{
    const int64_t mode = s.popInt() & ~binaryFlag;
    const QString name = popFileName(s);
    QIODevice::OpenMode openMode = mode == writeOnly ? QIODevice::WriteOnly
                                   : mode == readWrite ? QIODevice::ReadWrite
                                                       : QIODevice::ReadOnly;
    if (create)
        openMode |= QIODevice::Truncate | (mode == readOnly ? QIODevice::WriteOnly
                                                               : QIODevice::OpenMode());
    else if (!QFileInfo::exists(name)) {
        s.pushInt(0);
        s.pushInt(iorMissing);
        return;
    }
    auto entry = std::make_unique<S::OpenFile>();
    entry->file.setFileName(name);
    if (!entry->file.open(openMode)) {
        s.pushInt(0);
        s.pushInt(iorFile);
        return;
    }
    s.m_files.push_back(std::move(entry));
    s.pushInt(int64_t(s.m_files.size()));
    s.pushInt(0);
}
void openFile(S &s) { openWith(s, false); }
void createFile(S &s) { openWith(s, true); }

// ( fileid -- ior )
void closeFile(S &s)
{
    const int64_t id = s.popInt();
    if (!s.fileFromId(id)) {
        s.pushInt(iorFile);
        return;
    }
    s.m_files[size_t(id - 1)].reset();
    s.pushInt(0);
}

// ( c-addr u -- ior )
void deleteFile(S &s)
{
    const QString name = popFileName(s);
    s.pushInt(QFile::remove(name) ? 0 : QFileInfo::exists(name) ? iorFile : iorMissing);
}

// ( c-addr u1 fileid -- u2 ior ) u2 is 0 at the end of the file
void readFile(S &s)
{
    QFile *file = popReadable(s);
    const int64_t length = s.popInt();
    const Cell address = s.pop();
    if (!file || length < 0) {
        s.pushInt(0);
        s.pushInt(iorFile);
        return;
    }
    const QByteArray bytes = file->read(qMin<int64_t>(length, 1 << 24));
    storeBytes(s, address, bytes);
    s.pushInt(bytes.size());
    s.pushInt(0);
}

// ( c-addr u1 fileid -- u2 flag ior ) the next line without its end, at most u1
// characters; flag is false at the end of the file
void readLine(S &s)
{
    QFile *file = popReadable(s);
    const int64_t length = s.popInt();
    const Cell address = s.pop();
    if (!file || length < 0) {
        s.pushInt(0);
        s.pushInt(0);
        s.pushInt(iorFile);
        return;
    }
    if (file->atEnd()) {
        s.pushInt(0);
        s.pushInt(0);
        s.pushInt(0);
        return;
    }
    QByteArray line;
    char c;
    while (line.size() < length && file->getChar(&c)) {
        if (c == '\n')
            break;
        line += c;
    }
    if (line.endsWith('\r'))
        line.chop(1);
    storeBytes(s, address, line);
    s.pushInt(line.size());
    s.pushInt(-1);
    s.pushInt(0);
}

// ( c-addr u fileid -- ior )
void writeWith(S &s, const char *end)
{
    QFile *file = popWritable(s);
    const int64_t length = s.popInt();
    const QByteArray bytes = s.readString(s.pop(), length) + end;
    s.pushInt(file && file->write(bytes) == bytes.size() ? 0 : iorFile);
}
void writeFile(S &s) { writeWith(s, ""); }
void writeLine(S &s) { writeWith(s, "\n"); }

// ( fileid -- ud ior )
void filePosition(S &s)
{
    QFile *file = popFile(s);
    s.pushInt(file ? file->pos() : 0);
    s.pushInt(0);
    s.pushInt(file ? 0 : iorFile);
}

// ( ud fileid -- ior ) an offset of more than 63 bits is a bad position
int64_t popOffset(S &s, QFile **file)
{
    *file = popFile(s);
    const int64_t high = s.popInt(), low = s.popInt();
    return high != 0 || low < 0 ? -1 : low;
}

void repositionFile(S &s)
{
    QFile *file;
    const int64_t offset = popOffset(s, &file);
    s.pushInt(!file ? iorFile : offset < 0 || !file->seek(offset) ? iorPosition : 0);
}

void resizeFile(S &s)
{
    QFile *file;
    const int64_t size = popOffset(s, &file);
    s.pushInt(!file ? iorFile : size < 0 || !file->resize(size) ? iorPosition : 0);
}

// ( fileid -- )
void includeFileWord(S &s)
{
    const int64_t id = s.popInt();
    QFile *file = s.fileFromId(id);
    if (!file)
        throw ForthException(iorFile, "invalid fileid " + QByteArray::number(qlonglong(id)));
    s.includeOpenFile(id, file->fileName());
}

// ( c-addr u -- )
void included(S &s) { s.includeFile(popFileName(s)); }

// ( "name" -- )
void include(S &s) { s.includeFile(QString::fromUtf8(s.parseDefinitionName())); }

// ( fam -- fam' )
void bin(S &s) { s.pushInt(s.popInt() | binaryFlag); }
void ro(S &s) { s.pushInt(readOnly); }
void wo(S &s) { s.pushInt(writeOnly); }
void rw(S &s) { s.pushInt(readWrite); }

struct Entry
{
    const char *name;
    NativeFn fn;
};

constexpr Entry entries[] = {
    {"BIN", bin}, {"CLOSE-FILE", closeFile}, {"CREATE-FILE", createFile},
    {"DELETE-FILE", deleteFile}, {"FILE-POSITION", filePosition},
    {"INCLUDE-FILE", includeFileWord}, {"INCLUDED", included}, {"OPEN-FILE", openFile},
    {"R/O", ro}, {"R/W", rw}, {"READ-FILE", readFile}, {"READ-LINE", readLine},
    {"REPOSITION-FILE", repositionFile}, {"RESIZE-FILE", resizeFile}, {"W/O", wo},
    {"WRITE-FILE", writeFile}, {"WRITE-LINE", writeLine}, {"INCLUDE", include},
};

} // namespace

void registerFileWords(ForthSystem &system)
{
    for (const Entry &entry : entries)
        system.addNative(entry.name, entry.fn);
}
