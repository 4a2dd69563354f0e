#include "CaptionFile.h"

#ifndef _WIN32
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#endif

#include "RegularFile.h"

namespace kelvista {

namespace {

constexpr int kEndOfFileMark = 0x1A;
constexpr size_t kLineLimit = kCaptionLineCapacity - 1;

// The bytes of a stream, read one at a time; one can be put back.
class StreamBytes {
public:
    explicit StreamBytes(std::FILE* file) : m_file(file) {}
    int next() { return std::getc(m_file); }
    void putBack(int c) { std::ungetc(c, m_file); }

private:
    std::FILE* m_file;
};

// The bytes of a buffer holding the start of a file.
class BufferBytes {
public:
    explicit BufferBytes(std::string_view bytes) : m_bytes(bytes) {}
    int next() { return m_at < m_bytes.size() ? static_cast<unsigned char>(m_bytes[m_at++]) : EOF; }
    void putBack(int) { --m_at; }

private:
    std::string_view m_bytes;
    size_t m_at = 0;
};

// One byte as text mode delivers it: CR LF arrives as LF, 0x1A ends the file. EOF at the end.
template <typename Bytes>
int ReadTextModeByte(Bytes& bytes) {
    const int c = bytes.next();
    if (c == EOF || c == kEndOfFileMark) {
        return EOF;
    }
    if (c == '\r') {
        const int next = bytes.next();
        if (next == '\n') {
            return '\n';
        }
        if (next != EOF) {
            bytes.putBack(next);
        }
    }
    return c;
}

// The caption rules, for a stream and for a buffer alike. They look at no more than
// kCaptionLineCapacity bytes: at most kLineLimit bytes arrive, each of them one byte of the file
// except a CR LF, which ends the line, and a lone CR looks one byte ahead.
template <typename Bytes>
std::string ReadLine(Bytes& bytes) {
    std::string line;
    // The limit counts bytes after translation, so a CR LF pair straddling it is one LF and fits.
    while (line.size() < kLineLimit) {
        const int c = ReadTextModeByte(bytes);
        if (c == EOF) {
            break;
        }
        line.push_back(static_cast<char>(c));
        if (c == '\n') {
            break;
        }
    }
    // The line is a C string to its users: a zero byte ends it.
    if (const size_t zero = line.find('\0'); zero != std::string::npos) {
        line.resize(zero);
    }
    while (!line.empty() && (line.back() == '\r' || line.back() == '\n')) {
        line.pop_back();
    }
    return line;
}

#ifndef _WIN32
// Reads the first bytes of an open file into `buffer`, until it is full or the end of the file.
// Once the `size` the file had when it was opened is in, that is the end: a whole small file costs
// one read, not a second one that finds nothing. (A file that tells no size, as some kernel
// files do, is read as far as its first read goes.) A read error ends it as the end does.
size_t ReadFileStart(int fd, char* buffer, size_t capacity, uint64_t size) {
    size_t done = 0;
    while (done < capacity) {
        const ssize_t got = ::pread(fd, buffer + done, capacity - done, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got <= 0) {
            break;
        }
        done += static_cast<size_t>(got);
        if (done >= size) {
            break;
        }
    }
    return done;
}

enum class ListedRead { Read, Unopenable, LinkNow };

// Reads the start of `name`, which the folder's listing called a regular file, without asking for
// its status: a short read of a regular file is its end. A name that is a link now is left to
// the full test; one that is a pipe or a folder now fails its read, and then its status says so.
ListedRead ReadListedRegularFile(int folderFd, const char* name, char* buffer, size_t capacity,
                                 size_t& done) {
    int fd;
    do {
        fd = ::openat(folderFd, name, O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOFOLLOW);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return errno == ELOOP ? ListedRead::LinkNow : ListedRead::Unopenable;
    }
    ListedRead outcome = ListedRead::Read;
    done = 0;
    while (done < capacity) {
        const size_t wanted = capacity - done;
        const ssize_t got = ::pread(fd, buffer + done, wanted, static_cast<off_t>(done));
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            struct stat status {};
            if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
                outcome = ListedRead::Unopenable;
            }
            break;  // a read error in a regular file ends it as the end does
        }
        done += static_cast<size_t>(got);
        if (static_cast<size_t>(got) < wanted) {
            break;
        }
    }
    ::close(fd);
    return outcome;
}
#endif

}  // namespace

std::string ReadCaptionLine(std::FILE* file) {
    if (file == nullptr) {
        return std::string();
    }
    StreamBytes bytes(file);
    return ReadLine(bytes);
}

std::string CaptionLineOf(std::string_view firstBytes) {
    BufferBytes bytes(firstBytes.substr(0, kCaptionLineCapacity));
    return ReadLine(bytes);
}

#ifndef _WIN32

bool ReadCaptionFileAt(int folderFd, const char* name, std::string& captionOut,
                       bool listedRegular) {
    if (listedRegular) {
        char buffer[kCaptionLineCapacity];
        size_t got = 0;
        switch (ReadListedRegularFile(folderFd, name, buffer, sizeof buffer, got)) {
            case ListedRead::Read:
                captionOut = CaptionLineOf(std::string_view(buffer, got));
                return true;
            case ListedRead::Unopenable:
                return false;
            case ListedRead::LinkNow:
                break;
        }
    }
    uint64_t size = 0;
    const int fd = OpenRegularFileAt(folderFd, name, &size);
    if (fd < 0) {
        return false;
    }
    char buffer[kCaptionLineCapacity];
    const size_t got = ReadFileStart(fd, buffer, sizeof buffer, size);
    ::close(fd);
    captionOut = CaptionLineOf(std::string_view(buffer, got));
    return true;
}

bool ReadCaptionFile(const std::string& path, std::string& captionOut) {
    return ReadCaptionFileAt(AT_FDCWD, path.c_str(), captionOut);
}

#else

bool ReadCaptionFile(const std::string& path, std::string& captionOut) {
    std::FILE* file = OpenRegularFileForReading(path);
    if (file == nullptr) {
        return false;
    }
    captionOut = ReadCaptionLine(file);
    std::fclose(file);
    return true;
}

#endif

}  // namespace kelvista
