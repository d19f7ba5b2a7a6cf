#pragma once

#include <QStringList>

/// The command-line probe of the language-server client: starts a server (clangd, or
/// any program given), opens one file, sends one request per command and prints each
/// answer on its own line, then shuts the server down.
class TessaLspTool
{
public:
    /// Runs the whole session; returns the exit status (0 when every command was
    /// answered). Throws HException on a bad command line or a server that cannot start.
    int run(const QStringList &arguments);
};
