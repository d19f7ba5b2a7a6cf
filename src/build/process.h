#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <sys/types.h>

#include <vector>

/// One child process run without blocking the caller: start() spawns it with its
/// standard output and error on two pipes, poll() hands over what it wrote (through
/// output()) and tells whether it has ended, kill() ends it.
///
/// Arguments that are shell-style output redirections are not passed to the program but
/// redirect its output: ">" or "1>" (standard output), "2>" (standard error) and "&>"
/// (both) truncate the file, the same with ">>" append; the file name follows in the
/// same argument (">log.txt") or in the next one ("2>>", "log.txt").
class Process
{
public:
    Process();
    virtual ~Process();  // kills a child that still runs
    Process(const Process &) = delete;
    Process &operator=(const Process &) = delete;

    /// Starts `arguments` (program first) in `directory` (the current one when empty).
    /// A program without "/" is searched in PATH. False with a message in `error`
    /// ("no such program", the system's reason) when the child could not be started.
    bool start(const QString &directory, const QStringList &arguments, QString *error);
    /// Waits at most `timeoutMs` for output, delivers it and returns true once the child
    /// has ended, with its exit status in `status`: the exit code taken as a signed
    /// 8-bit value, the signal number for a child killed by a signal, 1 for a stopped
    /// child. With no child running it returns the last status at once.
    bool poll(int *status, int timeoutMs = 1);
    /// Kills a running child and every process in its group (SIGKILL) and reaps it.
    void kill();
    bool isRunning() const { return m_pid > 0; }
    /// Adds the descriptors of a running child to wait on: its output pipes and one
    /// that becomes readable when it ends.
    void addDescriptors(std::vector<int> *descriptors) const;
    pid_t processId() const { return m_pid; }

    /// The full path PATH gives `program`, `program` itself when it holds a "/", or
    /// empty when it is found nowhere.
    static QString findProgram(const QString &program, const QString &directory);

protected:
    /// Each chunk the child writes: stream 0 is standard output, 1 standard error.
    virtual void output(int stream, const QByteArray &bytes);

private:
    void readPipes(bool untilEmpty);
    void closePipes();

    pid_t m_pid = -1;
    int m_pipes[2] = {-1, -1};
    int m_exitDescriptor = -1;  // pidfd of the child, or -1
    int m_lastStatus = 0;
};
