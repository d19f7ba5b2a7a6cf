#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

/// The exception of the expression language: lexing, parsing and evaluation errors all
/// unwind with one message text that the user sees as it stands ("divide by zero").
class ParserException : public std::exception
{
public:
    explicit ParserException(const QString &message);
    explicit ParserException(const char *message);

    const QString &message() const { return m_message; }
    const char *what() const noexcept override;  // the message in UTF-8

private:
    QString m_message;
    QByteArray m_utf8;
};
