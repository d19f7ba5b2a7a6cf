#include "tessaloadtool.h"

#include "loadfile/codebuffer.h"
#include "loadfile/loadfile.h"
#include "loadfile/loadfilefactory.h"
#include "loadfile/tekhexbuffer.h"
#include "qtx/diagnosticsink.h"
#include "qtx/hexception.h"
#include "qtx/version.h"

#include <QFile>

#include <cstdio>

namespace {

constexpr const char *usage =
    "\n"
    "Usage: tessaload info FILE [option]\n"
    "       tessaload convert IN OUT [option]\n"
    "\n"
    "  -format NAME           Input format: bin, ihex, hex, tihex or srec\n"
    "                         (default: from the file name extension)\n"
    "  -outformat NAME        Output format: hex, lst, srec, bin, txt or tek\n"
    "                         (default: from the file name extension)\n"
    "  -loadaddress ADDR      Address of a binary input file (default 0)\n"
    "  -contiguous            Merge the sections into one, filling the gaps\n"
    "  -fill HH               Fill byte of -contiguous (default FF); implies it\n"
    "  -start ADDR            Start address written (default: the input's, else 0)\n"
    "  -help                  Print options help\n"
    "\n"
    "ADDR is decimal or 0x-prefixed hexadecimal.\n"
    "\n";

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

} // namespace

TessaLoadArgParse::TessaLoadArgParse(DiagnosticSink *sink) : ArgParse(sink)
{
    addOption("-format", Kind::NextArgument, &format, nullptr);
    addOption("-outformat", Kind::NextArgument, &outputFormat, nullptr);
    addOption("-loadaddress", Kind::NextArgument, &loadAddress, nullptr);
    addOption("-fill", Kind::NextArgument, &fill, nullptr);
    addOption("-start", Kind::NextArgument, &start, nullptr);
    addOption("-contiguous", Kind::NoArgument, nullptr, &contiguous);
    addOption("-help", Kind::NoArgument, nullptr, &help);
}

QByteArray TessaLoadArgParse::usageText()
{
    return Version::banner("tessaload") + usage;
}

void TessaLoadArgParse::handleArgument(const QString &argument)
{
    positionalArguments.append(argument);
}

quint32 parseAddress(const QString &text)
{
    bool ok = false;
    quint64 value = 0;
    if (text.startsWith(QLatin1String("0x")) || text.startsWith(QLatin1String("0X")))
        value = text.midRef(2).toULongLong(&ok, 16);
    else if (!text.isEmpty() && text.at(0).isDigit())
        value = text.toULongLong(&ok, 10);
    if (!ok || value > 0xFFFFFFFFu)
        throw HException("invalid address '" + text + "'");
    return quint32(value);
}

quint8 parseFillByte(const QString &text)
{
    QString digits = text;
    if (digits.startsWith(QLatin1String("0x")) || digits.startsWith(QLatin1String("0X")))
        digits = digits.mid(2);
    bool ok = digits.size() >= 1 && digits.size() <= 2;
    const uint value = ok ? digits.toUInt(&ok, 16) : 0;
    if (!ok)
        throw HException("invalid fill byte '" + text + "'");
    return quint8(value);
}

QString writerFormatForFileName(const QString &fileName)
{
    for (const WriterExtension &row : writerExtensions) {
        if (fileName.endsWith(QLatin1String(row.extension), Qt::CaseSensitive))
            return QString::fromLatin1(row.format);
    }
    return QString();
}

int TessaLoadTool::run(const QStringList &arguments, std::ostream &out)
{
    TessaLoadArgParse options(DiagnosticSink::instance());
    options.parse(arguments, 1);
    if (DiagnosticSink::instance()->errorCount() != 0)
        return 1;
    if (options.help || options.positionalArguments.isEmpty()) {
        const QByteArray text = TessaLoadArgParse::usageText();
        std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
        std::fflush(stderr);
        return 0;
    }
    const QString command = options.positionalArguments.first();
    const int files = options.positionalArguments.size() - 1;
    if (command == QLatin1String("info")) {
        if (files != 1)
            throw HException(files ? "too many file names for info" : "missing file name");
        info(options, out);
    } else if (command == QLatin1String("convert")) {
        if (files != 2)
            throw HException(files > 2 ? "too many file names for convert"
                                       : "convert needs an input and an output file");
        convert(options);
    } else {
        throw HException("unknown command '" + command + "'");
    }
    return 0;
}

std::unique_ptr<LoadFileInterface> TessaLoadTool::readInput(const TessaLoadArgParse &options,
                                                            const QString &fileName)
{
    LoadFileFactory factory;
    const QString format =
        options.format.isEmpty() ? factory.formatForFileName(fileName) : options.format;
    std::unique_ptr<LoadFileInterface> file =
        format.isEmpty() ? nullptr : factory.create(fileName, format);
    if (!file)
        throw HException("unknown load file format");
    if (!options.loadAddress.isNull())
        file->setLoadAddress(parseAddress(options.loadAddress));
    return file;
}

void TessaLoadTool::info(const TessaLoadArgParse &options, std::ostream &out)
{
    std::unique_ptr<LoadFileInterface> file =
        readInput(options, options.positionalArguments.at(1));
    LoadFileSections &sections = file->sections();
    char line[64];
    for (int i = 0; i < sections.count(); ++i) {
        const int length = std::snprintf(line, sizeof line, "section 0x%08llX %u\n",
                                         sections.at(i)->address(), sections.at(i)->size());
        out.write(line, length);
    }
    // The target is 32-bit: a start address read as a negative number is shown in the
    // low 32 bits.
    if (file->hasStartAddress()) {
        const int length = std::snprintf(line, sizeof line, "start 0x%08X\n",
                                         quint32(file->startAddress()));
        out.write(line, length);
    }
}

void TessaLoadTool::convert(const TessaLoadArgParse &options)
{
    const QString input = options.positionalArguments.at(1);
    const QString output = options.positionalArguments.at(2);
    // Check every option before anything is read or written.
    const QString format =
        options.outputFormat.isNull() ? writerFormatForFileName(output) : options.outputFormat;
    if (format.isEmpty() || !QStringList({"hex", "lst", "srec", "bin", "txt", "tek"})
                                 .contains(format))
        throw HException("unknown output format");
    const quint8 fill = options.fill.isNull() ? 0xFF : parseFillByte(options.fill);
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
        throw HException("cannot create " + output);
    for (int i = 0; i < sections.count(); ++i) {
        const LoadFileSectionInterface *section = sections.at(i);
        writer->setAddress(quint32(section->address()));
        writer->putBytes(section->data(), section->size());
    }
    writer->finish(hasStart ? start
                            : file->hasStartAddress() ? quint32(file->startAddress()) : 0);
    const bool failed = writer->hasFailed();
    writer.reset();
    if (failed) {
        QFile::remove(output);
        throw HException("cannot write " + output);
    }
}
