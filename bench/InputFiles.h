#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <tuple>

#include "BmpFileWriter.h"
#include "SamplePicture.h"
#include "TempFolder.h"

namespace kelvista::bench {

struct FrameSize {
    int32_t width = 0;
    int32_t height = 0;

    std::string name() const { return std::to_string(width) + "x" + std::to_string(height); }
    uint64_t bytes32() const { return uint64_t(width) * uint64_t(height) * 4; }
};

inline constexpr FrameSize kFrameSizes[] = {{640, 480}, {1920, 1080}, {3840, 2160}};

// The generated BMP files of a benchmark run, written on first use into one temporary folder (so a
// filtered run only writes what it measures; a file just written is in the page cache).
class InputFiles {
public:
    InputFiles();

    bool ok() const { return !m_folder.path().empty(); }
    const std::string& folder() const { return m_folder.path(); }

    // The picture of that size (made once, kept to check decoded results against).
    const SamplePicture& picture(FrameSize size);
    // The path of the file of that size and layout; empty when it could not be written.
    const std::string& file(FrameSize size, BmpLayout layout);

private:
    TempFolder m_folder;
    std::map<std::pair<int32_t, int32_t>, std::unique_ptr<SamplePicture>> m_pictures;
    std::map<std::tuple<int32_t, int32_t, BmpLayout>, std::string> m_files;
};

}  // namespace kelvista::bench
