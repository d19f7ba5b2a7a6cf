#pragma once

#include "esvalue.h"

#include <QByteArray>
#include <QString>

#include <exception>

/// A script error on its way to the evaluate operation: the thrown value, normally an
/// error object with "message", "fileName", "lineNumber" and "sourceLine". It unwinds
/// through script and native frames alike; scripts cannot catch it.
class ESException : public std::exception
{
public:
    explicit ESException(const ESValue &value) : m_value(value) {}
    const ESValue &value() const { return m_value; }
    const char *what() const noexcept override { return "uncaught script exception"; }

private:
    ESValue m_value;
};

/// An engine fault ("virtual machine stack too small", a value with an impossible tag).
/// Evaluate does not catch it; it passes to the embedding code.
class ESFatalError : public std::exception
{
public:
    explicit ESFatalError(const QString &message) : m_message(message), m_utf8(message.toUtf8())
    {
    }
    const QString &message() const { return m_message; }
    const char *what() const noexcept override { return m_utf8.constData(); }

private:
    QString m_message;
    QByteArray m_utf8;
};
