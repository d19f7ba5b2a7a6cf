#include "diagnosticparser.h"

#include <QFileInfo>

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The location at the head of a compiler message, "dir/file.c:12:5: ...". The file name
// starts at the first word that begins an absolute ("/") or explicitly relative ("./")
// path, else at the start of the line, and ends at the first ":" followed by a digit.
struct Location
{
    QByteArray file;
    int line = -1;
    int column = -1;
    int end = 0;  // position after the last digit read
    bool found = false;
};

int readNumber(const QByteArray &text, int &position)
{
    int value = 0;
    while (position < text.size() && isDigit(text[position])) {
        if (value < 100000000)
            value = value * 10 + (text[position] - '0');
        ++position;
    }
    return value;
}

int pathStart(const QByteArray &text)
{
    for (int i = 0; i < text.size(); ++i) {
        if (i > 0 && text[i - 1] != ' ')
            continue;
        if (text[i] == '/' || (text[i] == '.' && i + 1 < text.size() && text[i + 1] == '/'))
            return i;
    }
    return 0;
}

Location findLocation(const QByteArray &text)
{
    Location location;
    const int start = pathStart(text);
    int colon = start;
    for (; colon + 1 < text.size(); ++colon) {
        if (text[colon] == ':' && isDigit(text[colon + 1]))
            break;
    }
    if (colon + 1 >= text.size())
        return location;
    location.found = true;
    location.file = text.mid(start, colon - start);
    int position = colon + 1;
    location.line = readNumber(text, position);
    if (position + 1 < text.size() && text[position] == ':' && isDigit(text[position + 1])) {
        ++position;
        location.column = readNumber(text, position);
    }
    location.end = position;
    return location;
}

struct Keyword
{
    const char *text;
    int severity;
    int messageOffset;
};

// Tested in this order, the first that occurs anywhere in the line wins, so a line
// holding both "warning: " and "error: " is an error.
constexpr Keyword keywords[] = {
    {"error: ", Diagnostic::Error, 7},     {"Error: ", Diagnostic::Error, 7},
    {"warning: ", Diagnostic::Warning, 9}, {"Warning: ", Diagnostic::Warning, 9},
    {"note: ", Diagnostic::Note, 6},       {"Info: ", Diagnostic::Note, 6},
};

struct GeneratorName
{
    const char *name;
    bool suffix;  // matches names that end with it
};

constexpr GeneratorName generatorNames[] = {  // identifier = row + 1
    {"cc1", false},     {"cc1plus", false}, {"as", false},       {"gcc", true},
    {"g++", true},      {"ld", false},      {"clang", false},    {"iasmarm", false},
    {"iccarm", false},  {"ilinkarm", false}, {"ltollvm", false},
};

} // namespace

int diagnosticGenerator(const QString &programBaseName)
{
    for (size_t row = 0; row < std::size(generatorNames); ++row) {
        const QLatin1String name(generatorNames[row].name);
        if (generatorNames[row].suffix ? programBaseName.endsWith(name)
                                       : programBaseName == name) {
            return int(row) + 1;
        }
    }
    return 0;
}

DiagnosticParser::~DiagnosticParser() = default;

bool StandardDiagnosticParser::parse(const QString &line, Diagnostic *diagnostic)
{
    *diagnostic = Diagnostic();
    diagnostic->generator = generator();
    const QByteArray text = line.toLocal8Bit();
    bool recognised = false;
    const Location location = findLocation(text);
    if (location.found) {
        QString file = QString::fromLocal8Bit(location.file);
        if (!file.startsWith(QLatin1Char('/')))
            file = directory() + QLatin1Char('/') + file;
        if (QFileInfo::exists(file))
            diagnostic->file = file;
        diagnostic->line = location.line;
        diagnostic->column = location.column;
        int rest = location.end;
        while (rest < text.size()
               && (text[rest] == ',' || text[rest] == ':' || isDigit(text[rest]))) {
            ++rest;
        }
        if (location.line > 0 && rest < text.size()) {
            diagnostic->message = QString::fromLocal8Bit(text.mid(rest));
            diagnostic->severity = Diagnostic::Error;
        }
        recognised = true;
    }
    for (const Keyword &keyword : keywords) {
        const int at = text.indexOf(keyword.text);
        if (at < 0)
            continue;
        diagnostic->severity = keyword.severity;
        diagnostic->message = QString::fromLocal8Bit(text.mid(at + keyword.messageOffset));
        recognised = true;
        break;
    }
    return recognised;
}

bool RegexpDiagnosticParser::setPattern(int index, const QString &pattern)
{
    if (index < 0 || index >= patternCount)
        return false;
    QRegularExpression expression(pattern);
    if (!expression.isValid()) {
        m_patterns[size_t(index)] = QRegularExpression();
        return false;
    }
    m_patterns[size_t(index)] = expression;
    return true;
}

bool RegexpDiagnosticParser::isConfigured() const
{
    for (const QRegularExpression &pattern : m_patterns) {
        if (!pattern.pattern().isEmpty())
            return true;
    }
    return false;
}

bool RegexpDiagnosticParser::parse(const QString &line, Diagnostic *diagnostic)
{
    *diagnostic = Diagnostic();
    diagnostic->generator = generator();
    for (const QRegularExpression &pattern : m_patterns) {
        if (pattern.pattern().isEmpty())
            continue;
        const QRegularExpressionMatch match = pattern.match(line);
        if (!match.hasMatch())
            continue;
        diagnostic->file = match.captured(1);
        bool isNumber = false;
        const int number = match.captured(2).toInt(&isNumber);
        diagnostic->line = isNumber ? number : 0;
        diagnostic->message = match.captured(3);
        diagnostic->severity = Diagnostic::Note;
        return true;
    }
    return false;
}
