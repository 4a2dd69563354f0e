#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include <QTemporaryDir>

#include "BmpWriter.h"
#include "MemorySettingsSource.h"

namespace kelvista::test {

struct TreeFrame;

// A replay tree in a temporary folder, installed as the user's settings for the lifetime of the
// object: InstallFolder is root(), replay_maxframes is `maxFrames` (left unset when nullopt).
class ReplayTree {
public:
    explicit ReplayTree(std::optional<int32_t> maxFrames = kDefaultMaxFrames);
    ReplayTree(const ReplayTree&) = delete;
    ReplayTree& operator=(const ReplayTree&) = delete;

    std::string root() const;
    // root/relative.
    std::string path(const std::string& relative) const;
    // The settings the tree is installed as; changes show at once.
    MemorySettingsSource& settings() { return *m_settings; }

    // Writes `bytes` to root/relative, creating folders on the way.
    void writeFile(const std::string& relative, const std::string& bytes) const;
    void makeFolder(const std::string& relative) const;
    // A frame's two files; an empty screenshot or caption text leaves that file out.
    void writeFrame(int32_t session, int32_t frame, const std::string& screenshot,
                    const std::string& caption) const;
    // A frame drawn in its own colour, the caption's first line followed by more lines.
    void addFrame(const TreeFrame& frame) const;

    // "replay/session<S>/frame<FFF>.<extension>", the frame number at least three digits.
    static std::string FrameName(int32_t session, int32_t frame, const char* extension);
    // The path a reader composes for the frame: root/replay/session<S>/frame<FFF>, no extension.
    std::string basePath(int32_t session, int32_t frame) const;

private:
    QTemporaryDir m_dir;
    std::shared_ptr<MemorySettingsSource> m_settings = std::make_shared<MemorySettingsSource>();
    ScopedUserSettings m_scope{m_settings};
};

// A frame as addFrame writes it: a FramePicture(width, height, session, frame) screenshot and a
// caption file whose first line is `caption`.
struct TreeFrame {
    int32_t session = 0;
    int32_t frame = 0;
    int width = 16;
    int height = 8;
    demo::BmpDepth depth = demo::BmpDepth::Rgb24;
    std::string caption = "caption";  // raw bytes of the caption file's first line
    bool withBmp = true;
    bool withHtm = true;
};

}  // namespace kelvista::test
