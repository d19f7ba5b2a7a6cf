// A scripted language server for the client's tests: it speaks the protocol on its
// standard input and output and answers each request as the command line says.
//
//   fakeserver [-log FILE] [-once FILE] [-on METHOD ACTION]...
//
// Requests are answered with {"method":...,"params":...} unless an -on rule names
// another action for their method. -log appends every body received, one per line.
// -once makes "die" and "halfdie" act only while FILE does not exist (they create it),
// so that the restarted server behaves.

#include <QByteArray>
#include <QFile>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>

#include <cstdlib>
#include <string>
#include <thread>
#include <unistd.h>

namespace {

QHash<QByteArray, QByteArray> actions;
QByteArray logFile;
QByteArray onceFile;
QByteArray openedUri;

void writeAll(const QByteArray &bytes)
{
    for (qsizetype done = 0; done < bytes.size();) {
        const ssize_t n = ::write(1, bytes.constData() + done, size_t(bytes.size() - done));
        if (n <= 0)
            std::exit(2);
        done += n;
    }
}

QByteArray frame(const QByteArray &body)
{
    return "Content-Length: " + QByteArray::number(body.size()) + "\r\n\r\n" + body;
}

QByteArray reply(int id, const QByteArray &resultJson)
{
    return frame(R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id) + R"(,"result":)"
                 + resultJson + "}");
}

QByteArray notification(const QByteArray &method, const QByteArray &uri)
{
    return frame(R"({"jsonrpc":"2.0","method":")" + method + R"(","params":{"uri":")" + uri
                 + R"(","diagnostics":[]}})");
}

bool firstTime()
{
    if (onceFile.isEmpty())
        return true;
    QFile marker(QString::fromLocal8Bit(onceFile));
    if (marker.exists())
        return false;
    marker.open(QIODevice::WriteOnly);
    return true;
}

const char capabilities[] =
    R"({"capabilities":{"completionProvider":{"triggerCharacters":[".",">"]},)"
    R"("documentOnTypeFormattingProvider":{"firstTriggerCharacter":"}",)"
    R"("moreTriggerCharacter":[";","\n"]},)"
    R"("semanticTokensProvider":{"legend":{"tokenTypes":["variable","function"],)"
    R"("tokenModifiers":["declaration"]}}}})";

void answer(const QJsonObject &message)
{
    const QByteArray method = message.value("method").toString().toUtf8();
    const int id = message.value("id").toInt();
    const QByteArray action = actions.value(method, method == "initialize" ? "init" : "echo");
    const QByteArray echo = QJsonDocument(QJsonObject{{"method", message.value("method")},
                                                      {"params", message.value("params")}})
                                .toJson(QJsonDocument::Compact);
    if (action == "init") {
        writeAll(reply(id, capabilities));
    } else if (action == "echo") {
        writeAll(reply(id, echo));
    } else if (action == "silent") {
    } else if (action == "die") {
        if (firstTime())
            std::exit(3);
        writeAll(reply(id, echo));
    } else if (action == "halfdie") {
        if (firstTime()) {
            writeAll(reply(id, echo).left(30));
            std::exit(3);
        }
        writeAll(reply(id, echo));
    } else if (action == "split") {
        const QByteArray bytes = reply(id, echo);
        for (int i = 0; i < bytes.size(); i += 7) {
            writeAll(bytes.mid(i, 7));
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
    } else if (action == "garbage") {
        writeAll("garbage line\r\n\r\nContent-Length: 99999999999\r\n\r\n"
                 "Content-Length: 7\r\n\r\n{broken" + reply(id, echo));
    } else if (action == "error") {
        writeAll(frame(R"({"jsonrpc":"2.0","id":)" + QByteArray::number(id)
                       + R"(,"error":{"code":-32601,"message":"no such method"}})"));
    } else if (action == "late") {
        std::this_thread::sleep_for(std::chrono::milliseconds(400));
        writeAll(reply(id, echo));
    } else if (action == "batch") {
        writeAll(notification("textDocument/publishDiagnostics", openedUri)
                 + notification("textDocument/publishDiagnostics", "file:///nowhere.c")
                 + reply(id, echo) + reply(12345, "null"));
    } else if (action == "refresh") {
        writeAll(frame(R"({"jsonrpc":"2.0","id":"r1","method":"workspace/semanticTokens/refresh",)"
                       R"("params":null})") + reply(id, echo));
    } else if (action == "unicode") {
        writeAll(reply(id, "\"gr\xc3\xbc\xc3\x9f" "e \xe2\x86\x92 \xf0\x9f\x99\x82\""));
    } else if (action == "exitafter") {
        writeAll(reply(id, "null"));
        std::exit(0);
    }
}

void handle(const QByteArray &body)
{
    if (!logFile.isEmpty()) {
        QFile log(QString::fromLocal8Bit(logFile));
        log.open(QIODevice::Append);
        log.write(body + '\n');
    }
    const QJsonObject message = QJsonDocument::fromJson(body).object();
    const QByteArray method = message.value("method").toString().toUtf8();
    if (method.isEmpty()) {
        // a response to a request of ours
    } else if (message.contains("id")) {
        answer(message);
    } else if (method == "exit") {
        std::exit(0);
    } else if (method == "textDocument/didOpen") {
        openedUri = message.value("params").toObject().value("textDocument").toObject()
                        .value("uri").toString().toUtf8();
        if (actions.value(method) == "diagnose")
            writeAll(notification("textDocument/publishDiagnostics", openedUri));
    }
}

} // namespace

int main(int argc, char *argv[])
{
    for (int i = 1; i + 1 < argc; i += 2) {
        const QByteArray option = argv[i];
        if (option == "-log") {
            logFile = argv[i + 1];
        } else if (option == "-once") {
            onceFile = argv[i + 1];
        } else if (option == "-on" && i + 2 < argc) {
            actions.insert(argv[i + 1], argv[i + 2]);
            ++i;
        }
    }
    QByteArray input;
    long length = -1;
    char chunk[65536];
    for (;;) {
        const int end = input.indexOf("\r\n\r\n");
        if (length < 0 && end >= 0) {
            const int at = input.indexOf("Content-Length: ");
            length = at >= 0 && at < end ? std::atol(input.constData() + at + 16) : 0;
            input.remove(0, end + 4);
            continue;
        }
        if (length >= 0 && input.size() >= length) {
            handle(input.left(int(length)));
            input.remove(0, int(length));
            length = -1;
            continue;
        }
        const ssize_t n = ::read(0, chunk, sizeof chunk);
        if (n <= 0)
            return 0;
        input.append(chunk, int(n));
    }
}
