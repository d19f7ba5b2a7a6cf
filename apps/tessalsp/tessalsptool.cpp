#include "tessalsptool.h"

#include "languageserver/clangdserver.h"
#include "languageserver/clientinterface.h"
#include "qtx/hexception.h"
#include "qtx/savefile.h"
#include "qtx/toolentry.h"
#include "qtx/toolsupport.h"

#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QJsonArray>
#include <QJsonDocument>

#include <climits>
#include <functional>
#include <memory>
#include <vector>

using namespace LanguageServer;

namespace {

constexpr int defaultTimeout = 10000;

const char synopsis[] =
    "[-server PROGRAM [-arg A]...] [-D NAME=VALUE]... [-I DIR]... [-isystem DIR]... "
    "[-trace FILE] [-timeout MS] FILE COMMAND...";

const char notes[] =
    "Commands (L:C is a 1-based line and UTF-16 column):\n"
    "  complete L:C, definition L:C, declaration L:C, hover L:C, references L:C,\n"
    "  highlight L:C, rename L:C NEW, symbols, folding, links, tokens, format,\n"
    "  diagnostics (the diagnostics the server publishes for FILE)\n"
    "Each command prints one line: the result as compact JSON, 'error CODE MESSAGE'\n"
    "for an error response, or 'error expired' when no answer came in time.\n"
    "Without -server the program is $(CLANGD:$(StudioDir)/llvm/bin/clangd$(HostEXE)).";

class TessaLspArgParse : public QTx::ToolArgParse
{
public:
    TessaLspArgParse() : ToolArgParse("tessalsp", synopsis, notes)
    {
        addValue("-server", "PROGRAM", &program, "Run PROGRAM as the language server",
                 &serverGiven);
        addHandler("-arg", "A", [this](const QString &, const QString &value) {
            serverArguments.append(value);
        }, "An argument of the -server program");
        addHandler("-D", "NAME=VALUE", [this](const QString &, const QString &value) {
            const int equals = value.indexOf(QLatin1Char('='));
            macros.insert(value.left(equals), equals < 0 ? QString() : value.mid(equals + 1));
        }, "Define a macro (CLANGD names the clangd program)");
        addHandler("-I", "DIR", [this](const QString &, const QString &value) {
            includeDirectories.append({value, false});
        }, "An include directory for clangd's fallback flags");
        addHandler("-isystem", "DIR", [this](const QString &, const QString &value) {
            includeDirectories.append({value, true});
        }, "A system include directory for clangd's fallback flags");
        addValue("-trace", "FILE", &traceFile, "Write the protocol log to FILE");
        addValue("-timeout", "MS", &timeout,
                 "Drop requests unanswered after MS milliseconds (10000)");
    }

    QString program;
    bool serverGiven = false;
    QStringList serverArguments;
    QMap<QString, QString> macros;
    QList<ClangdServer::IncludeDirectory> includeDirectories;
    QString traceFile;
    QString timeout = QString::number(defaultTimeout);
};

// One command of the command line. `send` makes the request and answers its id.
struct LspCommand
{
    QString name;
    Position position;
    QString newName;
    std::function<int(Server &, TextDocumentInterface *, const LspCommand &)> send;
};

enum class Shape { Plain, AtPosition, Rename };

struct LspCommandInfo
{
    const char *name;
    Shape shape;
    int (*send)(Server &, TextDocumentInterface *, const LspCommand &);  // null: diagnostics
};

const LspCommandInfo commandTable[] = {
    {"complete", Shape::AtPosition,
     [](Server &s, TextDocumentInterface *d, const LspCommand &c) {
         return s.completion(d, c.position, 1);
     }},
    {"definition", Shape::AtPosition,
     [](Server &s, TextDocumentInterface *d, const LspCommand &c) {
         return s.definition(d, c.position);
     }},
    {"declaration", Shape::AtPosition,
     [](Server &s, TextDocumentInterface *d, const LspCommand &c) {
         return s.declaration(d, c.position);
     }},
    {"hover", Shape::AtPosition,
     [](Server &s, TextDocumentInterface *d, const LspCommand &c) {
         return s.hover(d, c.position);
     }},
    {"references", Shape::AtPosition,
     [](Server &s, TextDocumentInterface *d, const LspCommand &c) {
         return s.references(d, c.position, true);
     }},
    {"highlight", Shape::AtPosition,
     [](Server &s, TextDocumentInterface *d, const LspCommand &c) {
         return s.documentHighlight(d, c.position);
     }},
    {"rename", Shape::Rename,
     [](Server &s, TextDocumentInterface *d, const LspCommand &c) {
         return s.rename(d, c.position, c.newName);
     }},
    {"symbols", Shape::Plain,
     [](Server &s, TextDocumentInterface *d, const LspCommand &) { return s.documentSymbol(d); }},
    {"folding", Shape::Plain,
     [](Server &s, TextDocumentInterface *d, const LspCommand &) { return s.foldingRange(d); }},
    {"links", Shape::Plain,
     [](Server &s, TextDocumentInterface *d, const LspCommand &) { return s.documentLink(d); }},
    {"tokens", Shape::Plain,
     [](Server &s, TextDocumentInterface *d, const LspCommand &) {
         return s.semanticTokensFull(d);
     }},
    {"format", Shape::Plain,
     [](Server &s, TextDocumentInterface *d, const LspCommand &) {
         return s.formatting(d, 4, true);
     }},
    {"diagnostics", Shape::Plain, nullptr},
};

// "L:C", 1-based, as the protocol's 0-based position.
Position parsePosition(const QString &text)
{
    const int colon = text.indexOf(QLatin1Char(':'));
    if (colon < 0)
        throw HException("invalid position " + QTx::quoted(text) + " (use LINE:COLUMN)");
    Position position;
    position.line = int(QTx::parseNumber(text.left(colon), 1, INT_MAX, "line")) - 1;
    position.character = int(QTx::parseNumber(text.mid(colon + 1), 1, INT_MAX, "column")) - 1;
    return position;
}

std::vector<LspCommand> parseCommands(const QStringList &words)
{
    std::vector<LspCommand> commands;
    for (int i = 0; i < words.size();) {
        const QString &name = words.at(i++);
        const LspCommandInfo *info = nullptr;
        for (const LspCommandInfo &entry : commandTable) {
            if (name == QLatin1String(entry.name))
                info = &entry;
        }
        if (!info)
            throw HException("unknown command " + QTx::quoted(name));
        const int operands = info->shape == Shape::Plain ? 0 : info->shape == Shape::Rename ? 2 : 1;
        if (i + operands > words.size())
            throw HException("missing arguments of " + QTx::quoted(name));
        LspCommand command{name, {}, {}, info->send};
        if (operands > 0)
            command.position = parsePosition(words.at(i));
        if (operands > 1)
            command.newName = words.at(i + 1);
        i += operands;
        commands.push_back(command);
    }
    if (commands.empty())
        throw HException(QStringLiteral("no command given (try -help)"));
    return commands;
}

LanguageKind languageOf(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    static const QStringList cpp = {"cpp", "cc", "cxx", "hpp"};
    if (cpp.contains(suffix))
        return LanguageKind::Cpp;
    if (suffix == QLatin1String("c") || suffix == QLatin1String("h"))
        return LanguageKind::C;
    throw HException("unknown language of " + QTx::quoted(fileName)
                     + " (use .c, .h, .cpp, .cc, .cxx or .hpp)");
}

// A result of any JSON type as one line of compact JSON.
QByteArray compactJson(const QJsonValue &value)
{
    const QByteArray json = QJsonDocument(QJsonArray{value}).toJson(QJsonDocument::Compact);
    return json.mid(1, json.size() - 2);
}

// The opened file: keeps each answer by request id, and the diagnostics last published.
class ToolDocument : public TextDocumentInterface
{
public:
    using TextDocumentInterface::TextDocumentInterface;

    void response(const QString &, const QJsonValue &result, int id) override
    {
        m_answers.insert(id, compactJson(result));
    }
    void error(int code, const QString &message, const QJsonValue &, int id) override
    {
        m_answers.insert(id, "error " + QByteArray::number(code) + ' ' + message.toUtf8());
    }
    void notification(const QString &method, const QJsonValue &params) override
    {
        if (method == QLatin1String("textDocument/publishDiagnostics"))
            m_diagnostics = compactJson(params);
    }

    bool hasAnswer(int id) const { return m_answers.contains(id); }
    QByteArray takeAnswer(int id) { return m_answers.take(id); }
    const QByteArray &diagnostics() const { return m_diagnostics; }

private:
    QHash<int, QByteArray> m_answers;
    QByteArray m_diagnostics;
};

// One run: the server, the open file and the waits, each bounded by the timeout.
class Session
{
public:
    Session(const TessaLspArgParse &options, std::unique_ptr<Server> server, int timeout)
        : m_server(std::move(server)),
          m_fileName(options.positional.first()),
          m_document(QFileInfo(m_fileName).absoluteFilePath(), languageOf(m_fileName)),
          m_timeout(timeout)
    {
        QObject::connect(m_server.get(), &Server::initialized, m_server.get(),
                         [this] { m_awaitingInitialize = false; });
        QObject::connect(m_server.get(), &Server::restarted, m_server.get(),
                         [this] { m_awaitingInitialize = true; });
    }

    void open(const QString &program)
    {
        QFile file(m_fileName);
        if (!file.open(QIODevice::ReadOnly))
            throw HException("cannot open " + QTx::quoted(m_fileName) + ": " + file.errorString());
        m_text = QString::fromUtf8(file.readAll());
        if (!m_server->start()) {
            throw HException("cannot start " + QTx::quoted(program) + ": "
                             + m_server->processErrorString());
        }
        if (!reopen())
            throw HException("no answer to 'initialize' from " + QTx::quoted(program));
    }

    // Prints the command's line; false when it got no answer.
    bool run(const LspCommand &command)
    {
        for (;;) {
            const int restarts = m_server->restartCount();
            const int id = command.send ? command.send(*m_server, &m_document, command) : 0;
            const auto answered = [&] {
                return m_server->restartCount() != restarts
                    || (id ? m_document.hasAnswer(id) : !m_document.diagnostics().isEmpty());
            };
            waitUntil(answered);
            if (id && m_document.hasAnswer(id))
                return print(m_document.takeAnswer(id));
            if (!id && !m_document.diagnostics().isEmpty())
                return print(m_document.diagnostics());
            // A server that died is started again: the file is opened anew and the
            // command sent again, as often as restarts are allowed.
            if (m_server->restartCount() != restarts && reopen())
                continue;
            if (!m_server->isRunning()) {
                print("error server stopped");
                return false;
            }
            m_server->expirePendingRequests();
            print("error expired");
            return false;
        }
    }

    void shutdown()
    {
        if (!m_server->isRunning())
            return;
        const int id = m_server->shutdown();
        waitUntil([&] { return !m_server->isPending(id) || !m_server->isRunning(); });
    }

private:
    bool print(const QByteArray &line)
    {
        QTx::writeStandardOutput(line + '\n');
        return true;
    }

    // Waits for "initialize" to be answered, then opens the file. A server starting
    // up gets the full default time even when requests expire sooner.
    bool reopen()
    {
        waitUntil([this] { return !m_awaitingInitialize || !m_server->isRunning(); },
                  qMax(m_timeout, defaultTimeout));
        if (m_awaitingInitialize)
            return false;
        m_server->didOpen(&m_document, m_text);
        return true;
    }

    void waitUntil(const std::function<bool()> &done) { waitUntil(done, m_timeout); }

    void waitUntil(const std::function<bool()> &done, int milliseconds)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done() && m_server->isRunning()) {
            const qint64 left = milliseconds - timer.elapsed();
            if (left <= 0)
                break;
            m_server->waitForMessages(int(left));
        }
    }

    std::unique_ptr<Server> m_server;
    QString m_fileName;
    QString m_text;
    ToolDocument m_document;
    int m_timeout;
    bool m_awaitingInitialize = true;
};

} // namespace

int TessaLspTool::run(const QStringList &arguments)
{
    TessaLspArgParse options;
    if (const auto status = options.parseCommandLine(arguments))
        return *status;
    const std::vector<LspCommand> commands = parseCommands(options.positional.mid(1));
    const int timeout = int(QTx::parseNumber(options.timeout, 1, INT_MAX, "timeout"));
    QTx::checkReadableFile(options.positional.first());

    std::unique_ptr<Server> server;
    if (options.serverGiven) {
        server = std::make_unique<Server>(options.program, options.serverArguments);
    } else {
        server = std::make_unique<ClangdServer>(options.macros, options.includeDirectories);
    }
    const QString program = server->program();
    server->setRequestTimeout(timeout);

    std::unique_ptr<QTx::SaveFile> trace;
    if (!options.traceFile.isEmpty()) {
        trace = std::make_unique<QTx::SaveFile>(options.traceFile);
        if (!trace->open())
            throw HException(trace->errorString());
        FILE *stream = trace->stream();
        server->setLog([stream](const QString &entry) {
            const QByteArray bytes = entry.toUtf8() + '\n';
            std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
        }, 3);
    }

    bool allAnswered = true;
    try {
        // The session ends before the trace is put in place: the server's last words
        // ("exit") belong in it.
        Session session(options, std::move(server), timeout);
        session.open(program);
        for (const LspCommand &command : commands)
            allAnswered = session.run(command) && allAnswered;
        session.shutdown();
    } catch (const HException &) {
        if (trace)
            trace->commit();  // the log of a failed start is what tells why
        throw;
    }
    if (trace && !trace->commit())
        throw HException(trace->errorString());
    return allAnswered ? 0 : 1;
}
