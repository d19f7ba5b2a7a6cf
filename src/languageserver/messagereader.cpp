#include "messagereader.h"

namespace LanguageServer {

namespace {

const QByteArray contentLength = "Content-Length:";

QString longLineError()
{
    return QStringLiteral("dropped a header line of more than %1 bytes")
        .arg(MessageReader::maxHeaderLineLength);
}

} // namespace

void MessageReader::append(const QByteArray &bytes)
{
    m_input += bytes;
}

std::optional<QByteArray> MessageReader::next()
{
    for (;;) {
        if (m_collecting)
            return readBody();
        const int end = m_input.indexOf('\n', m_position);
        if (end < 0) {
            if (m_input.size() - m_position > maxHeaderLineLength) {
                if (!m_discardingLine)
                    m_errors.append(longLineError());
                m_discardingLine = true;  // up to its line end, wherever that comes
                m_position = m_input.size();
            }
            compact();
            return std::nullopt;
        }
        QByteArray line = m_input.mid(m_position, end - m_position);
        m_position = end + 1;
        // A line is dropped alike whether it came whole or overflowed in pieces.
        if (m_discardingLine || line.size() > maxHeaderLineLength) {
            if (!m_discardingLine)
                m_errors.append(longLineError());
            m_discardingLine = false;
            continue;
        }
        if (line.endsWith('\r'))
            line.chop(1);
        readHeaderLine(line);
    }
}

// header-line -> "Content-Length:" decimal | other-field | ""
// The empty line ends the header; the body follows when the length was positive.
void MessageReader::readHeaderLine(const QByteArray &line)
{
    if (line.isEmpty()) {
        if (m_headerLength > 0) {
            m_collecting = true;
            m_bodyLength = m_headerLength;
            m_body.clear();
        }
        m_headerLength = 0;
        return;
    }
    if (!line.startsWith(contentLength))
        return;
    const QByteArray digits = line.mid(contentLength.size()).trimmed();
    bool ok = false;
    const qint64 length = digits.toLongLong(&ok);
    if (!ok || length < 0) {
        m_errors.append("bad Content-Length '" + QString::fromLatin1(digits.left(40)) + "'");
        m_headerLength = 0;
    } else if (length > maxBodyLength) {
        m_errors.append(QStringLiteral("refused Content-Length %1").arg(length));
        m_headerLength = 0;
    } else {
        m_headerLength = length;
    }
}

std::optional<QByteArray> MessageReader::readBody()
{
    const qint64 wanted = m_bodyLength - m_body.size();
    const int available = m_input.size() - m_position;
    const int taken = int(qMin<qint64>(wanted, available));
    if (m_body.isEmpty() && taken == wanted) {
        m_body = m_input.mid(m_position, taken);  // the common case: one copy
    } else {
        m_body.append(m_input.constData() + m_position, taken);
    }
    m_position += taken;
    if (m_body.size() < m_bodyLength) {
        compact();
        return std::nullopt;
    }
    m_collecting = false;
    QByteArray body;
    body.swap(m_body);
    return body;
}

// Consumed bytes are dropped once nothing or little is left after them, so that a
// large read is not copied again for every message it holds.
void MessageReader::compact()
{
    if (m_position == m_input.size()) {
        m_input.clear();
        m_position = 0;
    } else if (m_position > m_input.size() / 2) {
        m_input.remove(0, m_position);
        m_position = 0;
    }
}

void MessageReader::reset()
{
    m_input.clear();
    m_position = 0;
    m_headerLength = 0;
    m_collecting = false;
    m_bodyLength = 0;
    m_body.clear();
    m_discardingLine = false;
}

QStringList MessageReader::takeErrors()
{
    QStringList errors;
    errors.swap(m_errors);
    return errors;
}

} // namespace LanguageServer
