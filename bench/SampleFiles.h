#pragma once

#include <cstddef>
#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include <QImage>
#include <QTemporaryDir>

namespace kelvista::bench {

// The generated inputs of both benchmark programs: screenshot-like pictures, written as BMP files
// by the demo's writer, and replay trees for the viewer.

struct FrameSize {
    int32_t width = 0;
    int32_t height = 0;

    std::string name() const { return std::to_string(width) + "x" + std::to_string(height); }
    uint64_t bytes32() const { return uint64_t(width) * uint64_t(height) * 4; }
};

inline constexpr FrameSize kFrameSizes[] = {{640, 480}, {1920, 1080}, {3840, 2160}};

// The file layouts the decoder benchmarks compare.
enum class BmpLayout {
    Rgb24BottomUp,   // the common screenshot: 24-bit, last row first
    Rgb24TopDown,    // 24-bit with a negative height
    Rgb32,           // 32-bit BI_RGB, blue, green, red, fourth byte
    Rgb32Bitfields,  // 32-bit BI_BITFIELDS with red, green, blue in the low three bytes
};

inline constexpr BmpLayout kAllBmpLayouts[] = {BmpLayout::Rgb24BottomUp, BmpLayout::Rgb24TopDown,
                                               BmpLayout::Rgb32, BmpLayout::Rgb32Bitfields};

// Short names used in benchmark names and tables.
std::string_view LayoutName(BmpLayout layout);

// A picture to encode: blue, green, red, fourth byte (0xFF) per pixel, top row first, no padding.
struct SamplePicture {
    int32_t width = 0;
    int32_t height = 0;
    std::vector<uint8_t> bgrx;

    const uint8_t* pixel(int32_t x, int32_t y) const {
        return bgrx.data() + (size_t(y) * size_t(width) + size_t(x)) * 4;
    }
    // The pixels seen as an RGB32 image without a copy: valid while the picture keeps its size.
    QImage image() const;
};

// Screenshot-like content (gradients, a grid, some noise), the same for the same size. `seed`
// varies it so that pictures of one size differ.
SamplePicture MakeSamplePicture(FrameSize size, uint32_t seed = 1);

// The decoder benchmarks' files, written on first use into one temporary folder (so a filtered run
// only writes what it measures; a file just written is in the page cache).
class InputFiles {
public:
    InputFiles();

    bool ok() const { return m_folder.isValid(); }

    // The picture of that size (made once, kept to check decoded results against).
    const SamplePicture& picture(FrameSize size);
    // The path of the file of that size and layout; empty when it could not be written.
    const std::string& file(FrameSize size, BmpLayout layout);

private:
    QTemporaryDir m_folder;
    std::map<std::pair<int32_t, int32_t>, SamplePicture> m_pictures;
    std::map<std::tuple<int32_t, int32_t, BmpLayout>, std::string> m_files;
};

// The path of frame `frame` of session 0 under `root`, without extension, in the recorder's
// layout: <root>/replay/session0/frame<FFF>.
std::string ReplayFrameBase(const std::string& root, int32_t frame);

// Writes frames first .. first + count - 1 of session 0 under `root`: 24-bit bottom-up screenshots
// of `size` (each one slightly different, so no two files are the same) and one-line captions.
bool WriteReplayFrames(const std::string& root, int32_t first, int32_t count, FrameSize size);

// Writes frames first .. first + count - 1 of session 0 under `root` cheaply: frame `first` as
// WriteReplayFrames does, every other frame's screenshot a hard link to it, each with a caption of
// its own (the loader still reads every frame in full; disk and page cache hold one picture).
bool LinkReplayFrames(const std::string& root, int32_t first, int32_t count, FrameSize size);

// Writes <configHome>/Dravenor.conf pointing the viewer at `root`.
bool WriteViewerSettings(const std::string& configHome, const std::string& root, int32_t maxFrames);

}  // namespace kelvista::bench
