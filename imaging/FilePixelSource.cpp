// BmpPixelSource::OpenFile: the file is read in place with pread/preadv where the platform has
// them, so rows go straight to their destination; elsewhere a plain stream read stands in.
#include "BmpPixelSource.h"

#if defined(__unix__) || defined(__APPLE__)
#define KELVISTA_HAVE_PREAD 1
#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <limits>
#include <vector>
#else
#include <fstream>
#ifdef _WIN32
#include "DiskFile.h"
#endif
#endif

namespace kelvista {

#if KELVISTA_HAVE_PREAD

namespace {

#ifdef IOV_MAX
constexpr size_t kMaxIovecs = IOV_MAX;
#else
constexpr size_t kMaxIovecs = 1024;
#endif

// Largest single pread; Linux caps one call at about 2 GiB anyway.
constexpr size_t kMaxReadChunk = size_t{1} << 30;

class FilePixelSource final : public BmpPixelSource {
public:
    FilePixelSource(int fd, uint64_t size) : BmpPixelSource(size), m_fd(fd) {}
    ~FilePixelSource() override { ::close(m_fd); }
    FilePixelSource(const FilePixelSource&) = delete;
    FilePixelSource& operator=(const FilePixelSource&) = delete;

    bool readAt(uint64_t offset, uint8_t* dst, size_t length) override {
        if (!inRange(offset, length)) {
            return false;
        }
        while (length > 0) {
            const ssize_t got =
                ::pread(m_fd, dst, std::min(length, kMaxReadChunk), static_cast<off_t>(offset));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;  // error, or the file shrank since it was measured
            }
            dst += got;
            offset += static_cast<uint64_t>(got);
            length -= static_cast<size_t>(got);
        }
        return true;
    }

    // One preadv per batch of rows, each row its own iovec, so a bottom-up file lands top-down
    // without a second pass.
    bool readRows(uint64_t offset, size_t rowBytes, size_t rowCount, uint8_t* firstDst,
                  ptrdiff_t dstStep) override {
        if (rowCount == 0) {
            return true;
        }
        if (rowBytes == 0 || rowBytes > kMaxReadChunk || rowCount > size() / rowBytes ||
            !inRange(offset, uint64_t{rowBytes} * rowCount)) {
            return BmpPixelSource::readRows(offset, rowBytes, rowCount, firstDst, dstStep);
        }
        if (dstStep == static_cast<ptrdiff_t>(rowBytes)) {
            return readAt(offset, firstDst, rowBytes * rowCount);
        }
        const size_t batchRows =
            std::min({kMaxIovecs, rowCount, std::max<size_t>(1, kMaxReadChunk / rowBytes)});
        std::vector<iovec> iov(batchRows);
        size_t row = 0;
        while (row < rowCount) {
            const size_t count = std::min(batchRows, rowCount - row);
            for (size_t i = 0; i < count; ++i) {
                iov[i].iov_base = firstDst + static_cast<ptrdiff_t>(row + i) * dstStep;
                iov[i].iov_len = rowBytes;
            }
            const uint64_t batchOffset = offset + uint64_t{row} * rowBytes;
            const ssize_t got = ::preadv(m_fd, iov.data(), static_cast<int>(count),
                                         static_cast<off_t>(batchOffset));
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got <= 0) {
                return false;
            }
            const size_t done = static_cast<size_t>(got);
            const size_t fullRows = done / rowBytes;
            row += fullRows;
            if (fullRows < count) {
                // A short read: finish the row it stopped in, then carry on with the batches.
                const size_t partial = done % rowBytes;
                uint8_t* dst = firstDst + static_cast<ptrdiff_t>(row) * dstStep;
                if (!readAt(offset + uint64_t{row} * rowBytes + partial, dst + partial,
                            rowBytes - partial)) {
                    return false;
                }
                ++row;
            }
        }
        return true;
    }

private:
    int m_fd;
};

}  // namespace

std::unique_ptr<BmpPixelSource> BmpPixelSource::OpenFile(const std::string& path) {
    // Non-blocking so that a FIFO or device named as a frame cannot stall the open; only regular
    // files get past the check below, and for them the flag changes nothing.
    int fd;
    do {
        fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    } while (fd < 0 && errno == EINTR);
    if (fd < 0) {
        return nullptr;
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size < 0) {
        ::close(fd);
        return nullptr;
    }
    return FromOpenFile(fd, static_cast<uint64_t>(info.st_size));
}

std::unique_ptr<BmpPixelSource> BmpPixelSource::FromOpenFile(int fd, uint64_t size) {
    return std::make_unique<FilePixelSource>(fd, size);
}

#else  // no pread: a stream, positioned for every read

namespace {

class StreamPixelSource final : public BmpPixelSource {
public:
    StreamPixelSource(std::ifstream stream, uint64_t size)
        : BmpPixelSource(size), m_stream(std::move(stream)) {}

    bool readAt(uint64_t offset, uint8_t* dst, size_t length) override {
        if (!inRange(offset, length)) {
            return false;
        }
        m_stream.clear();
        m_stream.seekg(static_cast<std::streamoff>(offset));
        m_stream.read(reinterpret_cast<char*>(dst), static_cast<std::streamsize>(length));
        return m_stream.good() && static_cast<size_t>(m_stream.gcount()) == length;
    }

private:
    std::ifstream m_stream;
};

}  // namespace

#ifdef _WIN32
// Whether `path` is a file on a disk: a stream opened on anything else could wait on its reads.
static bool IsDiskFile(const std::string& path) {
    HANDLE handle = OpenDiskFileForReading(path);
    if (handle == INVALID_HANDLE_VALUE) {
        return false;
    }
    CloseHandle(handle);
    return true;
}
#endif

std::unique_ptr<BmpPixelSource> BmpPixelSource::OpenFile(const std::string& path) {
#ifdef _WIN32
    if (!IsDiskFile(path)) {
        return nullptr;
    }
#endif
    std::ifstream stream(path, std::ios::binary);
    if (!stream) {
        return nullptr;
    }
    stream.seekg(0, std::ios::end);
    const std::streamoff end = stream.tellg();
    if (!stream || end < 0) {
        return nullptr;  // directories and other things without a size end here
    }
    return std::make_unique<StreamPixelSource>(std::move(stream), static_cast<uint64_t>(end));
}

#endif

}  // namespace kelvista
