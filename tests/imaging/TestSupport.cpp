#include "TestSupport.h"

#include <atomic>
#include <fstream>
#include <stdexcept>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace kelvista::test {

namespace {

// A name no other object or test process uses at the same time.
std::string UniqueName(const std::string& kind) {
    static std::atomic<int> counter{0};
    return "kelvista-" + kind + "-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
}

std::string InTempDirectory(const std::string& name) {
    return (std::filesystem::temp_directory_path() / name).string();
}

}  // namespace

TempPath::~TempPath() {
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
}

TempFile::TempFile(const std::vector<uint8_t>& bytes)
    : TempPath(InTempDirectory(UniqueName("imaging") + ".bmp")) {
    std::ofstream out(path(), std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + path());
    }
}

#ifdef _WIN32
// Nothing is left at the pipe's name once its server end is closed: the removal finds nothing.
WaitingFile::WaitingFile() : TempPath("\\\\.\\pipe\\" + UniqueName("waiting")) {
    m_pipe =
        CreateNamedPipeA(path().c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
    if (m_pipe == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot make " + path());
    }
}

WaitingFile::~WaitingFile() {
    CloseHandle(m_pipe);
}
#else
WaitingFile::WaitingFile() : TempPath(InTempDirectory(UniqueName("waiting"))) {
    if (::mkfifo(path().c_str(), 0600) != 0) {
        throw std::runtime_error("cannot make " + path());
    }
}
#endif

DibSection SentinelDib() {
    static uint8_t marker;
    return DibSection{-7, -8, -9, -10, &marker};
}

bool IsSentinel(const DibSection& dib) {
    const DibSection s = SentinelDib();
    return dib.width == s.width && dib.height == s.height && dib.bytesPerRow == s.bytesPerRow &&
           dib.bitsPerPixel == s.bitsPerPixel && dib.bits == s.bits;
}

LoadResult LoadFromMemory(const std::vector<uint8_t>& bytes) {
    LoadResult result;
    result.dib = SentinelDib();
    result.code = LoadBMPFromMemory(bytes.data(), bytes.size(), result.bitmap, result.dib);
    return result;
}

LoadResult LoadFromFile(const std::vector<uint8_t>& bytes) {
    const TempFile file(bytes);
    LoadResult result;
    result.dib = SentinelDib();
    result.code = LoadBMP(file.path(), result.bitmap, result.dib);
    return result;
}

}  // namespace kelvista::test
