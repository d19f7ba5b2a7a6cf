#pragma once

#include <QString>

class QJsonValue;

namespace LanguageServer {

class Server;

/// Receives the traffic of a language server meant for one client: the server's
/// notifications and requests about the client's document, and the responses to the
/// requests the client made. Every operation does nothing by default, so a client
/// overrides only what it uses. Responses and requests from one read of the server's
/// output are bracketed by beginBatch() and endBatch().
class ClientInterface
{
public:
    virtual ~ClientInterface();

    virtual void notification(const QString &method, const QJsonValue &params);
    /// `id` is the server's own request id (a number or a string).
    virtual void serverRequest(const QString &method, const QJsonValue &params,
                               const QJsonValue &id);
    virtual void response(const QString &method, const QJsonValue &result, int id);
    virtual void error(int code, const QString &message, const QJsonValue &data, int id);
    virtual void beginBatch();
    virtual void endBatch();
    virtual void semanticTokensRefresh();
};

/// The languages a document can be in; the value is the document's language kind.
enum class LanguageKind { C = 1, Cpp = 2, CHeader = 3 };

/// An open editor document as the language server sees it: its URI, the version number
/// the server was last told and its language.
class TextDocumentInterface : public ClientInterface
{
public:
    TextDocumentInterface(const QString &filePath, LanguageKind kind);

    const QString &uri() const { return m_uri; }
    int version() const { return m_version; }
    LanguageKind languageKind() const { return m_kind; }

    /// "file://" and the path in UTF-8, with bytes from 0x80 up and the characters
    /// " !#$%&'()*+,;=@[]" written as "%XX" (upper-case hexadecimal).
    static QString documentUri(const QString &filePath);
    /// The protocol's language identifier: "cpp" for C++, "c" otherwise.
    static QString languageId(LanguageKind kind);

private:
    friend class Server;

    QString m_uri;
    int m_version = 0;  // incremented before every didOpen and didChange
    LanguageKind m_kind;
    int m_batchCount = 0;  // messages for this document in the current read
};

} // namespace LanguageServer
