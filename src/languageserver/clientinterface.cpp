#include "clientinterface.h"

#include <QJsonValue>

namespace LanguageServer {

ClientInterface::~ClientInterface() = default;

void ClientInterface::notification(const QString &, const QJsonValue &) {}

void ClientInterface::serverRequest(const QString &, const QJsonValue &, const QJsonValue &) {}

void ClientInterface::response(const QString &, const QJsonValue &, int) {}

void ClientInterface::error(int, const QString &, const QJsonValue &, int) {}

void ClientInterface::beginBatch() {}

void ClientInterface::endBatch() {}

void ClientInterface::semanticTokensRefresh() {}

TextDocumentInterface::TextDocumentInterface(const QString &filePath, LanguageKind kind)
    : m_uri(documentUri(filePath)), m_kind(kind)
{
}

QString TextDocumentInterface::documentUri(const QString &filePath)
{
    static const QByteArray reserved = " !#$%&'()*+,;=@[]";
    static const char hexDigits[] = "0123456789ABCDEF";
    QByteArray uri = "file://";
    const QByteArray path = filePath.toUtf8();
    uri.reserve(uri.size() + path.size());
    for (const char c : path) {
        const uchar byte = uchar(c);
        if (byte >= 0x80 || reserved.contains(c)) {
            uri += '%';
            uri += hexDigits[byte >> 4];
            uri += hexDigits[byte & 0xf];
        } else {
            uri += c;
        }
    }
    return QString::fromLatin1(uri);
}

QString TextDocumentInterface::languageId(LanguageKind kind)
{
    return kind == LanguageKind::Cpp ? QStringLiteral("cpp") : QStringLiteral("c");
}

} // namespace LanguageServer
