#include "FileOutputBuffer.h"

#include <unistd.h>

#include <cstring>

#include "WriteAll.h"

namespace kelvista::fileio {

namespace {

constexpr size_t kBufferSize = 64 * 1024;

}  // namespace

FileOutputBuffer::FileOutputBuffer(int fd)
    : m_fd(fd), m_lineBuffered(isatty(fd) == 1), m_buffer(kBufferSize) {
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
}

FileOutputBuffer::~FileOutputBuffer() {
    drain();
}

bool FileOutputBuffer::writeAll(const char* data, size_t size) {
    m_error = WriteAll(m_fd, data, size);
    return m_error == 0;
}

bool FileOutputBuffer::drain() {
    if (m_error != 0) {
        setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
        return false;
    }
    const bool written = writeAll(pbase(), static_cast<size_t>(pptr() - pbase()));
    setp(m_buffer.data(), m_buffer.data() + m_buffer.size());
    return written;
}

FileOutputBuffer::int_type FileOutputBuffer::overflow(int_type c) {
    if (!drain()) {
        return traits_type::eof();
    }
    if (traits_type::eq_int_type(c, traits_type::eof())) {
        return traits_type::not_eof(c);
    }
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    if (m_lineBuffered && traits_type::to_char_type(c) == '\n' && !drain()) {
        return traits_type::eof();
    }
    return c;
}

std::streamsize FileOutputBuffer::xsputn(const char* data, std::streamsize size) {
    if (m_error != 0) {
        return 0;
    }
    const auto count = static_cast<size_t>(size);
    if (count <= static_cast<size_t>(epptr() - pptr())) {
        std::memcpy(pptr(), data, count);
        pbump(static_cast<int>(count));
    } else if (!drain()) {
        return 0;
    } else if (count < m_buffer.size()) {
        std::memcpy(pptr(), data, count);
        pbump(static_cast<int>(count));
    } else if (!writeAll(data, count)) {
        return 0;
    }
    if (m_lineBuffered && std::memchr(data, '\n', count) != nullptr && !drain()) {
        return 0;
    }
    return size;
}

int FileOutputBuffer::sync() {
    return drain() ? 0 : -1;
}

int WriteError(const std::ostream& stream) {
    const auto* buffer = dynamic_cast<const FileOutputBuffer*>(stream.rdbuf());
    return buffer != nullptr ? buffer->error() : 0;
}

}  // namespace kelvista::fileio
