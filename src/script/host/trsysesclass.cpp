#include "trsysesclass.h"

#include "scripthostsupport.h"

#include "script/esatom.h"
#include "script/escontext.h"
#include "script/esnativeerror.h"
#include "script/esnatives.h"
#include "script/esobject.h"
#include "qtx/byteorder.h"
#include "qtx/savefile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTextStream>

#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <optional>

namespace {

enum TRSysMethod {
    RenameFile, CopyFile, RemoveFile, FileExists, FileSize, MakeDirectory, RemoveDirectory,
    WriteStringToFile, ReadStringFromFile, WriteByteArrayToFile, ReadByteArrayFromFile,
    Crc32, Run, GetRunStdout, GetRunStderr, PackU32, UnpackU32, Popup, AppendStringToFile,
    MethodCount
};

const ESBuiltinDescriptor methods[] = {
    {"renameFile", "TRSys.prototype.renameFile", 2, 0, RenameFile,
     "<b>TRSys.renameFile(oldPath, newPath)</b> renames file <i>oldPath</i> to be "
     "<i>newPath</i>."},
    {"copyFile", "TRSys.prototype.copyFile", 2, 0, CopyFile,
     "<b>TRSys.copyFile(srcPath, destPath)</b> copies file <i>srcPath</i> to "
     "<i>destPath</i>."},
    {"removeFile", "TRSys.prototype.removeFile", 1, 0, RemoveFile,
     "<b>TRSys.removeFile(path)</b> removes file <i>path</i>."},
    {"fileExists", "TRSys.prototype.fileExists", 1, 0, FileExists,
     "<b>TRSys.fileExists(path)</b> returns true if file <i>path</i> exists."},
    {"fileSize", "TRSys.prototype.fileSize", 1, 0, FileSize,
     "<b>TRSys.fileSize(path)</b> returns the size of file <i>path</i> in bytes."},
    {"makeDirectory", "TRSys.prototype.makeDirectory", 1, 0, MakeDirectory,
     "<b>TRSys.makeDirectory(path)</b> creates directory <i>path</i>."},
    {"removeDirectory", "TRSys.prototype.removeDirectory", 1, 0, RemoveDirectory,
     "<b>TRSys.removeDirectory(path)</b> removes directory <i>path</i>."},
    {"writeStringToFile", "TRSys.prototype.writeStringToFile", 2, 0, WriteStringToFile,
     "<b>TRSys.writeStringToFile(path, string)</b> writes <i>string</i> to file "
     "<i>path</i>."},
    {"readStringFromFile", "TRSys.prototype.readStringFromFile", 1, 0, ReadStringFromFile,
     "<b>TRSys.readStringFromFile(path)</b> returns the contents of file <i>path</i> as a "
     "string."},
    {"writeByteArrayToFile", "TRSys.prototype.writeByteArrayToFile", 2, 0,
     WriteByteArrayToFile,
     "<b>TRSys.writeByteArrayToFile(path, array)</b> writes byte array <i>array</i> to file "
     "<i>path</i>."},
    {"readByteArrayFromFile", "TRSys.prototype.readByteArrayFromFile", 1, 0,
     ReadByteArrayFromFile,
     "<b>TRSys.readByteArrayFromFile(path)</b> returns the contents of file <i>path</i> as "
     "a byte array."},
    {"crc32", "TRSys.prototype.crc32", 1, 0, Crc32,
     "<b>TRSys.crc32(array)</b> returns the CRC-32 checksum of the byte array "
     "<i>array</i>. This function computes a CRC-32 checksum on a block of data using the "
     "standard CRC-32 polynomial (0x04C11DB7) with an initial value of 0xFFFFFFFF. Note that "
     "this implementation doesn't reflect the input or the output and the result is "
     "inverted."},
    {"run", "TRSys.prototype.run", 2, 0, Run,
     "<b>TRSys.run(cmd, wait)</b> runs command line <i>cmd</i> optionally waits for it to "
     "complete if <i>wait</i> is true."},
    {"getRunStdout", "TRSys.prototype.getRunStdout", 0, 0, GetRunStdout,
     "<b>TRSys.getRunStdout()</b> returns the standard output of the last command run with "
     "<i>wait</i> true."},
    {"getRunStderr", "TRSys.prototype.getRunStderr", 0, 0, GetRunStderr,
     "<b>TRSys.getRunStderr()</b> returns the standard error of the last command run with "
     "<i>wait</i> true."},
    {"packU32", "TRSys.prototype.packU32", 4, 0, PackU32,
     "<b>TRSys.packU32(array, offset, number, le)</b> packs 32-bit <i>number</i> into byte "
     "array <i>array</i> at <i>offset</i>, little endian if <i>le</i> is true."},
    {"unpackU32", "TRSys.prototype.unpackU32", 3, 0, UnpackU32,
     "<b>TRSys.unpackU32(array, offset, le)</b> returns the 32-bit number unpacked from "
     "byte array <i>array</i> at <i>offset</i>, little endian if <i>le</i> is true."},
    {"popup", "TRSys.prototype.popup", 1, 0, Popup,
     "<b>TRSys.popup(text)</b> prompt the user with text and return true for yes and false "
     "for no."},
    {"appendStringToFile", "TRSys.prototype.appendStringToFile", 2, 0, AppendStringToFile,
     "<b>TRSys.appendStringToFile(path, string)</b> appends <i>string</i> to file "
     "<i>path</i>."},
};
static_assert(std::size(methods) == MethodCount, "methods out of step with TRSysMethod");

// How often a waiting run() looks whether the context asks to stop.
constexpr int stopPollMilliseconds = 50;

bool copyFile(const QString &source, const QString &destination)
{
    QFile input(source);
    if (QFileInfo(source).isDir() || !input.open(QIODevice::ReadOnly))
        return false;
    QTx::SaveFile output(destination);
    if (!output.open())
        return false;
    char buffer[65536];
    for (;;) {
        const qint64 count = input.read(buffer, sizeof buffer);
        if (count < 0)
            return false;
        if (count == 0)
            break;
        if (std::fwrite(buffer, 1, std::size_t(count), output.stream()) != std::size_t(count))
            return false;
    }
    return output.commit();
}

bool writeText(const QString &path, const QString &text, QIODevice::OpenMode mode)
{
    QFile file(path);
    if (!file.open(mode | QIODevice::Text))
        return false;
    QTextStream stream(&file);
    stream.setCodec("UTF-8");
    stream << text;
    stream.flush();
    return stream.status() == QTextStream::Ok && file.flush();
}

QStringList outputLines(const QByteArray &output)
{
    QStringList lines = QString::fromLocal8Bit(output).split(QLatin1Char('\n'));
    if (!lines.isEmpty() && lines.last().isEmpty())
        lines.removeLast();
    for (QString &line : lines) {
        if (line.endsWith(QLatin1Char('\r')))
            line.chop(1);
    }
    return lines;
}

} // namespace

ESObject *TRSysESClass::install(ESContext *cx)
{
    return scriptInstallHost(cx, this, methods, int(std::size(methods)));
}

TRSysESClass *TRSysESClass::installInto(ESContext *cx)
{
    return scriptAdoptHost<TRSysESClass>(cx);
}

void TRSysESClass::call(ESContext *cx, ESObject *function, const ESValue &thisValue, int argc,
                        ESValue *argv, ESValue *result)
{
    const auto text = [&](int i) { return cx->toString(argv[i]); };
    const auto path = [&](int i) { return QFile::encodeName(text(i)); };
    switch (function->builtinIndex) {
    case RenameFile:
        *result = ESValue::boolean(std::rename(path(0).constData(), path(1).constData()) == 0);
        return;
    case CopyFile:
        *result = ESValue::boolean(copyFile(text(0), text(1)));
        return;
    case RemoveFile:
        *result = ESValue::boolean(::unlink(path(0).constData()) == 0);
        return;
    case FileExists:
        *result = ESValue::boolean(QFileInfo::exists(text(0)));
        return;
    case FileSize: {
        const QFileInfo info(text(0));
        *result = info.exists() ? ESValue::fromNumber(info.size()) : ESValue();
        return;
    }
    case MakeDirectory:
        *result = ESValue::boolean(::mkdir(path(0).constData(), 0777) == 0);
        return;
    case RemoveDirectory:
        *result = ESValue::boolean(::rmdir(path(0).constData()) == 0);
        return;
    case WriteStringToFile:
        *result = ESValue::boolean(
            writeText(text(0), text(1), QIODevice::WriteOnly | QIODevice::Truncate));
        return;
    case AppendStringToFile:
        *result = ESValue::boolean(writeText(text(0), text(1), QIODevice::Append));
        return;
    case ReadStringFromFile: {
        const auto bytes = scriptReadFile(text(0), QIODevice::Text);
        *result = bytes ? ESValue::fromCell(cx->newStringCell(QString::fromUtf8(*bytes)))
                        : ESValue();
        return;
    }
    case WriteByteArrayToFile: {
        const QString fileName = text(0);
        const QByteArray bytes = scriptBytesFromArray(cx, argv[1]);
        QFile file(fileName);
        *result = ESValue::boolean(file.open(QIODevice::WriteOnly | QIODevice::Truncate)
                                   && file.write(bytes) == bytes.size() && file.flush());
        return;
    }
    case ReadByteArrayFromFile: {
        const auto bytes = scriptReadFile(text(0));
        *result = bytes ? scriptArrayFromBytes(cx, bytes->constData(), bytes->size())
                        : ESValue();
        return;
    }
    case Crc32: {
        const QByteArray bytes = scriptBytesFromArray(cx, argv[0]);
        *result = ESValue::fromNumber(
            scriptCrc32(reinterpret_cast<const uchar *>(bytes.constData()), bytes.size()));
        return;
    }
    case Run:
        *result = run(cx, text(0), cx->toBoolean(argv[1]));
        return;
    case GetRunStdout:
        *result = ESValue::fromCell(cx->newStringCell(m_stdoutLines.join(QLatin1Char('\n'))));
        return;
    case GetRunStderr:
        *result = ESValue::fromCell(cx->newStringCell(m_stderrLines.join(QLatin1Char('\n'))));
        return;
    case PackU32:
        packU32(cx, argv);
        *result = ESValue();
        return;
    case UnpackU32:
        *result = unpackU32(cx, argv);
        return;
    case Popup:
        *result = ESValue::boolean(popup(text(0)));
        return;
    default:
        ESClass::call(cx, function, thisValue, argc, argv, result);
    }
}

// The command line is split at blanks; double quotes group words (three in a row stand
// for one literal quote); nothing is expanded. Without waiting, the child runs on by
// itself and the result is 0 once it started; with waiting, the result is its exit
// status. -1: it could not start, it crashed, or the context asked to stop while waiting
// (the child is then killed).
ESValue TRSysESClass::run(ESContext *cx, const QString &commandLine, bool wait)
{
    QStringList arguments = QProcess::splitCommand(commandLine);
    if (arguments.isEmpty())
        return ESValue::fromNumber(-1);
    const QString program = arguments.takeFirst();
    if (!wait)
        return ESValue::fromNumber(QProcess::startDetached(program, arguments) ? 0 : -1);
    m_stdoutLines.clear();
    m_stderrLines.clear();
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    if (!process.waitForStarted(-1))
        return ESValue::fromNumber(-1);
    while (!process.waitForFinished(stopPollMilliseconds)) {
        if (process.state() == QProcess::NotRunning)
            break;
        if (cx->stopRequested()) {
            process.kill();
            process.waitForFinished(-1);
            return ESValue::fromNumber(-1);
        }
    }
    m_stdoutLines = outputLines(process.readAllStandardOutput());
    m_stderrLines = outputLines(process.readAllStandardError());
    const bool crashed = process.exitStatus() != QProcess::NormalExit;
    return ESValue::fromNumber(crashed ? -1 : process.exitCode());
}

// Without a GUI the question goes to standard output and the answer comes from a line
// of input: "yes" or "no" in any case, with its line feed; anything else asks again.
// At the end of the input the answer is no.
bool TRSysESClass::popup(const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stdout);
    for (;;) {
        std::fputs("[yes/no] ", stdout);
        std::fflush(stdout);
        char line[65];
        if (!std::fgets(line, sizeof line, m_promptInput))
            return false;
        const QByteArray answer = QByteArray(line).toLower();
        if (answer == "yes\n")
            return true;
        if (answer == "no\n")
            return false;
    }
}

// packU32(array, offset, number, le): four byte values at offset, least significant
// first when le is true.
void TRSysESClass::packU32(ESContext *cx, const ESValue *argv)
{
    ESObject *array = ESNativeArray::requireArray(cx, argv[0]);
    const qint64 offset = scriptPosition(cx, argv[1]);
    const quint32 number = cx->toUint32(argv[2]);
    const quint32 byteOrder = cx->toBoolean(argv[3]) ? 0 : 1;
    if (offset < 0 || offset > qint64(0xFFFFFFFEu) - 4)
        cx->throwScriptError(cx->rangeErrorClass(), QStringLiteral("offset out of range"));
    uchar bytes[4];
    QTx::toByteOrder(number, bytes, byteOrder);
    for (int i = 0; i < 4; ++i)
        cx->put(array, ESAtom::forIndex(quint32(offset + i)), ESValue::fromNumber(bytes[i]));
}

// unpackU32(array, offset, le): undefined when the array holds no four bytes there.
ESValue TRSysESClass::unpackU32(ESContext *cx, const ESValue *argv)
{
    ESObject *array = ESNativeArray::requireArray(cx, argv[0]);
    const qint64 offset = scriptPosition(cx, argv[1]);
    const quint32 byteOrder = cx->toBoolean(argv[2]) ? 0 : 1;
    if (offset < 0 || offset + 4 > qint64(ESNativeArray::lengthOf(cx, array)))
        return ESValue();
    const QByteArray bytes = scriptBytesFromArray(cx, argv[0], quint64(offset), 4);
    return ESValue::fromNumber(QTx::fromByteOrder<quint32>(bytes.constData(), byteOrder));
}
