#pragma once

#include <QByteArray>
#include <QStringList>

#include <optional>

namespace LanguageServer {

/// Splits the output stream of a language server into message bodies. Bytes are
/// appended as they arrive, in pieces of any size; next() hands out each body once it
/// is complete and keeps the partial rest for later reads.
///
/// A message is a header of lines, each ended by CR LF, then an empty line and the body:
///
///     Content-Length: 52\r\n
///     \r\n
///     {"jsonrpc":"2.0","id":1,"result":{"contents":"..."}}
///
/// The length counts bytes, not characters. Header lines other than Content-Length are
/// skipped; a header without a usable length has no body, and reading goes on with the
/// next header. Garbage between messages is therefore read as header lines and dropped.
class MessageReader
{
public:
    void append(const QByteArray &bytes);
    /// The next complete body; nothing while more bytes are needed.
    std::optional<QByteArray> next();
    /// Forgets everything received so far, partial header and body included.
    void reset();
    /// What was refused since the last call ("refused Content-Length 99999999999"),
    /// for the caller's log.
    QStringList takeErrors();

    /// A longer body is refused without allocating it: no server answer comes near.
    static constexpr qint64 maxBodyLength = 64 * 1024 * 1024;
    /// A header line is never longer; more bytes without a line end are dropped.
    static constexpr int maxHeaderLineLength = 64 * 1024;

private:
    std::optional<QByteArray> readBody();
    void readHeaderLine(const QByteArray &line);
    void compact();

    QByteArray m_input;
    int m_position = 0;       // bytes of m_input already consumed
    qint64 m_headerLength = 0;  // Content-Length of the header being read
    bool m_collecting = false;  // reading a body of m_bodyLength bytes
    bool m_discardingLine = false;  // the rest of an overlong header line
    qint64 m_bodyLength = 0;
    QByteArray m_body;
    QStringList m_errors;
};

} // namespace LanguageServer
