#include "server.h"

#include "clientinterface.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

#include <algorithm>

namespace LanguageServer {

namespace {

constexpr int startTimeout = 30000;
constexpr int exitTimeout = 1000;

// Params templates of the document notifications and requests. Strings put into them
// are escaped first; numbers and booleans go in as their JSON text.
const char didOpenParams[] =
    R"({"textDocument":{"languageId":"%1","text":"%2","uri":"%3","version":%4}})";
const char uriOnlyParams[] = R"({"textDocument":{"uri":"%1"}})";
const char didChangeParams[] =
    R"({"contentChanges":[{"range":{"end":{"character":%1,"line":%2},)"
    R"("start":{"character":%3,"line":%4}},"text":"%5"}],)"
    R"("textDocument":{"uri":"%6","version":%7}})";
const char didChangeNoEditParams[] =
    R"({"contentChanges":[],"textDocument":{"uri":"%1","version":%2}})";
const char codeActionParams[] =
    R"({"textDocument":{"uri":"%1"},"range":{"end":{"character":%2,"line":%3},)"
    R"("start":{"character":%4,"line":%5}},"context":{"diagnostics":[%6],"triggerKind":%7}})";
const char positionParams[] =
    R"({"textDocument":{"uri":"%1"},"position":{"character":%2,"line":%3}})";
const char completionParams[] =
    R"({"textDocument":{"uri":"%1"},"position":{"character":%2,"line":%3},)"
    R"("context":{"triggerKind":%4}})";
const char completionTriggerParams[] =
    R"({"textDocument":{"uri":"%1"},"position":{"character":%2,"line":%3},)"
    R"("context":{"triggerKind":%4,"triggerCharacter":"%5"}})";
const char deltaParams[] = R"({"textDocument":{"uri":"%1"},"previousResultId":"%2"})";
const char formattingParams[] =
    R"({"textDocument":{"uri":"%1"},"options":{"tabSize":%2,"insertSpaces":%3}})";
const char rangeFormattingParams[] =
    R"({"textDocument":{"uri":"%1"},"range":{"end":{"character":%2,"line":%3},)"
    R"("start":{"character":%4,"line":%5}},"options":{"tabSize":%6,"insertSpaces":%7}})";
const char onTypeFormattingParams[] =
    R"({"textDocument":{"uri":"%1"},"position":{"character":%2,"line":%3},"ch":"%4",)"
    R"("options":{"tabSize":%5,"insertSpaces":%6}})";
const char referencesParams[] =
    R"({"textDocument":{"uri":"%1"},"position":{"character":%2,"line":%3},)"
    R"("context":{"includeDeclaration":%4}})";
const char renameParams[] =
    R"({"textDocument":{"uri":"%1"},"position":{"character":%2,"line":%3},"newName":"%4"})";
const char signatureHelpParams[] =
    R"({"textDocument":{"uri":"%1"},"position":{"character":%2,"line":%3},)"
    R"("context":{"triggerKind":%4,"isRetrigger":%5}})";
const char signatureHelpTriggerParams[] =
    R"({"textDocument":{"uri":"%1"},"position":{"character":%2,"line":%3},)"
    R"("context":{"triggerKind":%4,"isRetrigger":%5,"triggerCharacter":"%6"}})";
const char workspaceSymbolParams[] =
    R"({"query":"%1","partialResultToken":9,)"
    R"("workDoneToken":"1d546990-40a3-4b77-b134-46622995f6ae"})";
const char astRangeParams[] =
    R"({"textDocument":{"uri":"%1"},"range":{"end":{"character":%2,"line":%3},)"
    R"("start":{"character":%4,"line":%5}}})";
const char switchSourceHeaderParams[] = R"({"uri":"%1"})";

QString number(qint64 value)
{
    return QString::number(value);
}

QString boolean(bool value)
{
    return value ? QStringLiteral("true") : QStringLiteral("false");
}

QStringList stringList(const QJsonValue &value)
{
    QStringList list;
    const QJsonArray array = value.toArray();
    for (const QJsonValue &element : array)
        list.append(element.toString());
    return list;
}

QString prettyJson(const QJsonObject &message)
{
    QByteArray text = QJsonDocument(message).toJson(QJsonDocument::Indented);
    if (text.endsWith('\n'))
        text.chop(1);
    return QString::fromUtf8(text);
}

} // namespace

Server::Server(const QString &program, const QStringList &arguments, QObject *parent)
    : QObject(parent), m_process(new QProcess(this)), m_program(program), m_arguments(arguments)
{
    m_process->setReadChannel(QProcess::StandardOutput);
    connect(m_process, &QProcess::readyReadStandardOutput, this,
            &Server::onStandardOutputReady);
    connect(m_process, &QProcess::readyReadStandardError, this, &Server::onStandardErrorReady);
    connect(m_process, &QProcess::errorOccurred, this, &Server::onError);
    connect(m_process, QOverload<int, QProcess::ExitStatus>::of(&QProcess::finished), this,
            &Server::onFinished);
}

Server::~Server()
{
    m_shuttingDown = true;
    if (m_process->state() == QProcess::Running) {
        exit();
        m_process->closeWriteChannel();
        if (!m_process->waitForFinished(exitTimeout)) {
            m_process->kill();
            m_process->waitForFinished(exitTimeout);
        }
    }
    m_process->disconnect(this);
}

bool Server::start()
{
    // Whatever the previous process left half written must not prefix the new stream.
    m_reader.reset();
    m_shutdownRequested = false;
    m_process->start(m_program, m_arguments, QIODevice::ReadWrite);
    if (!m_process->waitForStarted(startTimeout))
        return false;
    initialize();
    return true;
}

QString Server::signatureHelpTriggerCharacter() const
{
    return QStringLiteral("(");
}

bool Server::completionAllowedAfterWord(int, const QString &) const
{
    return true;
}

void Server::restart()
{
    if (m_restartCount >= restartLimit)
        return;
    ++m_restartCount;
    log(QStringLiteral("Restarting server"));
    start();
    emit restarted();
}

void Server::setLog(const LogSink &sink, int level)
{
    m_logSink = sink;
    m_logLevel = level;
}

void Server::log(const QString &entry) const
{
    if (m_logSink)
        m_logSink(entry);
}

QString Server::escapeJson(const QString &text)
{
    const bool plain = std::all_of(text.begin(), text.end(), [](QChar c) {
        return c.unicode() >= 0x20 && c != QLatin1Char('"') && c != QLatin1Char('\\');
    });
    if (plain)
        return text;  // paths and names mostly: nothing to escape
    // The writer of Qt's JSON classes does the escaping; only the array around the
    // string and its quotes are cut off again.
    const QByteArray json = QJsonDocument(QJsonArray{text}).toJson(QJsonDocument::Compact);
    return QString::fromUtf8(json.constData() + 2, json.size() - 4);
}

// Transport

void Server::write(const QByteArray &body)
{
    if (trafficLogging())
        log("Write:\n" + prettyJson(QJsonDocument::fromJson(body).object()));
    m_process->write("Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body);
}

void Server::sendNotification(const QString &method, const QString &params)
{
    write(R"({"jsonrpc":"2.0","method":")" + method.toUtf8() + R"(","params":)"
          + params.toUtf8() + '}');
}

int Server::sendRequest(const QString &method, const QString &params, ClientInterface *client)
{
    const int id = m_nextRequestId;
    m_pendingRequests.push_back({id, method, client, QElapsedTimer()});
    m_pendingRequests.back().started.start();
    write(R"({"jsonrpc":"2.0","method":")" + method.toUtf8() + R"(","id":)"
          + QByteArray::number(id) + R"(,"params":)" + params.toUtf8() + '}');
    ++m_nextRequestId;
    return id;
}

void Server::sendResponse(const QJsonValue &id, const QString &result)
{
    const QByteArray idJson = QJsonDocument(QJsonArray{id}).toJson(QJsonDocument::Compact);
    write(R"({"jsonrpc":"2.0","id":)" + idJson.mid(1, idJson.size() - 2) + R"(,"result":)"
          + result.toUtf8() + '}');
}

// Document notifications

void Server::didOpen(TextDocumentInterface *document, const QString &text)
{
    m_documents.insert(document->uri(), document);
    ++document->m_version;
    sendNotification("textDocument/didOpen",
                     QString::fromLatin1(didOpenParams)
                         .arg(TextDocumentInterface::languageId(document->languageKind()),
                              escapeJson(text), escapeJson(document->uri()),
                              number(document->version())));
}

void Server::didClose(TextDocumentInterface *document)
{
    sendNotification("textDocument/didClose",
                     QString::fromLatin1(uriOnlyParams).arg(escapeJson(document->uri())));
    m_documents.remove(document->uri());
    m_pendingRequests.remove_if(
        [document](const PendingRequest &request) { return request.client == document; });
}

void Server::didChange(TextDocumentInterface *document, const Range &range, const QString &text)
{
    ++document->m_version;
    sendNotification("textDocument/didChange",
                     QString::fromLatin1(didChangeParams)
                         .arg(number(range.end.character), number(range.end.line),
                              number(range.start.character), number(range.start.line),
                              escapeJson(text), escapeJson(document->uri()),
                              number(document->version())));
}

void Server::didChange(TextDocumentInterface *document)
{
    ++document->m_version;
    sendNotification("textDocument/didChange",
                     QString::fromLatin1(didChangeNoEditParams)
                         .arg(escapeJson(document->uri()), number(document->version())));
}

void Server::didSave(TextDocumentInterface *document)
{
    sendNotification("textDocument/didSave",
                     QString::fromLatin1(uriOnlyParams).arg(escapeJson(document->uri())));
}

void Server::changeCompilationCommands(const QString &json)
{
    sendNotification("workspace/didChangeConfiguration",
                     R"({"settings":{"compilationDatabaseChanges":)" + json + "}}");
    const QList<TextDocumentInterface *> documents = m_documents.values();
    for (TextDocumentInterface *document : documents)
        didChange(document);
}

void Server::exit()
{
    sendNotification("exit", "{}");
}

// Requests

int Server::initialize()
{
    // Without parameters of its own the request still has to be valid JSON.
    return sendRequest("initialize",
                       m_initializeParameters.isEmpty() ? QStringLiteral("{}")
                                                        : m_initializeParameters,
                       nullptr);
}

int Server::shutdown()
{
    m_shutdownRequested = true;
    return sendRequest("shutdown", "{}", nullptr);
}

int Server::positionRequest(const char *method, TextDocumentInterface *document,
                            const Position &position)
{
    return sendRequest(method,
                       QString::fromLatin1(positionParams)
                           .arg(escapeJson(document->uri()), number(position.character),
                                number(position.line)),
                       document);
}

int Server::documentRequest(const char *method, TextDocumentInterface *document)
{
    return sendRequest(method, QString::fromLatin1(uriOnlyParams).arg(escapeJson(document->uri())),
                       document);
}

int Server::codeAction(TextDocumentInterface *document, const Range &range,
                       const QString &diagnostics, int triggerKind)
{
    return sendRequest("textDocument/codeAction",
                       QString::fromLatin1(codeActionParams)
                           .arg(escapeJson(document->uri()), number(range.end.character),
                                number(range.end.line), number(range.start.character),
                                number(range.start.line), diagnostics, number(triggerKind)),
                       document);
}

int Server::completion(TextDocumentInterface *document, const Position &position,
                       int triggerKind, const QString &triggerCharacter)
{
    const QString params =
        triggerCharacter.isEmpty()
            ? QString::fromLatin1(completionParams)
                  .arg(escapeJson(document->uri()), number(position.character),
                       number(position.line), number(triggerKind))
            : QString::fromLatin1(completionTriggerParams)
                  .arg(escapeJson(document->uri()), number(position.character),
                       number(position.line), number(triggerKind), escapeJson(triggerCharacter));
    return sendRequest("textDocument/completion", params, document);
}

int Server::declaration(TextDocumentInterface *document, const Position &position)
{
    return positionRequest("textDocument/declaration", document, position);
}

int Server::definition(TextDocumentInterface *document, const Position &position)
{
    return positionRequest("textDocument/definition", document, position);
}

int Server::documentHighlight(TextDocumentInterface *document, const Position &position)
{
    return positionRequest("textDocument/documentHighlight", document, position);
}

int Server::hover(TextDocumentInterface *document, const Position &position)
{
    return positionRequest("textDocument/hover", document, position);
}

int Server::prepareRename(TextDocumentInterface *document, const Position &position)
{
    return positionRequest("textDocument/prepareRename", document, position);
}

int Server::documentLink(TextDocumentInterface *document)
{
    return documentRequest("textDocument/documentLink", document);
}

int Server::documentSymbol(TextDocumentInterface *document)
{
    return documentRequest("textDocument/documentSymbol", document);
}

int Server::foldingRange(TextDocumentInterface *document)
{
    return documentRequest("textDocument/foldingRange", document);
}

int Server::semanticTokensFull(TextDocumentInterface *document)
{
    return documentRequest("textDocument/semanticTokens/full", document);
}

int Server::semanticTokensDelta(TextDocumentInterface *document,
                                const QString &previousResultId)
{
    return sendRequest("textDocument/semanticTokens/full/delta",
                       QString::fromLatin1(deltaParams)
                           .arg(escapeJson(document->uri()), escapeJson(previousResultId)),
                       document);
}

int Server::ast(TextDocumentInterface *document)
{
    return documentRequest("textDocument/ast", document);
}

int Server::ast(TextDocumentInterface *document, const Range &range)
{
    return sendRequest("textDocument/ast",
                       QString::fromLatin1(astRangeParams)
                           .arg(escapeJson(document->uri()), number(range.end.character),
                                number(range.end.line), number(range.start.character),
                                number(range.start.line)),
                       document);
}

int Server::formatting(TextDocumentInterface *document, int tabSize, bool insertSpaces)
{
    return sendRequest("textDocument/formatting",
                       QString::fromLatin1(formattingParams)
                           .arg(escapeJson(document->uri()), number(tabSize),
                                boolean(insertSpaces)),
                       document);
}

int Server::rangeFormatting(TextDocumentInterface *document, const Range &range, int tabSize,
                            bool insertSpaces)
{
    return sendRequest("textDocument/rangeFormatting",
                       QString::fromLatin1(rangeFormattingParams)
                           .arg(escapeJson(document->uri()), number(range.end.character),
                                number(range.end.line), number(range.start.character),
                                number(range.start.line), number(tabSize),
                                boolean(insertSpaces)),
                       document);
}

int Server::onTypeFormatting(TextDocumentInterface *document, const Position &position,
                             const QString &character, int tabSize, bool insertSpaces)
{
    return sendRequest("textDocument/onTypeFormatting",
                       QString::fromLatin1(onTypeFormattingParams)
                           .arg(escapeJson(document->uri()), number(position.character),
                                number(position.line), escapeJson(character), number(tabSize),
                                boolean(insertSpaces)),
                       document);
}

int Server::references(TextDocumentInterface *document, const Position &position,
                       bool includeDeclaration)
{
    return sendRequest("textDocument/references",
                       QString::fromLatin1(referencesParams)
                           .arg(escapeJson(document->uri()), number(position.character),
                                number(position.line), boolean(includeDeclaration)),
                       document);
}

int Server::rename(TextDocumentInterface *document, const Position &position,
                   const QString &newName)
{
    return sendRequest("textDocument/rename",
                       QString::fromLatin1(renameParams)
                           .arg(escapeJson(document->uri()), number(position.character),
                                number(position.line), escapeJson(newName)),
                       document);
}

int Server::signatureHelp(TextDocumentInterface *document, const Position &position,
                          int triggerKind, bool isRetrigger, const QString &triggerCharacter)
{
    const QString params =
        triggerCharacter.isEmpty()
            ? QString::fromLatin1(signatureHelpParams)
                  .arg(escapeJson(document->uri()), number(position.character),
                       number(position.line), number(triggerKind), boolean(isRetrigger))
            : QString::fromLatin1(signatureHelpTriggerParams)
                  .arg(escapeJson(document->uri()), number(position.character),
                       number(position.line), number(triggerKind), boolean(isRetrigger),
                       escapeJson(triggerCharacter));
    return sendRequest("textDocument/signatureHelp", params, document);
}

int Server::workspaceSymbol(const QString &query, ClientInterface *client)
{
    return sendRequest("workspace/symbol",
                       QString::fromLatin1(workspaceSymbolParams).arg(escapeJson(query)), client);
}

int Server::switchSourceHeader(TextDocumentInterface *document)
{
    return sendRequest("textDocument/switchSourceHeader",
                       QString::fromLatin1(switchSourceHeaderParams)
                           .arg(escapeJson(document->uri())),
                       document);
}

// Receiving

void Server::onStandardOutputReady()
{
    for (TextDocumentInterface *document : std::as_const(m_documents))
        document->m_batchCount = 0;
    m_reader.append(m_process->readAllStandardOutput());
    while (const std::optional<QByteArray> body = m_reader.next())
        dispatch(*body);
    for (const QString &error : m_reader.takeErrors())
        log(error);
    // A client may close its document while handling a message; the map is copied.
    const QList<TextDocumentInterface *> documents = m_documents.values();
    for (TextDocumentInterface *document : documents) {
        if (document->m_batchCount != 0)
            document->endBatch();
    }
    expirePendingRequests();
}

void Server::onStandardErrorReady()
{
    const QByteArray text = m_process->readAllStandardError();
    if (trafficLogging())
        log("Server:\n" + QString::fromUtf8(text).trimmed());
}

void Server::expirePendingRequests()
{
    m_pendingRequests.remove_if([this](const PendingRequest &request) {
        if (!request.started.hasExpired(m_requestTimeout))
            return false;
        if (debugLogging()) {
            log(QStringLiteral("Language server request %1 (%2) expired")
                    .arg(request.id)
                    .arg(request.method));
        }
        return true;
    });
}

bool Server::isPending(int id) const
{
    return std::any_of(m_pendingRequests.begin(), m_pendingRequests.end(),
                       [id](const PendingRequest &request) { return request.id == id; });
}

bool Server::waitForMessages(int milliseconds)
{
    if (m_process->state() != QProcess::Running)
        return false;
    return m_process->waitForReadyRead(milliseconds);
}

void Server::dispatch(const QByteArray &body)
{
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(body, &parseError);
    if (parseError.error != QJsonParseError::NoError || !document.isObject()) {
        log("JSON parse error - "
            + (document.isNull() ? parseError.errorString() : QStringLiteral("not an object")));
        return;
    }
    const QJsonObject message = document.object();
    if (trafficLogging())
        log("Read:\n" + prettyJson(message));
    if (message.contains("method") && message.contains("params"))
        dispatchServerMessage(message);
    else
        dispatchResponse(message);
}

void Server::countBatch(ClientInterface *client)
{
    auto *document = dynamic_cast<TextDocumentInterface *>(client);
    if (document && ++document->m_batchCount == 1)
        document->beginBatch();
}

void Server::dispatchServerMessage(const QJsonObject &message)
{
    const QString method = message.value("method").toString();
    const QJsonValue params = message.value("params");
    if (method == QLatin1String("workspace/semanticTokens/refresh")) {
        emit workspaceSemanticTokensRefresh();
        const QList<TextDocumentInterface *> documents = m_documents.values();
        for (TextDocumentInterface *document : documents)
            document->semanticTokensRefresh();
        if (message.contains("id"))
            sendResponse(message.value("id"), "null");  // the server waits for it
        return;
    }
    const QString uri = params.toObject().value("uri").toString();
    TextDocumentInterface *document = m_documents.value(uri);
    if (!document) {
        log(QStringLiteral("URI not found (%1)").arg(uri));
        return;
    }
    countBatch(document);
    if (message.contains("id"))
        document->serverRequest(method, params, message.value("id"));
    else
        document->notification(method, params);
}

void Server::dispatchResponse(const QJsonObject &message)
{
    const QJsonValue idValue = message.value("id");
    const int id = idValue.isDouble() ? idValue.toInt(-1) : -1;
    const auto found = std::find_if(
        m_pendingRequests.begin(), m_pendingRequests.end(),
        [id](const PendingRequest &request) { return request.id == id; });
    if (found == m_pendingRequests.end()) {
        if (debugLogging()) {
            const QString idText = idValue.isDouble() ? QString::number(id)
                                                      : idValue.toVariant().toString();
            log(QStringLiteral("Unknown language server request id (%1)").arg(idText));
        }
        return;
    }
    const QString method = found->method;
    ClientInterface *client = found->client;
    m_pendingRequests.erase(found);
    if (client && message.contains("result")) {
        countBatch(client);
        client->response(method, message.value("result"), id);
    } else if (client && message.contains("error")) {
        const QJsonObject error = message.value("error").toObject();
        client->error(error.value("code").toInt(), error.value("message").toString(),
                      error.value("data"), id);
    } else if (!client && method == QLatin1String("initialize")) {
        storeCapabilities(message.value("result").toObject().value("capabilities").toObject());
        // The protocol wants the client's confirmation before any other traffic counts.
        sendNotification("initialized", "{}");
        emit initialized();
    }
}

void Server::storeCapabilities(const QJsonObject &capabilities)
{
    const QJsonObject legend =
        capabilities.value("semanticTokensProvider").toObject().value("legend").toObject();
    m_semanticTokenTypes = stringList(legend.value("tokenTypes"));
    m_semanticTokenModifiers = stringList(legend.value("tokenModifiers"));
    m_completionTriggerCharacters = stringList(
        capabilities.value("completionProvider").toObject().value("triggerCharacters"));
    const QJsonObject onType =
        capabilities.value("documentOnTypeFormattingProvider").toObject();
    const QString first = onType.value("firstTriggerCharacter").toString();
    m_onTypeFirstTrigger = first.isEmpty() ? QChar() : first.at(0);
    m_onTypeMoreTriggers = stringList(onType.value("moreTriggerCharacter"));
}

// Process events

void Server::onError(QProcess::ProcessError error)
{
    log(QString::asprintf("Language server process error %d", int(error)));
}

void Server::onFinished(int exitCode, QProcess::ExitStatus exitStatus)
{
    if (debugLogging()) {
        log(QString::asprintf("Language server process finished %x %d", exitCode,
                              int(exitStatus)));
    }
    // A server that ends after answering "shutdown" does what it was asked to.
    if (!m_shuttingDown && !m_shutdownRequested)
        restart();
}

} // namespace LanguageServer
