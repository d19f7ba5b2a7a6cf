#include "clangdserver.h"

#include "projectsystem/macroservice.h"
#include "qtx/version.h"

#include <QCoreApplication>
#include <QJsonArray>
#include <QJsonDocument>

namespace LanguageServer {

namespace {

const char programMacro[] = "$(CLANGD:$(StudioDir)/llvm/bin/clangd$(HostEXE))";

// The client capabilities: UTF-16 positions, markdown and regular expressions as the
// editor renders them, snippets, fixes inside diagnostics, relative semantic tokens with
// the editor's legend and line-only folding. %1 is the fallback flags array, %2 the
// client name, %3 its version and %4 our process id.
const char initializeTemplate[] =
    R"({"capabilities":{"general":{"positionEncodings":["utf-16"],)"
    R"("markdown":{"parser":"marked","version":"1.1.0"},)"
    R"("regularExpressions":{"engine":"ECMAScript","version":"ES2020"},)"
    R"("staleRequestSupport":{"cancel":true,"retryOnContentModified":[)"
    R"("textDocument/semanticTokens/full","textDocument/semanticTokens/range",)"
    R"("textDocument/semanticTokens/full/delta"]}},)"
    R"("textDocument":{"completion":{"completionItem":{"snippetSupport":true}},)"
    R"("publishDiagnostics":{"codeActionsInline":true},)"
    R"("semanticTokens":{"formats":["relative"],)"
    R"("requests":{"full":{"delta":true},"range":true},)"
    R"("multilineTokenSupport":false,"overlappingTokenSupport":false,)"
    R"("tokenTypes":["namespace","type","class","enum","interface","struct",)"
    R"("typeParameter","parameter","variable","property","enumMember","event","function",)"
    R"("method","macro","keyword","modifier","comment","string","number","regexp",)"
    R"("operator","decorator"],)"
    R"("tokenModifiers":["declaration","definition","readonly","static","deprecated",)"
    R"("abstract","async","modification","documentation","defaultLibrary"]},)"
    R"("foldingRange":{"lineFoldingOnly":true,"rangeLimit":5000}}},)"
    R"("clientInfo":{"name":"%2","version":"%3"},)"
    R"("initializationOptions":{"fallbackFlags":%1},)"
    R"("locale":"en-gb","processId":%4,"rootPath":null,"rootUri":null,"trace":"off",)"
    R"("workspaceFolders":null})";

} // namespace

ClangdServer::ClangdServer(const QMap<QString, QString> &macros,
                           const QList<IncludeDirectory> &includeDirectories, QObject *parent)
    : Server(programPath(macros), {QStringLiteral("--log=error")}, parent)
{
    setInitializeParameters(
        initializeParameters(includeDirectories, QCoreApplication::applicationPid()));
}

bool ClangdServer::completionAllowedAfterWord(int wordKind, const QString &word) const
{
    static const QStringList statementKeywords = {"for", "while", "do", "return"};
    return !(wordKind == 1 && statementKeywords.contains(word));
}

QString ClangdServer::programPath(const QMap<QString, QString> &macros)
{
    const MacroService *service = MacroService::instance();
    if (service)
        return service->expand(macros, programMacro, true, true);
    return MacroService().expand(macros, programMacro, true, true);
}

QString ClangdServer::initializeParameters(const QList<IncludeDirectory> &includeDirectories,
                                           qint64 processId)
{
    QJsonArray flags;
    for (const IncludeDirectory &directory : includeDirectories) {
        flags.append(directory.system ? QStringLiteral("-isystem") : QStringLiteral("-I"));
        flags.append(directory.path);
    }
    return QString::fromLatin1(initializeTemplate)
        .arg(QString::fromUtf8(QJsonDocument(flags).toJson(QJsonDocument::Compact)),
             escapeJson(QString::fromLatin1(Version::productName)),
             escapeJson(Version::shortVersion()), QString::number(processId));
}

} // namespace LanguageServer
