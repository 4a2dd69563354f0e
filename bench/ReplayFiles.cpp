#include "ReplayFiles.h"

#include <cstdio>
#include <filesystem>
#include <system_error>
#include <vector>

namespace kelvista::bench {
namespace {

constexpr size_t kPixelOffset = 54;  // a 24-bit layout: both headers, then the rows

bool WriteText(const std::string& path, const std::string& text) {
    return WriteWholeFile(path, std::vector<uint8_t>(text.begin(), text.end()));
}

}  // namespace

std::string ReplayFrameBase(const std::string& root, int32_t session, int32_t frame) {
    char name[64];
    std::snprintf(name, sizeof name, "/replay/session%d/frame%03d", session, frame);
    return root + name;
}

bool WriteReplayFrames(const std::string& root, int32_t session, int32_t first, int32_t count,
                       FrameSize size, BmpLayout layout) {
    std::error_code error;
    std::filesystem::create_directories(
        std::filesystem::path(ReplayFrameBase(root, session, first)).parent_path(), error);
    if (error) {
        return false;
    }
    std::vector<uint8_t> bytes = EncodeLayout(
        MakeSamplePicture(size.width, size.height, static_cast<uint32_t>(session)), layout);
    if (bytes.empty()) {
        return false;
    }
    for (int32_t frame = first; frame < first + count; ++frame) {
        // Marks the first pixels with the frame number.
        for (size_t i = 0; i < 12 && kPixelOffset + i < bytes.size(); ++i) {
            bytes[kPixelOffset + i] = static_cast<uint8_t>(frame >> (8 * (i % 4)));
        }
        const std::string base = ReplayFrameBase(root, session, frame);
        char caption[64];
        std::snprintf(caption, sizeof caption, "Benchmark frame %d\r\n", frame);
        if (!WriteWholeFile(base + ".bmp", bytes) || !WriteText(base + ".htm", caption)) {
            return false;
        }
    }
    return true;
}

bool WriteViewerSettings(const std::string& configHome, const std::string& root,
                         int32_t maxFrames) {
    std::error_code error;
    std::filesystem::create_directories(configHome, error);
    return !error && WriteText(configHome + "/Dravenor.conf",
                               "InstallFolder=" + root +
                                   "\nreplay_maxframes=" + std::to_string(maxFrames) + "\n");
}

}  // namespace kelvista::bench
