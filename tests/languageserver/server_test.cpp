#include "languageserver/clangdserver.h"
#include "languageserver/clientinterface.h"
#include "languageserver/server.h"

#include "testsupport.h"

#include <gmock/gmock.h>

#include <QElapsedTimer>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

#include <functional>
#include <memory>

using namespace LanguageServer;
using testing::Contains;
using testing::ElementsAre;

namespace {

// Writes down every call, in order, as one short line.
class RecordingDocument : public TextDocumentInterface
{
public:
    using TextDocumentInterface::TextDocumentInterface;

    void notification(const QString &method, const QJsonValue &) override
    {
        events.append("notification " + method);
    }
    void serverRequest(const QString &method, const QJsonValue &, const QJsonValue &) override
    {
        events.append("request " + method);
    }
    void response(const QString &method, const QJsonValue &result, int id) override
    {
        events.append(QStringLiteral("response %1 %2").arg(method).arg(id));
        lastResult = result;
    }
    void error(int code, const QString &message, const QJsonValue &, int id) override
    {
        events.append(QStringLiteral("error %1 %2 %3").arg(code).arg(message).arg(id));
    }
    void beginBatch() override { events.append("begin"); }
    void endBatch() override { events.append("end"); }
    void semanticTokensRefresh() override { events.append("refresh"); }

    QStringList events;
    QJsonValue lastResult;
};

// A client library conversation with the scripted server; wire.log holds every body
// the server received, one a line.
class ServerTest : public TempDirTest
{
protected:
    void startServer(const QStringList &script, int logLevel = 1)
    {
        m_server = std::make_unique<Server>(QStringLiteral(LSP_FAKE_SERVER),
                                            QStringList{"-log", path("wire.log")} + script);
        m_server->setLog([this](const QString &entry) { m_log.append(entry); }, logLevel);
        QObject::connect(m_server.get(), &Server::initialized, [this] { ++m_initialized; });
        QObject::connect(m_server.get(), &Server::restarted, [this] { ++m_restarted; });
        ASSERT_TRUE(m_server->start());
        ASSERT_TRUE(waitFor([this] { return m_initialized > 0; }));
    }

    bool waitFor(const std::function<bool()> &done, int milliseconds = 5000)
    {
        QElapsedTimer timer;
        timer.start();
        while (!done() && !timer.hasExpired(milliseconds))
            m_server->waitForMessages(50);
        return done();
    }

    bool answered(int id) { return waitFor([&] { return !m_server->isPending(id); }); }

    QList<QByteArray> wire() const
    {
        QList<QByteArray> lines = read("wire.log").split('\n');
        lines.removeLast();
        return lines;
    }

    RecordingDocument m_document{"/src/a b.cpp", LanguageKind::Cpp};
    QStringList m_log;
    int m_initialized = 0;
    int m_restarted = 0;
    std::unique_ptr<Server> m_server;  // last: its end still logs
};

} // namespace

TEST_F(ServerTest, WritesEachMessageByteForByte)
{
    startServer({});
    m_server->didOpen(&m_document, "int main() {\n\treturn \"\xc3\xa4\";\n}\n");
    m_server->didChange(&m_document, {{1, 2}, {3, 4}}, "x\"y");
    m_server->didChange(&m_document);
    m_server->completion(&m_document, {5, 6}, 2, ".");
    m_server->rename(&m_document, {0, 1}, "n\\ew");
    m_server->formatting(&m_document, 4, false);
    m_server->signatureHelp(&m_document, {7, 8}, 1, true);
    m_server->didSave(&m_document);
    m_server->didClose(&m_document);
    ASSERT_TRUE(answered(m_server->shutdown()));
    m_server.reset();  // sends "exit"
    const char *uri = R"("uri":"file:///src/a%20b.cpp")";
    QList<QByteArray> lines = wire();
    ASSERT_FALSE(lines.isEmpty());
    EXPECT_TRUE(lines.takeFirst().startsWith(
        R"({"jsonrpc":"2.0","method":"initialize","id":1,"params":{)"));
    EXPECT_THAT(lines, ElementsAre(
        R"({"jsonrpc":"2.0","method":"initialized","params":{}})",
        R"({"jsonrpc":"2.0","method":"textDocument/didOpen","params":{"textDocument":)"
        R"({"languageId":"cpp","text":"int main() {\n\treturn \")" "\xc3\xa4"
        R"(\";\n}\n",)" + QByteArray(uri) + R"(,"version":1}}})",
        R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"contentChanges":)"
        R"([{"range":{"end":{"character":4,"line":3},"start":{"character":2,"line":1}},)"
        R"("text":"x\"y"}],"textDocument":{)" + QByteArray(uri) + R"(,"version":2}}})",
        R"({"jsonrpc":"2.0","method":"textDocument/didChange","params":{"contentChanges":[],)"
        R"("textDocument":{)" + QByteArray(uri) + R"(,"version":3}}})",
        R"({"jsonrpc":"2.0","method":"textDocument/completion","id":2,"params":)"
        R"({"textDocument":{)" + QByteArray(uri) + R"(},"position":{"character":6,"line":5},)"
        R"("context":{"triggerKind":2,"triggerCharacter":"."}}})",
        R"({"jsonrpc":"2.0","method":"textDocument/rename","id":3,"params":)"
        R"({"textDocument":{)" + QByteArray(uri) + R"(},"position":{"character":1,"line":0},)"
        R"("newName":"n\\ew"}})",
        R"({"jsonrpc":"2.0","method":"textDocument/formatting","id":4,"params":)"
        R"({"textDocument":{)" + QByteArray(uri) + R"(},"options":{"tabSize":4,)"
        R"("insertSpaces":false}}})",
        R"({"jsonrpc":"2.0","method":"textDocument/signatureHelp","id":5,"params":)"
        R"({"textDocument":{)" + QByteArray(uri) + R"(},"position":{"character":8,"line":7},)"
        R"("context":{"triggerKind":1,"isRetrigger":true}}})",
        R"({"jsonrpc":"2.0","method":"textDocument/didSave","params":{"textDocument":{)"
        + QByteArray(uri) + "}}}",
        R"({"jsonrpc":"2.0","method":"textDocument/didClose","params":{"textDocument":{)"
        + QByteArray(uri) + "}}}",
        R"({"jsonrpc":"2.0","method":"shutdown","id":6,"params":{}})",
        R"({"jsonrpc":"2.0","method":"exit","params":{}})"));
}

TEST_F(ServerTest, KeepsTheCapabilitiesOfTheInitializeAnswer)
{
    startServer({});
    EXPECT_EQ(m_server->semanticTokenTypes(), QStringList({"variable", "function"}));
    EXPECT_EQ(m_server->semanticTokenModifiers(), QStringList{"declaration"});
    EXPECT_EQ(m_server->completionTriggerCharacters(), QStringList({".", ">"}));
    EXPECT_EQ(m_server->onTypeFormattingFirstTriggerCharacter(), QChar('}'));
    EXPECT_EQ(m_server->onTypeFormattingMoreTriggerCharacters(), QStringList({";", "\n"}));
}

// One read holding a notification for the document, one for a file nobody opened, the
// response and a response to no request: one batch around the document's two messages.
TEST_F(ServerTest, OneReadIsOneBatch)
{
    startServer({"-on", "textDocument/hover", "batch"});
    m_server->didOpen(&m_document, "");
    const int id = m_server->hover(&m_document, {0, 0});
    ASSERT_TRUE(answered(id));
    EXPECT_THAT(m_document.events,
                ElementsAre("begin", "notification textDocument/publishDiagnostics",
                            "response textDocument/hover 2", "end"));
    EXPECT_THAT(m_log, Contains("URI not found (file:///nowhere.c)"));
    EXPECT_THAT(m_log, Contains("Unknown language server request id (12345)"));
}

TEST_F(ServerTest, RoutesErrorsRefreshesAndMultiByteResults)
{
    startServer({"-on", "textDocument/definition", "error", "-on", "textDocument/hover",
                 "refresh", "-on", "textDocument/declaration", "unicode"});
    int refreshes = 0;
    QObject::connect(m_server.get(), &Server::workspaceSemanticTokensRefresh,
                     [&] { ++refreshes; });
    m_server->didOpen(&m_document, "");
    ASSERT_TRUE(answered(m_server->definition(&m_document, {0, 0})));
    ASSERT_TRUE(answered(m_server->hover(&m_document, {0, 0})));
    ASSERT_TRUE(answered(m_server->declaration(&m_document, {0, 0})));
    EXPECT_THAT(m_document.events,
                ElementsAre("error -32601 no such method 2", "refresh", "begin",
                            "response textDocument/hover 3", "end", "begin",
                            "response textDocument/declaration 4", "end"));
    EXPECT_EQ(refreshes, 1);
    EXPECT_TRUE(wire().contains(R"({"jsonrpc":"2.0","id":"r1","result":null})"));
    EXPECT_EQ(m_document.lastResult.toString(), QString::fromUtf8("gr\xc3\xbc\xc3\x9f" "e "
                                                                  "\xe2\x86\x92 \xf0\x9f\x99\x82"));
}

TEST_F(ServerTest, SurvivesGarbageAndSplitMessages)
{
    startServer({"-on", "textDocument/hover", "garbage", "-on", "textDocument/definition",
                 "split"});
    m_server->didOpen(&m_document, "");
    ASSERT_TRUE(answered(m_server->hover(&m_document, {0, 0})));
    ASSERT_TRUE(answered(m_server->definition(&m_document, {0, 0})));
    EXPECT_THAT(m_document.events,
                ElementsAre("begin", "response textDocument/hover 2", "end", "begin",
                            "response textDocument/definition 3", "end"));
    EXPECT_THAT(m_log, Contains("refused Content-Length 99999999999"));
    EXPECT_EQ(m_log.filter("JSON parse error - ").size(), 1);
}

TEST_F(ServerTest, DropsExpiredRequestsAndTheirLateAnswers)
{
    startServer({"-on", "textDocument/hover", "late"});
    m_server->setRequestTimeout(100);
    m_server->didOpen(&m_document, "");
    const int id = m_server->hover(&m_document, {0, 0});
    EXPECT_FALSE(waitFor([&] { return !m_server->isPending(id); }, 200));
    m_server->expirePendingRequests();
    EXPECT_FALSE(m_server->isPending(id));
    EXPECT_TRUE(waitFor([&] { return m_log.contains("Unknown language server request id (2)"); }));
    EXPECT_TRUE(m_document.events.isEmpty());
    EXPECT_THAT(m_log, Contains("Language server request 2 (textDocument/hover) expired"));
}

TEST_F(ServerTest, ClosedDocumentGetsNothing)
{
    startServer({"-on", "textDocument/hover", "batch"});
    m_server->didOpen(&m_document, "");
    m_server->hover(&m_document, {0, 0});
    m_server->didClose(&m_document);
    EXPECT_TRUE(waitFor([&] { return m_log.contains("URI not found (file:///src/a%20b.cpp)"); }));
    EXPECT_TRUE(waitFor([&] { return m_log.contains("Unknown language server request id (2)"); }));
    EXPECT_TRUE(m_document.events.isEmpty());
}

// Ten restarts are allowed; the eleventh end of the process is final.
TEST_F(ServerTest, RestartsTenTimesAtMost)
{
    startServer({});
    m_server.reset();
    m_server = std::make_unique<Server>(QStringLiteral(LSP_FAKE_SERVER),
                                        QStringList{"-on", "initialize", "die"});
    m_server->setLog([this](const QString &entry) { m_log.append(entry); }, 1);
    QObject::connect(m_server.get(), &Server::restarted, [this] { ++m_restarted; });
    ASSERT_TRUE(m_server->start());
    EXPECT_TRUE(waitFor([&] { return !m_server->isRunning(); }));
    EXPECT_EQ(m_restarted, 10);
    EXPECT_EQ(m_server->restartCount(), 10);
    EXPECT_EQ(m_log.count("Restarting server"), 10);
    EXPECT_EQ(m_log.count("Language server process finished 3 0"), 11);
}

TEST_F(ServerTest, EndAfterShutdownIsNoFault)
{
    startServer({"-on", "shutdown", "exitafter"});
    m_server->shutdown();
    EXPECT_TRUE(waitFor([&] { return !m_server->isRunning(); }));
    EXPECT_EQ(m_restarted, 0);
    EXPECT_FALSE(m_log.contains("Restarting server"));
}

TEST(DocumentUriTest, EscapesReservedCharactersAndNonAscii)
{
    struct Row { const char *path; const char *uri; };
    const Row rows[] = {
        {"/home/u/main.c", "file:///home/u/main.c"},
        {"/a b/\xc3\xa9.c", "file:///a%20b/%C3%A9.c"},
        {"/x/!#$%&'()*+,;=@[]", "file:///x/%21%23%24%25%26%27%28%29%2A%2B%2C%3B%3D%40%5B%5D"},
        {"C:/p-q_r~s.t", "file://C:/p-q_r~s.t"},
    };
    for (const Row &row : rows) {
        SCOPED_TRACE(row.path);
        EXPECT_EQ(TextDocumentInterface::documentUri(QString::fromUtf8(row.path)),
                  QString::fromLatin1(row.uri));
    }
}

TEST(ClangdServerTest, FallbackFlagsAndProgramFromTheMacros)
{
    const QString parameters = ClangdServer::initializeParameters(
        {{"/inc one", false}, {"/sys", true}}, 4242);
    const QJsonObject initialize = QJsonDocument::fromJson(parameters.toUtf8()).object();
    EXPECT_EQ(QJsonDocument(initialize.value("initializationOptions").toObject())
                  .toJson(QJsonDocument::Compact),
              QByteArray(R"({"fallbackFlags":["-I","/inc one","-isystem","/sys"]})"));
    EXPECT_EQ(initialize.value("processId").toInt(), 4242);
    EXPECT_EQ(ClangdServer::programPath({{"CLANGD", "/opt/clangd"}}), "/opt/clangd");
    EXPECT_EQ(ClangdServer::programPath({{"StudioDir", "/studio"}}), "/studio/llvm/bin/clangd");
    const ClangdServer server({}, {});
    EXPECT_FALSE(server.completionAllowedAfterWord(1, "return"));
    EXPECT_TRUE(server.completionAllowedAfterWord(2, "return"));
    EXPECT_TRUE(server.completionAllowedAfterWord(1, "if"));
}
