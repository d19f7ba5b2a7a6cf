#include "exportbuilder.h"

#include "qtx/savefile.h"

#include <QDir>
#include <QFileInfo>

namespace {

// Spaces and colons in a make target or prerequisite need a backslash.
QString makeName(const QString &name)
{
    QString escaped = name;
    escaped.replace(QLatin1Char(' '), QLatin1String("\\ "));
    escaped.replace(QLatin1Char(':'), QLatin1String("\\:"));
    escaped.replace(QLatin1Char('$'), QLatin1String("$$"));
    return escaped;
}

QString commandText(const QStringList &arguments)
{
    QStringList words;
    for (const QString &argument : arguments)
        words.append(ExportBuilder::shellWord(argument));
    return words.join(QLatin1Char(' '));
}

} // namespace

ExportBuilder::ExportBuilder(const QString &makefile) : m_makefile(makefile)
{
}

QString ExportBuilder::shellWord(const QString &argument)
{
    static const QString plain = QStringLiteral(
        "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789-_./=+,@%:");
    bool needsQuotes = argument.isEmpty();
    for (const QChar c : argument) {
        if (!plain.contains(c))
            needsQuotes = true;
    }
    QString word = argument;
    word.replace(QLatin1Char('$'), QLatin1String("$$"));
    if (!needsQuotes)
        return word;
    word.replace(QLatin1Char('\''), QLatin1String("'\\''"));
    return "'" + word + "'";
}

void ExportBuilder::beginGroup(const ProjectElement *, const QString &title, const QString &,
                               quint32)
{
    m_groupTitle = title;
    m_groupRule = -1;
}

void ExportBuilder::endGroup(const ProjectElement *, const QString &)
{
    m_groupRule = -1;
}

ExportBuilder::Rule &ExportBuilder::ruleForCommand(const QString &outputFile)
{
    if (outputFile.isEmpty() && m_groupRule >= 0)
        return m_rules[m_groupRule];
    Rule rule;
    rule.target = outputFile.isEmpty() ? QStringLiteral("step%1").arg(++m_steps) : outputFile;
    rule.title = m_groupTitle;
    m_rules.append(rule);
    m_groupRule = m_rules.size() - 1;
    return m_rules.last();
}

void ExportBuilder::runCommand(const QString &directory, const QStringList &arguments,
                               const QString &outputFile)
{
    Rule &rule = ruleForCommand(outputFile);
    if (!outputFile.isEmpty()) {
        m_outputs.insert(outputFile);
        rule.recipe.append("mkdir -p " + shellWord(QFileInfo(outputFile).absolutePath()));
    }
    for (const QString &file : qAsConst(m_pendingRemovals))
        rule.recipe.append("rm -f " + shellWord(file));
    m_pendingRemovals.clear();
    const QDir base(directory);
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments[i];
        if ((argument == QLatin1String("-o") || argument == QLatin1String("-MF"))
            && i + 1 < arguments.size()) {
            if (argument == QLatin1String("-MF"))
                m_dependencyFiles.append(base.absoluteFilePath(arguments[i + 1]));
            ++i;
            continue;
        }
        if (argument.startsWith(QLatin1Char('-')))
            continue;
        const QString path = QDir::cleanPath(base.absoluteFilePath(argument));
        if (path == outputFile || rule.inputs.contains(path))
            continue;
        if (m_outputs.contains(path) || QFileInfo(path).isFile())
            rule.inputs.append(path);
    }
    rule.recipe.append("cd " + shellWord(directory) + " && " + commandText(arguments));
}

void ExportBuilder::error(const QString &text)
{
    m_errors.append(text);
}

void ExportBuilder::writeFile(const QString &fileName, const QStringList &lines)
{
    const QString stored = QFileInfo(m_makefile).absoluteDir().absoluteFilePath(
        QStringLiteral("File%1.txt").arg(++m_writtenFiles));
    QByteArray text;
    for (const QString &line : lines)
        text += line.toUtf8() + '\n';
    QString reason;
    if (!QTx::SaveFile::writeFile(stored, text, &reason)) {
        m_errors.append(reason);
        return;
    }
    Rule rule;
    rule.target = fileName;
    rule.title = m_groupTitle;
    rule.inputs.append(stored);
    rule.recipe.append("mkdir -p " + shellWord(QFileInfo(fileName).absolutePath()));
    rule.recipe.append("cp " + shellWord(stored) + " " + shellWord(fileName));
    m_rules.append(rule);
    m_outputs.insert(fileName);
}

void ExportBuilder::removeFile(const QString &fileName, bool)
{
    m_pendingRemovals.append(fileName);
}

void ExportBuilder::jobCreated(const ProjectElement *, const QString &, quint32, int,
                               const QList<int> &)
{
    m_groupRule = -1;
}

QByteArray ExportBuilder::makefileText() const
{
    QStringList targets;
    for (const Rule &rule : m_rules)
        targets.append(makeName(rule.target));
    QString text = "# Build steps exported as a makefile; run with GNU make -f <this file>.\n"
                   ".PHONY: all\n"
                   "all: " + targets.join(QLatin1Char(' ')) + "\n";
    for (const Rule &rule : m_rules) {
        QStringList inputs;
        for (const QString &input : rule.inputs)
            inputs.append(makeName(input));
        text += "\n# " + rule.title + "\n";
        if (rule.target.startsWith(QLatin1String("step")) && !rule.target.contains('/'))
            text += ".PHONY: " + rule.target + "\n";
        text += makeName(rule.target) + ":";
        if (!inputs.isEmpty())
            text += " " + inputs.join(QLatin1Char(' '));
        text += "\n";
        for (const QString &line : rule.recipe)
            text += "\t" + line + "\n";
    }
    if (!m_dependencyFiles.isEmpty()) {
        QStringList files;
        for (const QString &file : m_dependencyFiles)
            files.append(makeName(file));
        text += "\n# Headers, as the compiler found them on the last build.\n-include "
                + files.join(QLatin1Char(' ')) + "\n";
    }
    return text.toUtf8();
}

bool ExportBuilder::finish()
{
    QString reason;
    if (!QTx::SaveFile::writeFile(m_makefile, makefileText(), &reason)) {
        m_errors.append(reason);
        return false;
    }
    return true;
}
