#pragma once

#include <QByteArray>
#include <QString>

#include <exception>

/// The exception of the file and format code: it carries one short message text
/// ("invalid checksum", "bad table of contents") that the tool boundary prints.
class HException : public std::exception
{
public:
    explicit HException(const QString &message);
    explicit HException(const char *message);

    const QString &message() const { return m_message; }
    const char *what() const noexcept override;  // the message in UTF-8

private:
    QString m_message;
    QByteArray m_utf8;
};
