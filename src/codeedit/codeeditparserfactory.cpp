#include "codeeditparserfactory.h"

#include "codeedit/codeeditcfamilyparsers.h"
#include "codeedit/codeeditcmakeparser.h"
#include "codeedit/codeeditcparser.h"
#include "codeedit/codeeditdataparsers.h"
#include "codeedit/codeeditforthparser.h"
#include "codeedit/codeeditlanguageparsers.h"
#include "codeedit/codeeditmarkdownparser.h"
#include "codeedit/codeeditpythonparser.h"
#include "codeedit/codeeditxmlparser.h"
#include "codeedit/disassemblycodeeditparser.h"

#include <QFileInfo>

namespace {

struct Language
{
    const char *name;
    std::unique_ptr<CodeEditParser> (*create)();
    const char *extensions;  // blank-separated, without the dot
    const char *fileNames;   // whole file names, blank-separated
};

template<typename Parser>
std::unique_ptr<CodeEditParser> make()
{
    return std::make_unique<Parser>();
}

std::unique_ptr<CodeEditParser> makeC()
{
    return std::make_unique<CodeEditCParser>(CodeEditCParser::Dialect::C);
}

const Language languageTable[] = {
    {"python", make<CodeEditPythonParser>, "py pyw pyi", ""},
    {"cmake", make<CodeEditCMakeParser>, "cmake", "CMakeLists.txt"},
    {"disassembly", make<DisassemblyCodeEditParser>, "dis", ""},
    {"c", makeC, "c h", ""},
    {"cpp", make<CodeEditCParser>, "cpp cc cxx c++ hpp hh hxx h++ ipp inl", ""},
    {"java", make<CodeEditJavaParser>, "java", ""},
    {"javascript", make<CodeEditJavaScriptParser>, "js mjs cjs", ""},
    {"xc", make<CodeEditXCParser>, "xc", ""},
    {"batch", make<CodeEditBatchParser>, "bat cmd", ""},
    {"stapl", make<CodeEditSTAPLParser>, "stp stapl jam", ""},
    {"icf", make<CodeEditIARLinkScriptParser>, "icf", ""},
    {"asm", make<CodeEditAssemblyParser>, "s asm arm", ""},
    {"basic", make<CodeEditBASICParser>, "bas", ""},
    {"forth", make<CodeEditForthParser>, "fth 4th forth fs", ""},
    {"dts", make<CodeEditDTSParser>, "dts dtsi overlay", ""},
    {"vhdl", make<CodeEditVHDLParser>, "vhd vhdl", ""},
    {"svf", make<CodeEditSVFParser>, "svf", ""},
    {"json", make<CodeEditJSONParser>, "json jsonc", ""},
    {"yaml", make<CodeEditYAMLParser>, "yaml yml", ""},
    {"xml", make<CodeEditXMLParser>, "xml xsd xsl xslt svg", ""},
    {"html", make<CodeEditHTMLParser>, "html htm xhtml", ""},
    {"markdown", make<CodeEditMarkdownParser>, "md markdown", ""},
};

const Language *findLanguage(const QString &name)
{
    for (const Language &language : languageTable) {
        if (name == QLatin1String(language.name))
            return &language;
    }
    return nullptr;
}

QStringList split(const char *list)
{
    return QString::fromLatin1(list).split(QLatin1Char(' '), Qt::SkipEmptyParts);
}

} // namespace

std::unique_ptr<CodeEditParser> CodeEditParserFactory::create(const QString &language)
{
    const Language *found = findLanguage(language);
    return found ? found->create() : nullptr;
}

QString CodeEditParserFactory::languageForFileName(const QString &fileName)
{
    const QFileInfo info(fileName);
    const QString name = info.fileName();
    // The last extension decides: "a.tar.json" is JSON.
    const int dot = name.lastIndexOf(QLatin1Char('.'));
    const QString extension = dot > 0 ? name.mid(dot + 1) : QString();
    for (const Language &language : languageTable) {
        for (const QString &whole : split(language.fileNames)) {
            if (name.compare(whole, Qt::CaseInsensitive) == 0)
                return QLatin1String(language.name);
        }
    }
    if (extension.isEmpty())
        return QString();
    for (const Language &language : languageTable) {
        for (const QString &candidate : split(language.extensions)) {
            if (extension.compare(candidate, Qt::CaseInsensitive) == 0)
                return QLatin1String(language.name);
        }
    }
    return QString();
}

std::unique_ptr<CodeEditParser> CodeEditParserFactory::createForFileName(const QString &fileName)
{
    const QString language = languageForFileName(fileName);
    return language.isEmpty() ? nullptr : create(language);
}

QStringList CodeEditParserFactory::languages()
{
    QStringList names;
    for (const Language &language : languageTable)
        names.append(QLatin1String(language.name));
    return names;
}

QStringList CodeEditParserFactory::extensions(const QString &language)
{
    const Language *found = findLanguage(language);
    return found ? split(found->extensions) : QStringList();
}

QStringList CodeEditParserFactory::fileNames(const QString &language)
{
    const Language *found = findLanguage(language);
    return found ? split(found->fileNames) : QStringList();
}
