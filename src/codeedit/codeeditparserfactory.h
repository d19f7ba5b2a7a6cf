#pragma once

#include <QString>
#include <QStringList>

#include <memory>

class CodeEditParser;

/// Makes the parser for a language, named in lower case ("python", "cpp", ...) or
/// inferred from a file name.
class CodeEditParserFactory
{
public:
    /// A fresh parser in state 0, or null for an unknown language name.
    static std::unique_ptr<CodeEditParser> create(const QString &language);
    /// The language of a file by its name ("CMakeLists.txt") or extension, compared
    /// without regard to case; empty when no language claims it.
    static QString languageForFileName(const QString &fileName);
    static std::unique_ptr<CodeEditParser> createForFileName(const QString &fileName);

    /// Every language name, in a fixed order.
    static QStringList languages();
    /// The file-name extensions (without the dot) and whole file names of a language.
    static QStringList extensions(const QString &language);
    static QStringList fileNames(const QString &language);
};
