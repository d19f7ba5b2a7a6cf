#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <exception>

/// The one error of the Forth system: a THROW code and, for the errors the system raises
/// itself, a message text naming the culprit ("FOO" for an undefined word). CATCH hands
/// the code to the program; otherwise text() is what the user sees. The source name and
/// line are filled in by the innermost input source the exception leaves.
class ForthException : public std::exception
{
public:
    explicit ForthException(int64_t code, const QByteArray &message = QByteArray())
        : m_code(code), m_message(message) {}

    int64_t code() const { return m_code; }
    const QByteArray &message() const { return m_message; }

    /// The text shown for the exception: the message of its code, then ": " and its own
    /// message when it has one; codes -1 and -2 show their own message alone when they
    /// have one; a code without a message shows as "CODE THROW undefined".
    QByteArray text() const;
    /// The message of a THROW code, or an empty text for a code outside the table.
    static QByteArray codeMessage(int64_t code);

    bool hasLocation() const { return m_located; }
    void setLocation(const QString &sourceName, int line);
    const QString &sourceName() const { return m_sourceName; }
    int line() const { return m_line; }

    const char *what() const noexcept override;

private:
    int64_t m_code;
    QByteArray m_message;
    QString m_sourceName;
    int m_line = 0;
    bool m_located = false;
    mutable QByteArray m_what;
};
