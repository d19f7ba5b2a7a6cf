#pragma once

#include "server.h"

#include <QList>
#include <QMap>

namespace LanguageServer {

/// The language server for C and C++: clangd, found through the macro CLANGD (default
/// $(StudioDir)/llvm/bin/clangd), told the client's capabilities and, for files without
/// a compilation command, the include directories of the active configuration.
class ClangdServer : public Server
{
    Q_OBJECT

public:
    struct IncludeDirectory
    {
        QString path;
        bool system = false;  // "-isystem" rather than "-I"
    };

    /// `macros` is the caller's definition table; the macro service's global and system
    /// tables are consulted after it.
    ClangdServer(const QMap<QString, QString> &macros,
                 const QList<IncludeDirectory> &includeDirectories, QObject *parent = nullptr);

    /// False after the keywords "for", "while", "do" and "return" (word kind 1).
    bool completionAllowedAfterWord(int wordKind, const QString &word) const override;

    static QString programPath(const QMap<QString, QString> &macros);
    /// The "initialize" parameters, with the include directories as fallback flags.
    static QString initializeParameters(const QList<IncludeDirectory> &includeDirectories,
                                        qint64 processId);
};

} // namespace LanguageServer
