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

TempFile::TempFile(const std::vector<uint8_t>& bytes) {
    static std::atomic<int> counter{0};
    m_path = (std::filesystem::temp_directory_path() /
              ("kelvista-imaging-" + std::to_string(::getpid()) + "-" + std::to_string(counter++) +
               ".bmp"))
                 .string();
    std::ofstream out(m_path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
    if (!out) {
        throw std::runtime_error("cannot write " + m_path);
    }
}

TempFile::~TempFile() {
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
}

WaitingFile::WaitingFile() {
    static std::atomic<int> counter{0};
    const std::string name =
        "kelvista-waiting-" + std::to_string(::getpid()) + "-" + std::to_string(counter++);
#ifdef _WIN32
    m_path = "\\\\.\\pipe\\" + name;
    m_pipe =
        CreateNamedPipeA(m_path.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 0, 0, 0, nullptr);
    if (m_pipe == INVALID_HANDLE_VALUE) {
        throw std::runtime_error("cannot make " + m_path);
    }
#else
    m_path = (std::filesystem::temp_directory_path() / name).string();
    if (::mkfifo(m_path.c_str(), 0600) != 0) {
        throw std::runtime_error("cannot make " + m_path);
    }
#endif
}

WaitingFile::~WaitingFile() {
#ifdef _WIN32
    CloseHandle(m_pipe);
#else
    std::error_code ignored;
    std::filesystem::remove(m_path, ignored);
#endif
}

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
