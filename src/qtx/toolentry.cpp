#include "toolentry.h"

#include "diagnosticsink.h"
#include "toolsupport.h"
#include "version.h"

#include <QCoreApplication>
#include <QTextCodec>

#include <cerrno>
#include <cstdio>
#include <iostream>
#include <new>

namespace QTx {

namespace {

// Option lines: two blanks, the option and its value name in a column of this width,
// then the description; a longer option puts its description on the next line.
constexpr int optionColumn = 23;

// The reason of the first failed write to standard output; a later flush of a stream
// in error no longer tells it.
int firstOutputError = 0;

void reportError(const QString &message)
{
    std::fflush(stdout);  // what the tool printed before the failure comes first
    DiagnosticSink::instance()->error() << message << std::endl;
}

// The arguments after the program name. QCoreApplication::arguments() decodes each one
// through the locale's codec object; a tool given tens of thousands of expressions or
// files decodes them straight away, to the same text: ASCII (the same in every locale
// encoding Qt supports here) by widening, the rest as UTF-8 when the locale is UTF-8.
QStringList commandLineArguments(int argc, char **argv)
{
    const QTextCodec *codec = QTextCodec::codecForLocale();
    const bool utf8 = !codec || codec->mibEnum() == 106;
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 1; i < argc; ++i) {
        const char *argument = argv[i];
        size_t length = 0;
        bool ascii = true;
        for (; argument[length]; ++length)
            ascii = ascii && uchar(argument[length]) < 0x80;
        if (ascii)
            arguments.append(QString::fromLatin1(argument, int(length)));
        else if (utf8)
            arguments.append(QString::fromUtf8(argument, int(length)));
        else
            arguments.append(QString::fromLocal8Bit(argument, int(length)));
    }
    return arguments;
}

} // namespace

ToolArgParse::ToolArgParse(const QString &toolName, const QString &synopsis,
                           const QString &notes, DiagnosticSink *sink)
    : ArgParse(sink ? sink : DiagnosticSink::instance()),
      m_toolName(toolName),
      m_synopsis(synopsis),
      m_notes(notes)
{
    addFlag(QStringLiteral("-help"), &help, QStringLiteral("Print options help"));
}

void ToolArgParse::addFlag(const QString &name, bool *flag, const QString &description)
{
    addOption(name, Kind::NoArgument, nullptr, flag, description);
}

void ToolArgParse::addValue(const QString &name, const QString &valueName, QString *value,
                            const QString &description, bool *given)
{
    addOption(name, Kind::NextArgument, value, given, description);
    m_valueNames.insert(name, valueName);
}

void ToolArgParse::addHandler(const QString &name, const QString &valueName,
                              const Handler &handler, const QString &description)
{
    addOption(name, valueName.isEmpty() ? Kind::NoArgument : Kind::NextArgument, handler,
              description);
    m_valueNames.insert(name, valueName);
}

void ToolArgParse::handleArgument(const QString &argument)
{
    positional.append(argument);
}

void ToolArgParse::unrecognisedOption(const QString &argument)
{
    if (argument == QLatin1String("-"))
        handleArgument(argument);
    else
        ArgParse::unrecognisedOption(argument);
}

std::optional<int> ToolArgParse::parseCommandLine(const QStringList &arguments)
{
    const int errorsBefore = sink()->errorCount();
    parse(arguments, 1);
    if (help) {
        writeStandardOutput(usageText());
        return 0;
    }
    if (sink()->errorCount() != errorsBefore)
        return 1;
    if (positional.isEmpty()) {
        const QByteArray text = usageText();
        std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
        return 0;
    }
    return std::nullopt;
}

QByteArray ToolArgParse::usageText() const
{
    QString text = QStringLiteral("\n");
    const QStringList forms = m_synopsis.split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (int i = 0; i < forms.size(); ++i)
        text += QLatin1String(i ? "       " : "Usage: ") + m_toolName + ' ' + forms.at(i) + '\n';
    text += '\n';
    const QString indent(2 + optionColumn, QLatin1Char(' '));
    for (auto it = options().constBegin(); it != options().constEnd(); ++it) {
        if (it->description.isEmpty())
            continue;
        QString left = it.key();
        if (!m_valueNames.value(it.key()).isEmpty())
            left += ' ' + m_valueNames.value(it.key());
        text += QLatin1String("  ") + left;
        text += left.size() < optionColumn ? QString(optionColumn - left.size(), ' ')
                                           : '\n' + indent;
        text += QString(it->description).replace(QLatin1Char('\n'), '\n' + indent) + '\n';
    }
    text += '\n';
    if (!m_notes.isEmpty())
        text += m_notes + (m_notes.endsWith('\n') ? "\n" : "\n\n");
    return Version::banner(m_toolName) + text.toLocal8Bit();
}

void writeStandardOutput(const QByteArray &bytes)
{
    errno = 0;
    if (std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout) != size_t(bytes.size())
        && !firstOutputError)
        firstOutputError = errno ? errno : EIO;
}

int runTool(int argc, char **argv, const QByteArray &programName,
            const std::function<int(const QStringList &arguments)> &body)
{
    QCoreApplication application(argc, argv);
    // The process-wide sink lives until exit, and so do the arguments: freeing tens of
    // thousands of strings just before the process ends would only cost time.
    new DiagnosticSink(programName, std::cerr);
    static const QStringList *arguments = new QStringList(commandLineArguments(argc, argv));
    int status = 1;
    try {
        status = body(*arguments);
    } catch (const std::bad_alloc &) {
        reportError(QStringLiteral("out of memory"));
        status = 1;
    } catch (const std::exception &exception) {
        reportError(QString::fromUtf8(exception.what()));
        status = 1;
    }
    errno = 0;
    const bool flushed = std::fflush(stdout) == 0;
    if (!flushed || std::ferror(stdout)) {
        const int error = !flushed && errno ? errno : firstOutputError ? firstOutputError : EIO;
        reportError("cannot write standard output: " + systemErrorText(error));
        status = 1;
    }
    return status;
}

} // namespace QTx
