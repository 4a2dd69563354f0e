#pragma once

// FileOutputBuffer puts a std::ostream on a file descriptor (a program's standard output) and
// keeps the reason its first write failed, so that a full disk or a closed pipe is reported
// instead of lost, and a run whose output did not arrive does not end as a success.
//
//     FileOutputBuffer buffer(STDOUT_FILENO);
//     std::ostream out(&buffer);
//     out << report;
//     out.flush();
//     if (WriteError(out) != 0) { /* "cannot write the output: " + SystemReason(...) */ }

#include <cstddef>
#include <ostream>
#include <streambuf>
#include <vector>

namespace kelvista::fileio {

// A stream buffer that writes to a file descriptor (the tool's standard output) and remembers why
// its first write failed, so that a full disk or a closed pipe can be reported instead of lost.
// It writes with WriteAll (WriteAll.h), to the end even after a stop signal. Once a write has
// failed nothing more is written and every further write fails, which puts the stream into its bad
// state. Line-buffered when the descriptor is a terminal, so lines appear as they are printed;
// fully buffered otherwise.
class FileOutputBuffer : public std::streambuf {
public:
    explicit FileOutputBuffer(int fd);
    ~FileOutputBuffer() override;
    FileOutputBuffer(const FileOutputBuffer&) = delete;
    FileOutputBuffer& operator=(const FileOutputBuffer&) = delete;

    // The errno of the first failed write; 0 while every write has succeeded.
    int error() const { return m_error; }

protected:
    int_type overflow(int_type c) override;
    std::streamsize xsputn(const char* data, std::streamsize size) override;
    int sync() override;

private:
    bool drain();
    bool writeAll(const char* data, size_t size);  // WriteAll, keeping its error

    int m_fd;
    bool m_lineBuffered;
    std::vector<char> m_buffer;
    int m_error = 0;
};

// The errno of the first failed write of `stream` when it writes through a FileOutputBuffer;
// 0 otherwise.
int WriteError(const std::ostream& stream);

}  // namespace kelvista::fileio
