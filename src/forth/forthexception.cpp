#include "forthexception.h"

#include <iterator>

namespace {

struct ThrowMessage
{
    int code;
    const char *text;
};

// The messages of the THROW codes the system knows; every other code is "undefined".
constexpr ThrowMessage throwMessages[] = {
    {-1, "abort thrown"},
    {-2, "abort thrown"},
    {-3, "stack underflow"},
    {-4, "stack overflow"},
    {-5, "return stack overflow"},
    {-6, "return stack underflow"},
    {-7, "loop stack overflow"},
    {-9, "invalid address"},
    {-10, "divide by zero"},
    {-12, "argument type mismatch"},
    {-13, "undefined word"},
    {-14, "interpreting a compile-only word"},
    {-17, "string buffer overflow"},
    {-20, "write error"},
    {-21, "unsupported operation"},
    {-22, "control structure mismatch"},
    {-23, "misaligned address"},
    {-24, "invalid argument"},
    {-25, "return stack imbalance"},
    {-26, "loop parameters unavailable"},
    {-27, "invalid recursion"},
    {-28, "user interrupt"},
    {-30, "olsolescent feature"},
    {-31, ">BODY error"},
    {-36, "invalid file position"},
    {-37, "file I/O exception"},
    {-38, "non-existent file"},
    {-39, "unexpected EOF"},
    {-49, "search order overflow"},
    {-50, "search order underflow"},
    {-53, "exception stack overflow"},
    {-57, "receive/transmit exception"},
    {-256, "no current definition"},
    {-257, "LEAVE not in DO"},
    {-264, "no DO loop"},
    {-265, "host execution of this word not supported"},
    {-266, "invalid wordlist"},
    {-267, "unimplemented word"},
    {-268, "no store method defined"},
    {-269, "out of context"},
    {-270, "sealed definition"},
};

} // namespace

QByteArray ForthException::codeMessage(int64_t code)
{
    for (const ThrowMessage &entry : throwMessages) {
        if (entry.code == code)
            return QByteArray(entry.text);
    }
    return QByteArray();
}

QByteArray ForthException::text() const
{
    if ((m_code == -1 || m_code == -2) && !m_message.isEmpty())
        return m_message;
    QByteArray text = codeMessage(m_code);
    if (text.isEmpty())
        text = QByteArray::number(qlonglong(m_code)) + " THROW undefined";
    if (!m_message.isEmpty())
        text += ": " + m_message;
    return text;
}

void ForthException::setLocation(const QString &sourceName, int line)
{
    m_sourceName = sourceName;
    m_line = line;
    m_located = true;
}

const char *ForthException::what() const noexcept
{
    m_what = text();
    return m_what.constData();
}
