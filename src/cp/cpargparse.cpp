#include "cpargparse.h"

#include "qtx/version.h"

#include <QFile>

#include <cstdio>

namespace {

constexpr const char *usage =
    "\n"
    "Usage: cp [option] source... destination\n"
    "\n"
    "  -D macro=value         Define macro\n"
    "  -M macro=file          Define 'macro' as contents of 'file'\n"
    "  -help                  Print options help\n"
    "  -expandmacros          Copy file as text file and expand macros\n"
    "  -includes              Copy file as text file and process #include directives\n"
    "  -makedir               Create destination directory if it doesn't exist\n"
    "  -nofail                Don't exit with failure if an error occurs\n"
    "  -verbose               Produce verbose output\n"
    "\n";

} // namespace

CpArgParse::CpArgParse(DiagnosticSink *sink) : ArgParse(sink)
{
    using namespace std::placeholders;
    addOption("-D", Kind::NextArgument, std::bind(&CpArgParse::defineMacro, this, _1, _2));
    addOption("-M", Kind::NextArgument,
              std::bind(&CpArgParse::defineMacroFromFile, this, _1, _2));
    addOption("-help", Kind::NoArgument, std::bind(&CpArgParse::help, this, _1, _2));
    addOption("-expandmacros", Kind::NoArgument, nullptr, &expandMacros);
    addOption("-makedir", Kind::NoArgument, nullptr, &makeDir);
    addOption("-includes", Kind::NoArgument, nullptr, &includes);
    addOption("-preprocess", Kind::NoArgument, nullptr, &preprocess);
    addOption("-verbose", Kind::NoArgument, nullptr, &verbose);
    addOption("-s", Kind::NoArgument, nullptr, &makeLinks);
    addOption("-P", Kind::NoArgument, nullptr, &copyLinks);
    addOption("-nofail", Kind::NoArgument, nullptr, &noFail);
}

QByteArray CpArgParse::usageText()
{
    return Version::banner("cp") + usage;
}

QString CpArgParse::toByteDomain(const QString &text)
{
    return QString::fromLatin1(text.toLocal8Bit());
}

void CpArgParse::handleArgument(const QString &argument)
{
    positionalArguments.append(argument);
}

void CpArgParse::defineMacro(const QString &, const QString &value)
{
    macroDefinitions.append(toByteDomain(value));
}

void CpArgParse::defineMacroFromFile(const QString &name, const QString &value)
{
    const QStringList parts = value.split(QLatin1Char('='), Qt::SkipEmptyParts);
    if (parts.size() != 2) {
        std::fprintf(stderr, "cp failed: syntax error in argument to \"%s\"\n",
                     name.toLocal8Bit().constData());
        throw CpExit{1};
    }
    QFile file(parts.at(1));
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text)) {
        std::fprintf(stderr, "cp failed: can't open \"%s\"\n",
                     parts.at(1).toLocal8Bit().constData());
        throw CpExit{1};
    }
    QByteArray contents = file.readAll();
    const int zero = contents.indexOf('\0');
    if (zero >= 0)
        contents.truncate(zero);
    macroDefinitions.append(toByteDomain(parts.at(0)) + "=" + QString::fromLatin1(contents));
}

void CpArgParse::help(const QString &, const QString &)
{
    const QByteArray text = usageText();
    std::fwrite(text.constData(), 1, size_t(text.size()), stderr);
    std::fflush(stderr);
    throw CpExit{0};
}
