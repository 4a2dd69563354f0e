#pragma once

// FileDescriptor owns one open file descriptor and closes it when it goes, on every path out of
// a function. It moves and never copies, so a descriptor has exactly one owner.
//
//     const FileDescriptor fd(open(path, O_RDONLY | O_CLOEXEC));
//     if (!fd.valid()) { return SystemReason(errno); }
//     read(fd.get(), ...);   // closed at the end of the scope

#include <unistd.h>

#include <utility>

namespace kelvista::fileio {

class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    FileDescriptor(FileDescriptor&& other) noexcept : m_fd(std::exchange(other.m_fd, -1)) {}
    FileDescriptor& operator=(FileDescriptor&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.m_fd, -1));
        }
        return *this;
    }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    int get() const { return m_fd; }
    bool valid() const { return m_fd >= 0; }
    void reset(int fd = -1) {
        if (m_fd >= 0) {
            ::close(m_fd);
        }
        m_fd = fd;
    }

private:
    int m_fd = -1;
};

}  // namespace kelvista::fileio
