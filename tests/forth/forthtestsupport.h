#pragma once

#include "forth/forthexception.h"
#include "forth/forthinterpreter.h"

#include <QByteArray>
#include <QString>

#include <gtest/gtest.h>

#include <string>

/// Interprets `text` as user input and answers what it printed, then, when it failed,
/// "|" and the exception's text.
inline QByteArray runForth(ForthInterpreter &forth, const QByteArray &text,
                           const QString &sourceName = QStringLiteral("test"))
{
    QByteArray output;
    forth.setOutput([&output](const char *data, std::size_t size) {
        output.append(data, int(size));
    });
    try {
        forth.evaluate(text, sourceName);
    } catch (const ForthException &error) {
        output += '|' + error.text();
    }
    return output;
}

inline QByteArray runForth(const QByteArray &text)
{
    ForthInterpreter forth;
    return runForth(forth, text);
}

/// One row of a word table: the text interpreted in a fresh system and its result as
/// runForth() gives it.
struct ForthCase
{
    const char *name;
    std::string text;
    const char *result;
};

inline std::string caseName(const testing::TestParamInfo<ForthCase> &info)
{
    return info.param.name;
}
