#include "process.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <vector>

namespace {

// Where one redirection sends a stream: fd 1, 2, or both (3).
struct Redirection
{
    int streams = 0;
    bool append = false;
    QByteArray file;
};

// ">", "1>", "2>", "&>" and their ">>" forms; returns false for any other argument.
bool parseRedirectionOperator(const QString &argument, Redirection *redirection,
                              int *operatorLength)
{
    static const struct { const char *text; int streams; bool append; } operators[] = {
        {"&>>", 3, true}, {"1>>", 1, true}, {"2>>", 2, true}, {">>", 1, true},
        {"&>", 3, false}, {"1>", 1, false}, {"2>", 2, false}, {">", 1, false},
    };
    for (const auto &entry : operators) {
        if (argument.startsWith(QLatin1String(entry.text))) {
            redirection->streams = entry.streams;
            redirection->append = entry.append;
            *operatorLength = int(strlen(entry.text));
            return true;
        }
    }
    return false;
}

void setNonBlocking(int fd)
{
    fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
}

// The child's side of the spawn: the pipes as standard output and error, /dev/null
// as standard input, then the redirections, the working directory, a process group of
// its own (so that kill() also ends what the command started: the compiler proper under
// a driver, a shell's children) and the default disposition of the signals a build
// tool catches. posix_spawn runs these without copying the caller's memory, which
// keeps starting many short commands cheap.
class SpawnSetup
{
public:
    SpawnSetup()
    {
        posix_spawn_file_actions_init(&m_actions);
        posix_spawnattr_init(&m_attributes);
    }
    ~SpawnSetup()
    {
        posix_spawn_file_actions_destroy(&m_actions);
        posix_spawnattr_destroy(&m_attributes);
    }
    SpawnSetup(const SpawnSetup &) = delete;
    SpawnSetup &operator=(const SpawnSetup &) = delete;

    int spawn(pid_t *pid, const QByteArray &directory, const std::vector<char *> &argv,
              const std::vector<Redirection> &redirections, int outPipe, int errPipe)
    {
        posix_spawn_file_actions_adddup2(&m_actions, outPipe, 1);
        posix_spawn_file_actions_adddup2(&m_actions, errPipe, 2);
        posix_spawn_file_actions_addopen(&m_actions, 0, "/dev/null", O_RDONLY, 0);
        for (const Redirection &redirection : redirections) {
            const int flags = O_WRONLY | O_CREAT | (redirection.append ? O_APPEND : O_TRUNC);
            const int target = redirection.streams & 1 ? 1 : 2;
            posix_spawn_file_actions_addopen(&m_actions, target,
                                             redirection.file.constData(), flags, 0666);
            if (redirection.streams == 3)
                posix_spawn_file_actions_adddup2(&m_actions, 1, 2);
        }
        if (!directory.isEmpty())
            posix_spawn_file_actions_addchdir_np(&m_actions, directory.constData());
        sigset_t defaults;
        sigemptyset(&defaults);
        for (int signal : {SIGINT, SIGTERM, SIGPIPE, SIGCHLD})
            sigaddset(&defaults, signal);
        sigset_t mask;
        sigemptyset(&mask);
        posix_spawnattr_setsigdefault(&m_attributes, &defaults);
        posix_spawnattr_setsigmask(&m_attributes, &mask);
        posix_spawnattr_setpgroup(&m_attributes, 0);
        posix_spawnattr_setflags(&m_attributes, POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGDEF
                                                    | POSIX_SPAWN_SETSIGMASK);
        return posix_spawn(pid, argv[0], &m_actions, &m_attributes, argv.data(), environ);
    }

private:
    posix_spawn_file_actions_t m_actions;
    posix_spawnattr_t m_attributes;
};

} // namespace

Process::Process() = default;

Process::~Process()
{
    kill();
}

QString Process::findProgram(const QString &program, const QString &directory)
{
    if (program.contains(QLatin1Char('/'))) {
        return QDir::isAbsolutePath(program) || directory.isEmpty()
                   ? program
                   : QDir(directory).absoluteFilePath(program);
    }
    const QStringList path =
        QString::fromLocal8Bit(qgetenv("PATH")).split(QLatin1Char(':'), Qt::SkipEmptyParts);
    for (const QString &entry : path) {
        const QFileInfo candidate(entry + QLatin1Char('/') + program);
        if (candidate.isFile() && candidate.isExecutable())
            return candidate.filePath();
    }
    return QString();
}

bool Process::start(const QString &directory, const QStringList &arguments, QString *error)
{
    kill();
    if (arguments.isEmpty()) {
        *error = QStringLiteral("no program");
        return false;
    }
    // Redirections leave the argument list; their files are relative to the directory.
    std::vector<Redirection> redirections;
    QList<QByteArray> argumentBytes;
    for (int i = 0; i < arguments.size(); ++i) {
        Redirection redirection;
        int length = 0;
        if (i > 0 && parseRedirectionOperator(arguments[i], &redirection, &length)) {
            QString file = arguments[i].mid(length);
            if (file.isEmpty() && i + 1 < arguments.size())
                file = arguments[++i];
            if (!directory.isEmpty())
                file = QDir(directory).absoluteFilePath(file);
            redirection.file = QFile::encodeName(file);
            redirections.push_back(redirection);
            continue;
        }
        argumentBytes.append(arguments[i].toUtf8());
    }
    const QString program = findProgram(arguments.first(), directory);
    if (program.isEmpty() || !QFileInfo(program).isFile()) {
        *error = QStringLiteral("no such program");
        return false;
    }
    argumentBytes[0] = QFile::encodeName(program);
    std::vector<char *> argv;
    for (QByteArray &argument : argumentBytes)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    int outPipe[2], errPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    if (pipe2(errPipe, O_CLOEXEC) != 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        close(outPipe[0]);
        close(outPipe[1]);
        return false;
    }
    pid_t pid = -1;
    const int spawnError = SpawnSetup().spawn(&pid, QFile::encodeName(directory), argv,
                                              redirections, outPipe[1], errPipe[1]);
    close(outPipe[1]);
    close(errPipe[1]);
    if (spawnError != 0) {
        // The child (if any) failed before running the program: a redirection, the
        // directory or the program itself.
        *error = QString::fromLocal8Bit(strerror(spawnError));
        close(outPipe[0]);
        close(errPipe[0]);
        return false;
    }
    m_pid = pid;
    m_pipes[0] = outPipe[0];
    m_pipes[1] = errPipe[0];
    setNonBlocking(m_pipes[0]);
    setNonBlocking(m_pipes[1]);
#ifdef SYS_pidfd_open
    // Readable once the child has ended: a wait need not spin between the end of its
    // output and its exit. Older kernels go without it.
    m_exitDescriptor = int(syscall(SYS_pidfd_open, pid, 0));
    if (m_exitDescriptor >= 0)
        fcntl(m_exitDescriptor, F_SETFD, FD_CLOEXEC);
#endif
    return true;
}

void Process::readPipes(bool untilEmpty)
{
    char buffer[16384];
    for (int stream = 0; stream < 2; ++stream) {
        while (m_pipes[stream] >= 0) {
            const ssize_t count = read(m_pipes[stream], buffer, sizeof buffer);
            if (count == 0 && m_exitDescriptor >= 0) {
                // The end of the output: from here on the wait is for the exit alone.
                close(m_pipes[stream]);
                m_pipes[stream] = -1;
            }
            if (count <= 0)
                break;
            output(stream, QByteArray(buffer, int(count)));
            if (!untilEmpty)
                break;
        }
    }
}

void Process::closePipes()
{
    for (int &fd : m_pipes) {
        if (fd >= 0)
            close(fd);
        fd = -1;
    }
    if (m_exitDescriptor >= 0)
        close(m_exitDescriptor);
    m_exitDescriptor = -1;
}

bool Process::poll(int *status, int timeoutMs)
{
    if (m_pid <= 0) {
        *status = m_lastStatus;
        return true;
    }
    pollfd fds[3] = {{m_pipes[0], POLLIN, 0}, {m_pipes[1], POLLIN, 0},
                     {m_exitDescriptor, POLLIN, 0}};
    if (::poll(fds, 3, timeoutMs) > 0)
        readPipes(false);
    int waitStatus = 0;
    const pid_t ended = waitpid(m_pid, &waitStatus, WNOHANG | WUNTRACED);
    if (ended == 0)
        return false;
    if (ended < 0) {
        fputs("wait failed\n", stderr);
        return false;
    }
    readPipes(true);
    closePipes();
    m_pid = -1;
    if (WIFEXITED(waitStatus))
        m_lastStatus = int(qint8(WEXITSTATUS(waitStatus)));
    else if (WIFSIGNALED(waitStatus))
        m_lastStatus = WTERMSIG(waitStatus);
    else
        m_lastStatus = 1;
    if (WIFSTOPPED(waitStatus)) {
        // A stopped child would hold its slot for ever: end it.
        ::kill(ended, SIGKILL);
        waitpid(ended, &waitStatus, 0);
    }
    *status = m_lastStatus;
    return true;
}

void Process::addDescriptors(std::vector<int> *descriptors) const
{
    for (int fd : {m_pipes[0], m_pipes[1], m_exitDescriptor}) {
        if (m_pid > 0 && fd >= 0)
            descriptors->push_back(fd);
    }
}

void Process::kill()
{
    if (m_pid <= 0)
        return;
    ::kill(-m_pid, SIGKILL);
    ::kill(m_pid, SIGKILL);
    int waitStatus = 0;
    waitpid(m_pid, &waitStatus, 0);
    m_pid = -1;
    m_lastStatus = SIGKILL;
    closePipes();
}

void Process::output(int, const QByteArray &)
{
}
