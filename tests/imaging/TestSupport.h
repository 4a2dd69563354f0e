#pragma once

#include <cstdint>
#include <filesystem>
#include <string>
#include <utility>
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

// A fresh path that is removed, with whatever was made there, when the object goes.
class TempPath {
public:
    ~TempPath();
    TempPath(const TempPath&) = delete;
    TempPath& operator=(const TempPath&) = delete;

    const std::string& path() const { return m_path; }

protected:
    explicit TempPath(std::string path) : m_path(std::move(path)) {}

private:
    std::string m_path;
};

// A file in the temporary directory, removed when it goes.
class TempFile : public TempPath {
public:
    explicit TempFile(const std::vector<uint8_t>& bytes);
};

// A path on which a plain open or read would wait forever: a FIFO without a writer on Unix, a
// named pipe that nobody connects to on Windows. Gone with the object.
class WaitingFile : public TempPath {
public:
    WaitingFile();
#ifdef _WIN32
    ~WaitingFile();

private:
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
