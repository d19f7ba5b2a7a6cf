#pragma once

#include "builder.h"
#include "process.h"

#include <QStringList>

#include <functional>
#include <memory>

/// Runs an external tool (a user's command from the tools menu) through the build's
/// command handling, without a build log: the tool's output goes, line by line, to a
/// callback, and errors are kept for the caller.
class ToolStudioBuilder : public Builder
{
public:
    /// `output` receives each line the tool writes, with its stream (0 standard output,
    /// 1 standard error).
    explicit ToolStudioBuilder(std::function<void(int, const QString &)> output);
    ~ToolStudioBuilder() override;

    void beginGroup(const ProjectElement *node, const QString &title,
                    const QString &configuration, quint32 flags) override;
    void endGroup(const ProjectElement *node, const QString &configuration) override;
    void runCommand(const QString &directory, const QStringList &arguments,
                    const QString &outputFile) override;
    bool waitCommand(const ProjectElement *node, const QString &configuration,
                     int *status) override;
    void error(const QString &text) override;
    void cancel() override;

    const QStringList &errors() const { return m_errors; }

private:
    class ToolProcess;

    std::function<void(int, const QString &)> m_output;
    std::unique_ptr<ToolProcess> m_process;
    QStringList m_errors;
    bool m_started = false;
};
