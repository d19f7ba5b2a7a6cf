#pragma once

#include "messagereader.h"

#include <QElapsedTimer>
#include <QJsonValue>
#include <QMap>
#include <QObject>
#include <QProcess>
#include <QString>
#include <QStringList>

#include <functional>
#include <list>

class QJsonObject;

namespace LanguageServer {

class ClientInterface;
class TextDocumentInterface;

/// A place in a document: zero-based line and UTF-16 character.
struct Position
{
    int line = 0;
    int character = 0;
};

struct Range
{
    Position start;
    Position end;
};

/// A language server process and the conversation with it: starts the process, frames
/// and parses messages, numbers requests and routes responses, server requests and
/// notifications to the client objects they belong to. Documents take part through
/// TextDocumentInterface objects, which the server does not own: their owners open
/// and close them, and open them again after restarted().
///
/// Everything runs on the owning thread, driven by the process's signals; a one-shot
/// tool without an event loop calls waitForMessages() instead. No call throws.
class Server : public QObject
{
    Q_OBJECT

public:
    Server(const QString &program, const QStringList &arguments, QObject *parent = nullptr);
    /// Sends "exit" to a running process and gives it 1000 ms to end before it is killed.
    ~Server() override;
    Server(const Server &) = delete;
    Server &operator=(const Server &) = delete;

    /// Starts the process (waiting up to 30000 ms) and sends "initialize"; false when
    /// the process did not start.
    bool start();

    virtual QString signatureHelpTriggerCharacter() const;
    /// Whether typing `word` (of `wordKind`, 1 for a keyword) may open completion.
    virtual bool completionAllowedAfterWord(int wordKind, const QString &word) const;
    /// Starts the process again after an unexpected end, at most restartLimit times.
    virtual void restart();

    /// The log gets protocol errors; with a level above 0 also expiries, unknown ids and
    /// process ends, and above 2 every message read and written.
    using LogSink = std::function<void(const QString &entry)>;
    void setLog(const LogSink &sink, int level);
    void setInitializeParameters(const QString &json) { m_initializeParameters = json; }
    /// Requests older than this are dropped unanswered (10000 ms unless set).
    void setRequestTimeout(int milliseconds) { m_requestTimeout = milliseconds; }

    // Transport. `params` is JSON text; a request answers its id.
    void sendNotification(const QString &method, const QString &params);
    int sendRequest(const QString &method, const QString &params, ClientInterface *client);
    /// Answers a request of the server; `result` is JSON text.
    void sendResponse(const QJsonValue &id, const QString &result);

    // Document notifications.
    void didOpen(TextDocumentInterface *document, const QString &text);
    void didClose(TextDocumentInterface *document);
    void didChange(TextDocumentInterface *document, const Range &range, const QString &text);
    void didChange(TextDocumentInterface *document);  // no edits: the server re-reads it
    void didSave(TextDocumentInterface *document);
    /// Tells the server new compilation commands (a JSON object by file) and makes it
    /// re-read every open document.
    void changeCompilationCommands(const QString &json);
    void exit();

    // Requests; each answers its id. The response goes to the document.
    int initialize();
    int shutdown();  // an end of the process after this is no fault
    int codeAction(TextDocumentInterface *document, const Range &range,
                   const QString &diagnostics, int triggerKind);
    int completion(TextDocumentInterface *document, const Position &position, int triggerKind,
                   const QString &triggerCharacter = QString());
    int declaration(TextDocumentInterface *document, const Position &position);
    int definition(TextDocumentInterface *document, const Position &position);
    int documentHighlight(TextDocumentInterface *document, const Position &position);
    int hover(TextDocumentInterface *document, const Position &position);
    int prepareRename(TextDocumentInterface *document, const Position &position);
    int documentLink(TextDocumentInterface *document);
    int documentSymbol(TextDocumentInterface *document);
    int foldingRange(TextDocumentInterface *document);
    int semanticTokensFull(TextDocumentInterface *document);
    int semanticTokensDelta(TextDocumentInterface *document, const QString &previousResultId);
    int ast(TextDocumentInterface *document);
    int ast(TextDocumentInterface *document, const Range &range);
    int formatting(TextDocumentInterface *document, int tabSize, bool insertSpaces);
    int rangeFormatting(TextDocumentInterface *document, const Range &range, int tabSize,
                        bool insertSpaces);
    int onTypeFormatting(TextDocumentInterface *document, const Position &position,
                         const QString &character, int tabSize, bool insertSpaces);
    int references(TextDocumentInterface *document, const Position &position,
                   bool includeDeclaration);
    int rename(TextDocumentInterface *document, const Position &position,
               const QString &newName);
    int signatureHelp(TextDocumentInterface *document, const Position &position,
                      int triggerKind, bool isRetrigger,
                      const QString &triggerCharacter = QString());
    int workspaceSymbol(const QString &query, ClientInterface *client);
    int switchSourceHeader(TextDocumentInterface *document);

    /// Drops the requests older than the request timeout without calling their clients.
    void expirePendingRequests();
    bool isPending(int id) const;
    /// Waits up to `milliseconds` for output of the process and handles it; false when
    /// none came or the process is not running.
    bool waitForMessages(int milliseconds);
    bool isRunning() const { return m_process->state() != QProcess::NotRunning; }
    const QString &program() const { return m_program; }
    /// Why the process failed to start or ended, in the system's words.
    QString processErrorString() const { return m_process->errorString(); }

    int restartCount() const { return m_restartCount; }
    static constexpr int restartLimit = 10;

    // What the server reported in its answer to "initialize".
    const QStringList &semanticTokenTypes() const { return m_semanticTokenTypes; }
    const QStringList &semanticTokenModifiers() const { return m_semanticTokenModifiers; }
    const QStringList &completionTriggerCharacters() const
    {
        return m_completionTriggerCharacters;
    }
    QChar onTypeFormattingFirstTriggerCharacter() const { return m_onTypeFirstTrigger; }
    const QStringList &onTypeFormattingMoreTriggerCharacters() const
    {
        return m_onTypeMoreTriggers;
    }

    /// Text as a JSON string literal without its quotes: `a "b"` gives `a \"b\"`.
    static QString escapeJson(const QString &text);

signals:
    void initialized();
    void workspaceSemanticTokensRefresh();
    void restarted();

private slots:
    void onStandardOutputReady();
    void onStandardErrorReady();
    void onError(QProcess::ProcessError error);
    void onFinished(int exitCode, QProcess::ExitStatus exitStatus);

private:
    struct PendingRequest
    {
        int id;
        QString method;
        ClientInterface *client;  // none for the server's own requests
        QElapsedTimer started;
    };

    void log(const QString &entry) const;
    bool debugLogging() const { return m_logSink && m_logLevel > 0; }
    bool trafficLogging() const { return m_logSink && m_logLevel > 2; }
    void write(const QByteArray &body);
    int positionRequest(const char *method, TextDocumentInterface *document,
                        const Position &position);
    int documentRequest(const char *method, TextDocumentInterface *document);
    void dispatch(const QByteArray &body);
    void dispatchServerMessage(const QJsonObject &message);
    void dispatchResponse(const QJsonObject &message);
    void storeCapabilities(const QJsonObject &capabilities);
    void countBatch(ClientInterface *client);

    QProcess *m_process;  // a child of this object
    QString m_program;
    QStringList m_arguments;
    QString m_initializeParameters;
    MessageReader m_reader;
    int m_nextRequestId = 1;
    bool m_shuttingDown = false;
    bool m_shutdownRequested = false;
    int m_restartCount = 0;
    LogSink m_logSink;
    int m_logLevel = 0;
    int m_requestTimeout = 10000;
    QMap<QString, TextDocumentInterface *> m_documents;
    std::list<PendingRequest> m_pendingRequests;
    QStringList m_semanticTokenTypes;
    QStringList m_semanticTokenModifiers;
    QStringList m_completionTriggerCharacters;
    QChar m_onTypeFirstTrigger;
    QStringList m_onTypeMoreTriggers;
};

} // namespace LanguageServer
