#include "argparse.h"

#include "diagnosticsink.h"

#include <QFile>
#include <QTextStream>

#include <cerrno>
#include <cstring>

namespace QTx {

ArgParse::ArgParse(DiagnosticSink *sink) : m_sink(sink) {}

ArgParse::~ArgParse() = default;

void ArgParse::addOption(const QString &name, Kind kind, const Handler &handler,
                         const QString &description, quint32 pass)
{
    Option option;
    option.kind = kind;
    option.hasHandler = true;
    option.handler = handler;
    option.description = description;
    option.pass = pass;
    m_options.insert(name, option);
    m_allOptionsStartWithDash = m_allOptionsStartWithDash && name.startsWith(QLatin1Char('-'));
}

void ArgParse::addOption(const QString &name, Kind kind, QString *valueTarget,
                         bool *flagTarget, const QString &description, quint32 pass)
{
    Option option;
    option.kind = kind;
    option.valueTarget = valueTarget;
    option.flagTarget = flagTarget;
    option.description = description;
    option.pass = pass;
    m_options.insert(name, option);
    m_allOptionsStartWithDash = m_allOptionsStartWithDash && name.startsWith(QLatin1Char('-'));
}

std::ostream &ArgParse::error()
{
    return m_sink->error();
}

void ArgParse::reportError(const QString &message)
{
    error() << message << std::endl;
}

void ArgParse::unrecognisedOption(const QString &argument)
{
    reportError("unrecognised option " + argument);
}

// Exact name first; then the first attached-argument option, in key order, whose
// name is a prefix of the argument.
ArgParse::OptionIterator ArgParse::findOption(const QString &argument, QString *value) const
{
    // An argument that does not start as every option does can match none of them:
    // positional arguments, often thousands, skip the table.
    if (m_allOptionsStartWithDash && !argument.startsWith(QLatin1Char('-')))
        return m_options.constEnd();
    const auto exact = m_options.constFind(argument);
    if (exact != m_options.constEnd()) {
        if (exact->kind == Kind::AttachedArgument)
            *value = QLatin1String("");
        return exact;
    }
    for (auto it = m_options.constBegin(); it != m_options.constEnd(); ++it) {
        if (it->kind == Kind::AttachedArgument && argument.startsWith(it.key())) {
            *value = argument.mid(it.key().size());
            if (value->isNull())
                *value = QLatin1String("");
            return it;
        }
    }
    return m_options.constEnd();
}

void ArgParse::parse(const QStringList &arguments, unsigned pass)
{
    for (int i = 0; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        if (argument.isEmpty())
            continue;
        QString value;
        const OptionIterator found = findOption(argument, &value);
        if (found == m_options.constEnd()) {
            if (argument.startsWith(QLatin1Char('@')))
                readIndirectFile(argument.mid(1), pass);
            else if (argument.startsWith(QLatin1Char('-')))
                unrecognisedOption(argument);
            else if (pass == 1)
                handleArgument(argument);
            continue;
        }
        const Option &option = found.value();
        if (option.kind == Kind::NextArgument) {
            if (++i >= arguments.size()) {
                reportError("expected argument for option " + argument);
                return;
            }
            value = arguments.at(i);
        }
        if (option.pass != pass)
            continue;  // consumed silently, value included
        if (option.hasHandler) {
            option.handler(found.key(), value);
        } else {
            if (option.flagTarget)
                *option.flagTarget = true;
            if (option.valueTarget)
                *option.valueTarget = value;
        }
    }
}

void ArgParse::readIndirectFile(const QString &fileName, unsigned pass)
{
    if (m_indirectDepth >= maxIndirectDepth || m_indirectFilesRead >= maxIndirectFiles) {
        reportError(QStringLiteral("too many indirect files"));
        return;
    }
    QFile file(fileName);
    errno = 0;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        const int savedErrno = errno;
        reportError("can't open indirect file " + fileName + ": "
                    + QString::fromLocal8Bit(std::strerror(savedErrno)));
        return;
    }
    ++m_indirectDepth;
    ++m_indirectFilesRead;
    QTextStream stream(&file);
    int lineNumber = 0;
    while (!stream.atEnd()) {
        const QString line = stream.readLine();
        if (line.startsWith(QLatin1Char('#')))
            continue;
        ++lineNumber;
        QStringList arguments;
        tokenize(fileName, lineNumber, line, arguments);
        parse(arguments, pass);
    }
    file.close();
    --m_indirectDepth;
}

int ArgParse::tokenize(const QString &fileName, int lineNumber, const QString &line,
                       QStringList &out)
{
    const QChar blank = QLatin1Char(' ');
    const QChar quote = QLatin1Char('"');
    int position = 0;
    const int length = line.size();
    for (;;) {
        while (position < length && line.at(position) == blank)
            ++position;
        if (position >= length)
            return out.size();
        if (line.at(position) != quote) {
            int end = line.indexOf(blank, position);
            if (end < 0)
                end = length;
            out.append(line.mid(position, end - position));
            position = end;
        } else {
            const int close = line.indexOf(quote, position + 1);
            if (close < 0) {
                reportError("unterminated string in indirect file " + fileName + "("
                            + QString::number(lineNumber) + ")");
                return 0;
            }
            out.append(line.mid(position + 1, close - position - 1));
            position = close + 1;
        }
    }
}

} // namespace QTx
