#include "macroservice.h"

#include "qtx/pathvalue.h"
#include "qtx/version.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

namespace {

MacroService *theService = nullptr;

const QString studioNameShort = QStringLiteral("TessaStudio");

// Cyclic definitions can also fan out (A = $(B)$(B), B = $(A)$(A)), which the nesting
// bound alone would let grow to 2^64 lookups; this many lookups in one expand() call
// is more than any real text needs, and past it references are written back as they stand.
constexpr int maxLookups = 100000;

struct Reference
{
    QString name;
    QString defaultText;
    bool hasDefault = false;
    bool literalDefault = false;
    int end = 0;  // index just after the reference
};

// Parses the reference whose "$(" starts at `start`; false when it is unterminated.
//   reference -> "$(" name ( ")" | ":" default ")" | "::" literal-default ")" )
// A default runs to the ")" that balances the opening parenthesis.
bool parseReference(const QString &text, int start, Reference *reference)
{
    const int length = text.size();
    int i = start + 2;
    while (i < length && text.at(i) != QLatin1Char(':') && text.at(i) != QLatin1Char(')'))
        ++i;
    if (i >= length)
        return false;
    reference->name = text.mid(start + 2, i - start - 2);
    if (text.at(i) == QLatin1Char(')')) {
        reference->end = i + 1;
        return true;
    }
    reference->hasDefault = true;
    int from = i + 1;
    if (from < length && text.at(from) == QLatin1Char(':')) {
        reference->literalDefault = true;
        ++from;
    }
    int nesting = 1;
    int k = from;
    for (; k < length; ++k) {
        const QChar c = text.at(k);
        if (c == QLatin1Char('('))
            ++nesting;
        else if (c == QLatin1Char(')') && --nesting == 0)
            break;
    }
    reference->defaultText = text.mid(from, k - from);
    reference->end = k < length ? k + 1 : length;
    return true;
}

} // namespace

MacroPropertyClass::MacroPropertyClass(const QString &macroName, const QString &description)
    : m_name("$(" + macroName + ")"), m_description(description)
{
}

MacroService::MacroService()
{
    const QString &s = studioNameShort;
    define("Date", QString(), "Day Month Year e.g. 21 June 2011.");
    define("DateYear", QString(), "Year e.g. 2011.");
    define("DateMonth", QString(), "Month e.g. 01 to 12.");
    define("DateDay", QString(), "Day e.g. 21.");
    define("Time", QString(), "Hour:Minutes:Seconds e.g. 15:34:03.");
    define("TimeHour", QString(), "Hour e.g. 15.");
    define("TimeMinute", QString(), "Minute e.g. 34.");
    define("TimeSecond", QString(), "Seconds e.g. 03.");
    define("UnixTime", QString(), "Seconds since 00:00, Jan 1 1970 UTC");
    define("HostArch", "x64", "The CPU architecture that " + s + " is running on e.g. x86.");
    define("HostArchClass", "intel",
           "The class of CPU architecture that " + s + " is running on e.g. intel, arm.");
    define("HostOS", "linux",
           "The name of the operating system that " + s + " is running on e.g. win.");
    define("Micro", "ARM", "The " + s + " target e.g. ARM.");
    define("TargetID", QString::number(8 & 0xff), "ID number representing the " + s + " target.");
    define("HostEXE", QString(),
           "The file extension for executables on the CPU that " + s
               + " is running on e.g. .exe.");
    define("HostDLLExt", ".so",
           "The file extension for dynamic link libraries used by the operating system that "
               + s + " is running on e.g. .dll, .so, .dylib.");
    define("HostDLL", ".so_x64",
           "The file extension for dynamic link libraries on the CPU that " + s
               + " is running on e.g. .dll.");
}

MacroService::~MacroService()
{
    if (theService == this)
        theService = nullptr;
}

MacroService *MacroService::instance()
{
    return theService;
}

void MacroService::setInstance(MacroService *service)
{
    theService = service;
}

void MacroService::define(const QString &name, const QString &value, const QString &description)
{
    if (!description.isEmpty())
        m_descriptors.push_back(std::make_unique<MacroPropertyClass>(name, description));
    m_systemMacros.insert(name, value);
}

void MacroService::definePath(const QString &name, const QString &path,
                              const QString &description)
{
    define(name, PathValue::clean(path), description);
}

void MacroService::defineStudioMacros(const QString &installDirectory,
                                      const QString &userDataDirectory)
{
    const QString studioName = QStringLiteral("TessaStudio for ARM");
    const QString home = QString::fromLocal8Bit(qgetenv("HOME"));
    define("StudioMajorVersion", QString::number(Version::major),
           "The major release version of software.");
    define("StudioMinorVersion", QString::number(Version::minor),
           "The minor release version of software.");
    define("StudioRevision", QString::number(Version::revision),
           "The release revision of software.");
    define("StudioName", studioName, "The full name of studio.");
    define("StudioNameShort", studioNameShort, "The short name of studio.");
    define("Platform", "ARM", "The target platform.");
    define("ProductName", QString(studioName).replace("TessaStudio", "Tessarune"));
    define("ProductNameShort", "Tessarune", "The product name.");
    definePath("StudioDir", installDirectory, "The install directory of the product.");
    definePath("StudioUserDir", userDataDirectory, "The directory containing the user data.");
    definePath("HomeDir", home, "Path to users home directory.");
    definePath("DesktopDir", home + "/Desktop", "Path to users desktop directory.");
    definePath("DocumentsDir", home + "/Documents", "Path to users documents directory.");
    define("StudioExeName", "tessastudio", "The filename of the studio executable.");
    define("StudioBuildToolExeName", "tessabuild",
           "The filename of the build tool executable.");
    define("StudioBuildToolName", "TessaBuild", "The name of the build tool executable.");
    define("StudioScriptToolExeName", "tessascript",
           "The filename of the script tool executable.");
    define("StudioScriptToolName", "TessaScript", "The name of the script tool executable.");
    define("StudioSimulatorExeName", "tessasim", "The filename of the simulator executable.");
    define("StudioSimulatorName", "TessaSim", "The name of the simulator executable.");
    define("StudioArchiveFileExt", "hzr", "The filename extension of a studio archive file.");
    define("StudioPackageFileExt", "hzq", "The filename extension of a studio package file.");
    define("StudioProjectFileExt", "hzp", "The filename extension of a studio project file.");
    define("StudioSessionFileExt", "hzs", "The filename extension of a studio session file.");
}

MacroTable MacroService::merge(const MacroTable &base, const MacroTable &overriding)
{
    MacroTable result = base;
    for (auto it = overriding.constBegin(); it != overriding.constEnd(); ++it)
        result.insert(it.key(), it.value());
    return result;
}

bool MacroService::dynamicValue(const QString &name, QString *value)
{
    static const QMap<QString, QString> dateFormats = {
        {"Date", "d MMMM yyyy"}, {"DateYear", "yyyy"}, {"DateMonth", "MM"}, {"DateDay", "dd"}};
    static const QMap<QString, QString> timeFormats = {
        {"Time", "hh:mm:ss"}, {"TimeHour", "hh"}, {"TimeMinute", "mm"}, {"TimeSecond", "ss"}};
    auto format = dateFormats.constFind(name);
    if (format != dateFormats.constEnd()) {
        *value = QDate::currentDate().toString(*format);
        return true;
    }
    format = timeFormats.constFind(name);
    if (format != timeFormats.constEnd()) {
        *value = QTime::currentTime().toString(*format);
        return true;
    }
    if (name == QLatin1String("UnixTime")) {
        *value = QString::number(QDateTime::currentDateTime().toSecsSinceEpoch());
        return true;
    }
    return false;
}

const QString *MacroService::lookup(const MacroTable &table, const QString &name,
                                    bool useGlobal, bool useSystem) const
{
    auto it = table.constFind(name);
    if (it != table.constEnd())
        return &it.value();
    if (useGlobal) {
        it = m_globalMacros.constFind(name);
        if (it != m_globalMacros.constEnd())
            return &it.value();
    }
    if (useSystem) {
        it = m_systemMacros.constFind(name);
        if (it != m_systemMacros.constEnd())
            return &it.value();
    }
    return nullptr;
}

QString MacroService::expand(const MacroTable &table, const QString &text, bool useGlobal,
                             bool useSystem) const
{
    int lookups = 0;
    return expand(table, text, useGlobal, useSystem, 0, lookups);
}

QString MacroService::expand(const MacroTable &table, const QString &text, bool useGlobal,
                             bool useSystem, int depth, int &lookups) const
{
    const QChar dollar = QLatin1Char(introducer);
    int position = text.indexOf(dollar);
    if (position < 0)
        return text;  // the common case: nothing to do, no copy

    QString result;
    result.reserve(text.size() + 16);
    int from = 0;
    const int length = text.size();
    for (; position >= 0; position = text.indexOf(dollar, from)) {
        result.append(text.midRef(from, position - from));
        const QChar next = position + 1 < length ? text.at(position + 1) : QChar();
        if (next == dollar) {
            result.append(dollar);
            from = position + 2;
            continue;
        }
        if (next != QLatin1Char('(')) {
            result.append(dollar);
            from = position + 1;
            continue;
        }
        Reference reference;
        if (!parseReference(text, position, &reference)) {
            from = position + 2;  // the "$(" goes, the rest stays as it is
            break;
        }
        from = reference.end;
        if (reference.name.isEmpty())
            continue;
        if (depth >= maxNesting || ++lookups > maxLookups) {
            result.append(text.midRef(position, reference.end - position));
            continue;
        }
        const QString *value = lookup(table, reference.name, useGlobal, useSystem);
        QString dynamic;
        if (value) {
            if (dynamicValue(reference.name, &dynamic))
                result.append(dynamic);
            else if (value->contains(dollar) && *value != text)
                result.append(expand(table, *value, useGlobal, useSystem, depth + 1, lookups));
            else
                result.append(*value);
        } else if (!reference.hasDefault) {
            result.append(dollar).append(QLatin1Char('(')).append(reference.name)
                .append(QLatin1Char(')'));
        } else if (!reference.literalDefault && reference.defaultText.contains(dollar)) {
            result.append(expand(table, reference.defaultText, useGlobal, useSystem, depth + 1,
                                 lookups));
        } else {
            result.append(reference.defaultText);
        }
    }
    result.append(text.midRef(from));
    return result;
}
