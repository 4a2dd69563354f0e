#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <memory>

#include "PeerDecoders.h"

namespace kelvista::bench {
namespace {

bool ReadWholeFile(const std::string& path, std::vector<uint8_t>& buffer, size_t& bytesRead) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return false;
    }
    struct stat info {};
    bool ok = ::fstat(fd, &info) == 0 && info.st_size >= 0;
    const size_t size = ok ? static_cast<size_t>(info.st_size) : 0;
    if (buffer.size() < size) {
        buffer.resize(size);
    }
    bytesRead = 0;
    while (ok && bytesRead < size) {
        const ssize_t n = ::read(fd, buffer.data() + bytesRead, size - bytesRead);
        ok = n > 0;
        bytesRead += ok ? static_cast<size_t>(n) : 0;
    }
    ::close(fd);
    return ok;
}

}  // namespace

bool LoadAtFloor(const std::string& path, size_t resultBytes, std::vector<uint8_t>& readBuffer,
                 DecodeOutcome& outcome) {
    size_t fileBytes = 0;
    if (!ReadWholeFile(path, readBuffer, fileBytes)) {
        return false;
    }
    // A 24-bit file is smaller than its 32-bit result; the copy still moves the result's size.
    if (readBuffer.size() < resultBytes) {
        readBuffer.resize(resultBytes);
    }
    const std::unique_ptr<uint8_t[]> result(new (std::nothrow) uint8_t[resultBytes]);
    if (!result) {
        return false;
    }
    std::memcpy(result.get(), readBuffer.data(), resultBytes);
    std::memcpy(&outcome.firstPixel, result.get(), sizeof outcome.firstPixel);
    return true;
}

}  // namespace kelvista::bench
