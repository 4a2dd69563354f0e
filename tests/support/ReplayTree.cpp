#include "ReplayTree.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "TestPictures.h"

namespace kelvista::test {

ReplayTree::ReplayTree(std::optional<int32_t> maxFrames) {
    m_settings->setText(kInstallFolderSetting, root());
    if (maxFrames) {
        m_settings->setDword(kMaxFramesSetting, *maxFrames);
    }
    makeFolder("replay");
}

std::string ReplayTree::root() const {
    return m_dir.path().toStdString();
}

std::string ReplayTree::path(const std::string& relative) const {
    return root() + "/" + relative;
}

void ReplayTree::writeFile(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path file = std::filesystem::path(root()) / relative;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << bytes;
}

void ReplayTree::makeFolder(const std::string& relative) const {
    std::filesystem::create_directories(std::filesystem::path(root()) / relative);
}

void ReplayTree::writeFrame(int32_t session, int32_t frame, const std::string& screenshot,
                            const std::string& caption) const {
    if (!screenshot.empty()) {
        writeFile(FrameName(session, frame, "bmp"), screenshot);
    }
    if (!caption.empty()) {
        writeFile(FrameName(session, frame, "htm"), caption);
    }
}

void ReplayTree::addFrame(const TreeFrame& frame) const {
    if (frame.withBmp) {
        const QImage picture = FramePicture(frame.width, frame.height, frame.session, frame.frame);
        demo::BmpFormat format;
        format.depth = frame.depth;
        const std::vector<uint8_t> bytes = demo::EncodeBmp(picture, format);
        writeFile(FrameName(frame.session, frame.frame, "bmp"), {bytes.begin(), bytes.end()});
    }
    if (frame.withHtm) {
        writeFile(FrameName(frame.session, frame.frame, "htm"),
                  frame.caption + "\r\nrest of the file\r\n");
    }
}

std::string ReplayTree::FrameName(int32_t session, int32_t frame, const char* extension) {
    char name[96];
    std::snprintf(name, sizeof name, "replay/session%d/frame%03d.%s", session, frame, extension);
    return name;
}

std::string ReplayTree::basePath(int32_t session, int32_t frame) const {
    const std::string name = FrameName(session, frame, "");
    return path(name.substr(0, name.size() - 1));  // without the dot
}

}  // namespace kelvista::test
