#include "diagnosticsink.h"

#include <QTextCodec>

namespace {
DiagnosticSink *currentSink = nullptr;
}

DiagnosticSink::DiagnosticSink(const QByteArray &programName, std::ostream &stream)
    : m_programName(programName), m_stream(stream), m_previous(currentSink)
{
    currentSink = this;
}

DiagnosticSink::~DiagnosticSink()
{
    if (currentSink == this)
        currentSink = m_previous;
}

std::ostream &DiagnosticSink::error()
{
    ++m_errorCount;
    m_stream.clear();  // a text the previous message could not encode must not mute this one
    m_stream << m_programName.constData() << ": error: ";
    return m_stream;
}

DiagnosticSink *DiagnosticSink::instance()
{
    return currentSink;
}

std::ostream &operator<<(std::ostream &stream, const QString &text)
{
    QTextCodec *codec = QTextCodec::codecForLocale();
    if (codec && !codec->canEncode(text)) {
        stream.setstate(std::ios::failbit);
        return stream;
    }
    const QByteArray bytes = text.toLocal8Bit();
    return stream.write(bytes.constData(), bytes.size());
}
