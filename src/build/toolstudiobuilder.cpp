#include "toolstudiobuilder.h"

#include <memory>

// Splits the tool's output into lines as it arrives; a partial line waits for the rest.
class ToolStudioBuilder::ToolProcess : public Process
{
public:
    explicit ToolProcess(std::function<void(int, const QString &)> *output) : m_output(output)
    {
    }

    void flush()
    {
        for (int stream = 0; stream < 2; ++stream) {
            if (!m_pending[stream].isEmpty())
                deliver(stream, m_pending[stream]);
            m_pending[stream].clear();
        }
    }

protected:
    void output(int stream, const QByteArray &bytes) override
    {
        QByteArray &pending = m_pending[stream & 1];
        pending += bytes;
        int end;
        while ((end = pending.indexOf('\n')) >= 0) {
            deliver(stream, pending.left(end));
            pending.remove(0, end + 1);
        }
    }

private:
    void deliver(int stream, const QByteArray &line)
    {
        if (*m_output)
            (*m_output)(stream, QString::fromUtf8(line));
    }

    std::function<void(int, const QString &)> *m_output;
    QByteArray m_pending[2];
};

ToolStudioBuilder::ToolStudioBuilder(std::function<void(int, const QString &)> output)
    : m_output(std::move(output)), m_process(std::make_unique<ToolProcess>(&m_output))
{
}

ToolStudioBuilder::~ToolStudioBuilder() = default;

void ToolStudioBuilder::beginGroup(const ProjectElement *, const QString &, const QString &,
                                   quint32)
{
}

void ToolStudioBuilder::endGroup(const ProjectElement *, const QString &)
{
}

void ToolStudioBuilder::runCommand(const QString &directory, const QStringList &arguments,
                                   const QString &)
{
    QString reason;
    m_started = m_process->start(directory, arguments, &reason);
    if (!m_started)
        error("Error starting process " + arguments.value(0));
}

bool ToolStudioBuilder::waitCommand(const ProjectElement *, const QString &, int *status)
{
    if (!m_started) {
        *status = 127;
        return true;
    }
    if (!m_process->poll(status))
        return false;
    m_process->flush();
    m_started = false;
    return true;
}

void ToolStudioBuilder::error(const QString &text)
{
    m_errors.append(text);
}

void ToolStudioBuilder::cancel()
{
    m_process->kill();
    m_started = false;
}
