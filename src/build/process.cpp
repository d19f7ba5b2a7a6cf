#include "process.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
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

// Only async-signal-safe calls between fork and exec: the parent prepares every string.
[[noreturn]] void execChild(const QByteArray &directory, const std::vector<char *> &argv,
                            const std::vector<Redirection> &redirections, int outPipe,
                            int errPipe, int reportPipe)
{
    // A group of its own, so that kill() also ends what the command started (the
    // compiler proper under a driver, a shell's children).
    setpgid(0, 0);
    dup2(outPipe, 1);
    dup2(errPipe, 2);
    int devNull = open("/dev/null", O_RDONLY);
    if (devNull >= 0)
        dup2(devNull, 0);
    for (const Redirection &redirection : redirections) {
        const int flags = O_WRONLY | O_CREAT | (redirection.append ? O_APPEND : O_TRUNC);
        const int fd = open(redirection.file.constData(), flags, 0666);
        if (fd < 0) {
            int error = errno;
            (void)!write(reportPipe, &error, sizeof error);
            _exit(127);
        }
        if (redirection.streams & 1)
            dup2(fd, 1);
        if (redirection.streams & 2)
            dup2(fd, 2);
        close(fd);
    }
    if (!directory.isEmpty() && chdir(directory.constData()) != 0) {
        int error = errno;
        (void)!write(reportPipe, &error, sizeof error);
        _exit(127);
    }
    execv(argv[0], argv.data());
    int error = errno;
    (void)!write(reportPipe, &error, sizeof error);
    _exit(127);
}

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

    int outPipe[2], errPipe[2], reportPipe[2];
    if (pipe2(outPipe, O_CLOEXEC) != 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        return false;
    }
    if (pipe2(errPipe, O_CLOEXEC) != 0 || pipe2(reportPipe, O_CLOEXEC) != 0) {
        *error = QString::fromLocal8Bit(strerror(errno));
        close(outPipe[0]);
        close(outPipe[1]);
        return false;
    }
    const QByteArray directoryBytes = QFile::encodeName(directory);
    const pid_t pid = fork();
    if (pid == 0)
        execChild(directoryBytes, argv, redirections, outPipe[1], errPipe[1], reportPipe[1]);
    if (pid > 0)
        setpgid(pid, pid);  // also here, so that a kill right after start reaches the group
    close(outPipe[1]);
    close(errPipe[1]);
    close(reportPipe[1]);
    int childError = 0;
    // The report pipe closes on a successful exec; a failed one writes its errno first.
    const bool execFailed = pid > 0 && read(reportPipe[0], &childError, sizeof childError)
                                           == ssize_t(sizeof childError);
    close(reportPipe[0]);
    if (pid < 0 || execFailed) {
        *error = QString::fromLocal8Bit(strerror(pid < 0 ? errno : childError));
        if (pid > 0)
            waitpid(pid, nullptr, 0);
        close(outPipe[0]);
        close(errPipe[0]);
        return false;
    }
    m_pid = pid;
    m_pipes[0] = outPipe[0];
    m_pipes[1] = errPipe[0];
    setNonBlocking(m_pipes[0]);
    setNonBlocking(m_pipes[1]);
    return true;
}

void Process::readPipes(bool untilEmpty)
{
    char buffer[16384];
    for (int stream = 0; stream < 2; ++stream) {
        while (m_pipes[stream] >= 0) {
            const ssize_t count = read(m_pipes[stream], buffer, sizeof buffer);
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
}

bool Process::poll(int *status, int timeoutMs)
{
    if (m_pid <= 0) {
        *status = m_lastStatus;
        return true;
    }
    pollfd fds[2] = {{m_pipes[0], POLLIN, 0}, {m_pipes[1], POLLIN, 0}};
    if (::poll(fds, 2, timeoutMs) > 0)
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
