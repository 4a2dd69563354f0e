#pragma once

#include <cstddef>
#include <ostream>
#include <streambuf>
#include <vector>

namespace kelvista::replaycli {

// Writes all of `data` to `fd`: retried when a signal interrupts write(2), continued after a
// partial write, waited on (poll) when the descriptor is non-blocking. Returns 0, or the errno of
// the write that failed.
int WriteFully(int fd, const char* data, size_t size);

// A stream buffer that writes to a file descriptor (the tool's standard output) and remembers why
// its first write failed, so that a full disk or a closed pipe can be reported instead of lost.
// It writes with WriteFully. Once a write has failed nothing more is written and every
// further write fails, which puts the stream into its bad state. Line-buffered when the
// descriptor is a terminal, so lines appear as they are printed; fully buffered otherwise.
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
    bool writeAll(const char* data, size_t size);  // WriteFully, keeping its error

    int m_fd;
    bool m_lineBuffered;
    std::vector<char> m_buffer;
    int m_error = 0;
};

// The errno of the first failed write of `stream` when it writes through a FileOutputBuffer;
// 0 otherwise.
int WriteError(const std::ostream& stream);

}  // namespace kelvista::replaycli
