#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "BmpLoader.h"
#include "Trace.h"

namespace kelvista::test {

// Records every trace text while it lives.
class TraceRecorder {
public:
    TraceRecorder() {
        m_previous = SetTraceSink([this](const std::string& text) { texts.push_back(text); });
    }
    ~TraceRecorder() { SetTraceSink(m_previous); }
    TraceRecorder(const TraceRecorder&) = delete;
    TraceRecorder& operator=(const TraceRecorder&) = delete;

    std::vector<std::string> texts;

private:
    TraceSink m_previous;
};

// A file in the temporary directory, removed when it goes.
class TempFile {
public:
    explicit TempFile(const std::vector<uint8_t>& bytes);
    ~TempFile();
    TempFile(const TempFile&) = delete;
    TempFile& operator=(const TempFile&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
};

// A path on which a plain open or read would wait forever: a FIFO without a writer on Unix, a
// named pipe that nobody connects to on Windows. Gone with the object.
class WaitingFile {
public:
    WaitingFile();
    ~WaitingFile();
    WaitingFile(const WaitingFile&) = delete;
    WaitingFile& operator=(const WaitingFile&) = delete;

    const std::string& path() const { return m_path; }

private:
    std::string m_path;
#ifdef _WIN32
    void* m_pipe = nullptr;  // the pipe's server end, which keeps it in being
#endif
};

// A DibSection filled with values no load produces, to see whether a call wrote it.
DibSection SentinelDib();
bool IsSentinel(const DibSection& dib);

struct LoadResult {
    int code = 0;
    BitmapHandle bitmap;
    DibSection dib;
};
LoadResult LoadFromMemory(const std::vector<uint8_t>& bytes);
LoadResult LoadFromFile(const std::vector<uint8_t>& bytes);

}  // namespace kelvista::test
