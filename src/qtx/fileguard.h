#pragma once

#include <cstdio>
#include <memory>

namespace QTx {

/// Owns a POSIX file descriptor and closes it on every path out of a scope.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd = -1) : m_fd(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor &) = delete;
    FileDescriptor &operator=(const FileDescriptor &) = delete;
    FileDescriptor(FileDescriptor &&other) noexcept : m_fd(other.release()) {}
    FileDescriptor &operator=(FileDescriptor &&other) noexcept;

    int fd() const { return m_fd; }
    bool isValid() const { return m_fd >= 0; }
    /// Closes the descriptor now: 0, or -1 with errno set when closing failed (a write
    /// error can show only here). Closing an invalid descriptor answers 0.
    int close();
    /// Gives up ownership without closing.
    int release();

private:
    int m_fd;
};

/// Closes a stdio stream owned by a FilePointer.
struct FileCloser
{
    void operator()(FILE *file) const { std::fclose(file); }
};
/// Owns a stdio stream; release() it into std::fclose() where the result matters.
using FilePointer = std::unique_ptr<FILE, FileCloser>;

} // namespace QTx
