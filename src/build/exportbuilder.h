#pragma once

#include "builder.h"

#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

/// Writes a build's steps out as a makefile instead of running them, so that GNU make can
/// build the same outputs: an "all:" rule names every output, and each command with an
/// output file becomes one rule "output: inputs" whose recipe makes the output's
/// directory ("mkdir -p") and runs the command in its working directory. The inputs are
/// the command's arguments that name existing files or the outputs of earlier rules;
/// dependency files the compiler writes (-MF) are included, so that make sees headers.
/// Commands without an output join the recipe of the rule before them in the same
/// group, or become a step of their own. Files the build writes (writeFile) are stored
/// beside the makefile as File1.txt, File2.txt, ... and copied into place by a rule.
class ExportBuilder : public Builder, public Idler
{
public:
    /// `makefile` is the file finish() writes (conventionally with the extension .mak).
    explicit ExportBuilder(const QString &makefile);

    void beginGroup(const ProjectElement *node, const QString &title,
                    const QString &configuration, quint32 flags) override;
    void endGroup(const ProjectElement *node, const QString &configuration) override;
    void runCommand(const QString &directory, const QStringList &arguments,
                    const QString &outputFile) override;
    void error(const QString &text) override;
    BuildLog *buildLog() override { return nullptr; }
    void writeFile(const QString &fileName, const QStringList &lines) override;
    void removeFile(const QString &fileName, bool ignoreFailure) override;
    void jobCreated(const ProjectElement *node, const QString &configuration, quint32 options,
                    int sequence, const QList<int> &dependencies) override;

    /// Writes the makefile; false with errorString() set when it cannot be written.
    bool finish();
    /// The errors the build reported while it was exported, and a write failure.
    const QStringList &errors() const { return m_errors; }
    QString errorString() const { return m_errors.join(QLatin1Char('\n')); }
    QByteArray makefileText() const;

    /// `argument` quoted for the shell when it needs it, with "$" doubled for make.
    static QString shellWord(const QString &argument);

private:
    struct Rule
    {
        QString target;
        QStringList inputs;
        QStringList recipe;
        QString title;
    };

    Rule &ruleForCommand(const QString &outputFile);

    QString m_makefile;
    QList<Rule> m_rules;
    QSet<QString> m_outputs;
    QStringList m_dependencyFiles;
    QStringList m_pendingRemovals;
    QStringList m_errors;
    QString m_groupTitle;
    int m_groupRule = -1;  // the rule the current group's last command went to
    int m_writtenFiles = 0;
    int m_steps = 0;
};
