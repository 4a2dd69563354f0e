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

// The small test picture: 3 x 2 pixels, red green blue over white black grey.
QImage SmallPicture();

// BMP files as a recorder writes them: bottom-up, uncompressed.
std::string Bmp24(const QImage& picture);
std::string Bmp32(const QImage& picture);
std::string Bmp8(int width, int height);

// A replay tree in a temporary folder, installed as the user's settings (InstallFolder and
// replay_maxframes) for the lifetime of the object.
class ReplayTreeFixture {
public:
    explicit ReplayTreeFixture(int32_t maxFrames = kDefaultMaxFrames);
    ~ReplayTreeFixture();

    std::string root() const;
    // The settings the tree is installed as (InstallFolder is root(), replay_maxframes as given).
    MemorySettingsSource& settings() { return *m_settings; }
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

// A tree with every kind of finding (max frames 12):
//   replay/stray.txt, replay/session03/ (folder), replay/session2 (a file): bad names
//   session0: 000 (32-bit 5x3) and 001 (24-bit 3x2) present; 002 screenshot only; 003 caption
//             only; 004 with a folder for its caption file; 005 an 8-bit screenshot; 006 a
//             screenshot that is no bitmap; 007-009 missing; 010 (24-bit 7x5) present with a tab
//             in its caption; frame07.bmp, notes.txt and sub/ do not follow the layout
//   session1: -01, 000, 001, 012, 013 present (24-bit 4x2): -01, 012 and 013 lie outside the
//             wrap-around, 002-011 are missing
class DamagedTree : public ReplayTreeFixture {
public:
    DamagedTree();
};

}  // namespace kelvista::testing
