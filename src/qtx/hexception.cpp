#include "hexception.h"

HException::HException(const QString &message)
    : m_message(message), m_utf8(message.toUtf8())
{
}

HException::HException(const char *message)
    : HException(QString::fromUtf8(message))
{
}

const char *HException::what() const noexcept
{
    return m_utf8.constData();
}
