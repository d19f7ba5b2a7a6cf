#include "tessaloadtool.h"

#include "loadfile/codebuffer.h"
#include "loadfile/loadfile.h"
#include "loadfile/loadfilefactory.h"
#include "loadfile/loadfilesection.h"
#include "loadfile/tekhexbuffer.h"
#include "qtx/hexception.h"
#include "qtx/toolsupport.h"

#include <QFile>

#include <algorithm>
#include <cstdio>

namespace {

const char readerFormats[] = "bin, ihex, hex, tihex or srec";
const char writerFormats[] = "hex, lst, srec, bin, txt or tek";

struct WriterExtension
{
    const char *extension;
    const char *format;
};

// Matched exactly, in lower or upper case as the readers' extensions are.
constexpr WriterExtension writerExtensions[] = {
    {".hex", "hex"}, {".HEX", "hex"}, {".lst", "lst"}, {".LST", "lst"},
    {".srec", "srec"}, {".SREC", "srec"}, {".s19", "srec"}, {".S19", "srec"},
    {".bin", "bin"}, {".BIN", "bin"}, {".rom", "bin"}, {".ROM", "bin"},
    {".txt", "txt"}, {".TXT", "txt"}, {".tek", "tek"}, {".TEK", "tek"},
};

std::unique_ptr<CodeBuffer> createWriter(const QString &format, const QString &fileName)
{
    if (format == QLatin1String("tek"))
        return std::make_unique<TekHexBuffer>(fileName);
    return createCodeBuffer(format, fileName);
}

// Sections must lie below 4 GiB: the writers count addresses in 32 bits. Answers how
// many bytes between the lowest and the highest address no section covers, for
// sections sorted by address.
quint64 checkAddressSpace(LoadFileSections &sections, quint64 *lowest, quint64 *highestEnd)
{
    *lowest = ~quint64(0);
    *highestEnd = 0;
    quint64 gaps = 0;
    for (int i = 0; i < sections.count(); ++i) {
        const LoadFileSectionInterface *section = sections.at(i);
        const quint64 end = section->address() + section->size();
        if (end > (quint64(1) << 32))
            throw HException(QString::asprintf(
                "section at 0x%llX of %u bytes wraps around the 4 GiB address limit",
                section->address(), section->size()));
        if (!section->size())
            continue;
        if (*highestEnd && section->address() > *highestEnd)
            gaps += section->address() - *highestEnd;
        *lowest = qMin(*lowest, section->address());
        *highestEnd = qMax(*highestEnd, end);
    }
    return gaps;
}

// The writer name for an output file name's extension, or a null string.
QString writerFormatForFileName(const QString &fileName)
{
    for (const WriterExtension &row : writerExtensions) {
        if (fileName.endsWith(QLatin1String(row.extension), Qt::CaseSensitive))
            return QString::fromLatin1(row.format);
    }
    return QString();
}

quint32 parseAddress(const QString &text)
{
    return quint32(QTx::parseNumber(text, 0, 0xFFFFFFFF, QStringLiteral("address")));
}

} // namespace

TessaLoadArgParse::TessaLoadArgParse()
    : ToolArgParse(QStringLiteral("tessaload"),
                   QStringLiteral("info FILE [option]...\nconvert IN OUT [option]..."),
                   QStringLiteral("ADDR is decimal or 0x-prefixed hexadecimal."))
{
    addValue(QStringLiteral("-format"), QStringLiteral("NAME"), &format,
             "Input format: " + QString(readerFormats) + "\n(default: from the file name extension)");
    addValue(QStringLiteral("-outformat"), QStringLiteral("NAME"), &outputFormat,
             "Output format: " + QString(writerFormats) + "\n(default: from the file name extension)");
    addValue(QStringLiteral("-loadaddress"), QStringLiteral("ADDR"), &loadAddress,
             QStringLiteral("Address of a binary input file (default 0)"));
    addFlag(QStringLiteral("-contiguous"), &contiguous,
            QStringLiteral("Merge the sections into one, filling the gaps"));
    addValue(QStringLiteral("-fill"), QStringLiteral("HH"), &fill,
             QStringLiteral("Fill byte of -contiguous (default FF); implies it"));
    addValue(QStringLiteral("-start"), QStringLiteral("ADDR"), &start,
             QStringLiteral("Start address written (default: the input's, else 0)"));
}

int TessaLoadTool::run(const QStringList &arguments)
{
    TessaLoadArgParse options;
    if (const auto status = options.parseCommandLine(arguments))
        return *status;
    const QString command = options.positional.first();
    const int files = options.positional.size() - 1;
    if (command == QLatin1String("info")) {
        if (files != 1)
            throw HException(files ? "too many file names for info"
                                   : "info needs a file name");
        info(options);
    } else if (command == QLatin1String("convert")) {
        if (files != 2)
            throw HException(files > 2 ? "too many file names for convert"
                                       : "convert needs an input and an output file");
        convert(options);
    } else {
        throw HException("unknown command " + QTx::quoted(command) + " (use info or convert)");
    }
    return 0;
}

std::unique_ptr<LoadFileInterface> TessaLoadTool::readInput(const TessaLoadArgParse &options,
                                                            const QString &fileName)
{
    LoadFileFactory factory;
    const QString format =
        options.format.isNull() ? factory.formatForFileName(fileName) : options.format;
    if (format.isEmpty())
        throw HException("cannot tell the format of " + QTx::quoted(fileName)
                         + " from its name (use -format " + readerFormats + ")");
    const bool known = std::any_of(factory.formats().begin(), factory.formats().end(),
                                   [&](const LoadFileFormat &row) { return row.name == format; });
    if (!known)
        throw HException("unknown load file format " + QTx::quoted(format) + " (use "
                         + readerFormats + ")");
    const quint32 loadAddress = options.loadAddress.isNull() ? 0 : parseAddress(options.loadAddress);
    QTx::checkReadableFile(fileName);
    try {
        std::unique_ptr<LoadFileInterface> file = factory.create(fileName, format);
        if (!options.loadAddress.isNull())
            file->setLoadAddress(loadAddress);
        file->sections();  // reads the file now, so that its errors are reported here
        return file;
    } catch (const HException &error) {
        throw HException("cannot read " + QTx::quoted(fileName) + ": " + error.message());
    }
}

void TessaLoadTool::info(const TessaLoadArgParse &options)
{
    std::unique_ptr<LoadFileInterface> file = readInput(options, options.positional.at(1));
    LoadFileSections &sections = file->sections();
    char line[64];
    for (int i = 0; i < sections.count(); ++i) {
        const int length = std::snprintf(line, sizeof line, "section 0x%08llX %u\n",
                                         sections.at(i)->address(), sections.at(i)->size());
        QTx::writeStandardOutput(QByteArray(line, length));
    }
    // The target is 32-bit: a start address read as a negative number is shown in the
    // low 32 bits.
    if (file->hasStartAddress()) {
        const int length = std::snprintf(line, sizeof line, "start 0x%08X\n",
                                         quint32(file->startAddress()));
        QTx::writeStandardOutput(QByteArray(line, length));
    }
}

void TessaLoadTool::convert(const TessaLoadArgParse &options)
{
    const QString input = options.positional.at(1);
    const QString output = options.positional.at(2);
    // Check every option before anything is read or written.
    const QString format =
        options.outputFormat.isNull() ? writerFormatForFileName(output) : options.outputFormat;
    if (format.isEmpty())
        throw HException("cannot tell the output format of " + QTx::quoted(output)
                         + " from its name (use -outformat " + writerFormats + ")");
    if (!QStringList({"hex", "lst", "srec", "bin", "txt", "tek"}).contains(format))
        throw HException("unknown output format " + QTx::quoted(format) + " (use "
                         + writerFormats + ")");
    const quint8 fill = options.fill.isNull()
                            ? 0xFF
                            : quint8(QTx::parseNumber(options.fill, 0, 0xFF,
                                                      QStringLiteral("fill byte"), true));
    const bool hasStart = !options.start.isNull();
    const quint32 start = hasStart ? parseAddress(options.start) : 0;

    std::unique_ptr<LoadFileInterface> file = readInput(options, input);
    if (options.contiguous || !options.fill.isNull())
        file->makeContiguous(fill);
    file->sortSections();
    LoadFileSections &sections = file->sections();
    quint64 lowest = 0;
    quint64 highestEnd = 0;
    const quint64 gaps = checkAddressSpace(sections, &lowest, &highestEnd);
    if (format == QLatin1String("bin") && gaps > maxBinaryGapSize)
        throw HException(QString::asprintf(
            "binary image 0x%08llX..0x%08llX would hold %llu bytes of gaps, more than the "
            "limit of %llu bytes",
            lowest, highestEnd - 1, gaps, maxBinaryGapSize));

    std::unique_ptr<CodeBuffer> writer = createWriter(format, output);
    if (!writer->isOpen())
        throw HException(writer->errorString());
    for (int i = 0; i < sections.count(); ++i) {
        const LoadFileSectionInterface *section = sections.at(i);
        writer->setAddress(quint32(section->address()));
        writer->putBytes(section->data(), section->size());
    }
    writer->finish(hasStart ? start
                            : file->hasStartAddress() ? quint32(file->startAddress()) : 0);
    // The output replaces the old file only when it was written whole.
    if (!writer->close())
        throw HException(writer->errorString());
}
