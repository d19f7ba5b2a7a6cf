#include "parserexception.h"

ParserException::ParserException(const QString &message)
    : m_message(message), m_utf8(message.toUtf8())
{
}

ParserException::ParserException(const char *message)
    : ParserException(QString::fromUtf8(message))
{
}

const char *ParserException::what() const noexcept
{
    return m_utf8.constData();
}
