#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include <QImage>
#include <QTemporaryDir>

#include "MemorySettingsSource.h"

namespace kelvista::testing {

// A picture with a different colour in every pixel, so that any misplaced row or channel shows.
QImage PatternPicture(int width, int height, int seed);

// BMP files as a recorder writes them: bottom-up, uncompressed.
std::string Bmp24(const QImage& picture);
std::string Bmp32(const QImage& picture);
std::string Bmp8(int width, int height);

// A replay tree in a temporary folder, installed as the user's settings (InstallFolder and
// replay_maxframes) for the lifetime of the object.
class ReplayTreeFixture {
public:
    explicit ReplayTreeFixture(int32_t maxFrames = 1000);
    ~ReplayTreeFixture();

    std::string root() const;
    // Writes `bytes` to root/relative, creating folders on the way.
    void writeFile(const std::string& relative, const std::string& bytes);
    void makeFolder(const std::string& relative);
    // A frame's two files; an empty screenshot or caption text leaves that file out.
    void writeFrame(int32_t session, int32_t frame, const std::string& screenshot,
                    const std::string& caption);
    static std::string FrameName(int32_t session, int32_t frame, const char* extension);

private:
    QTemporaryDir m_dir;
    std::shared_ptr<MemorySettingsSource> m_settings;
};

}  // namespace kelvista::testing
