#include "ReplayTree.h"

#include <cstdio>
#include <filesystem>
#include <fstream>

namespace kelvista::testing {

namespace {

void Put16(std::string& out, uint32_t value) {
    out.push_back(static_cast<char>(value & 0xFF));
    out.push_back(static_cast<char>((value >> 8) & 0xFF));
}

void Put32(std::string& out, uint32_t value) {
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

std::string Headers(int width, int height, int bitsPerPixel, uint32_t paletteBytes,
                    uint32_t pixelBytes) {
    std::string out = "BM";
    const uint32_t offset = 14 + 40 + paletteBytes;
    Put32(out, offset + pixelBytes);
    Put32(out, 0);
    Put32(out, offset);
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(width));
    Put32(out, static_cast<uint32_t>(height));
    Put16(out, 1);
    Put16(out, static_cast<uint32_t>(bitsPerPixel));
    Put32(out, 0);  // BI_RGB
    Put32(out, pixelBytes);
    Put32(out, 2835);
    Put32(out, 2835);
    Put32(out, 0);
    Put32(out, 0);
    return out;
}

std::string BmpOf(const QImage& picture, int bytesPerPixel) {
    const int width = picture.width();
    const int height = picture.height();
    const uint32_t stride = static_cast<uint32_t>((width * bytesPerPixel + 3) / 4 * 4);
    std::string out = Headers(width, height, bytesPerPixel * 8, 0, stride * height);
    for (int y = height - 1; y >= 0; --y) {  // bottom-up
        std::string row;
        for (int x = 0; x < width; ++x) {
            const QRgb pixel = picture.pixel(x, y);
            row.push_back(static_cast<char>(qBlue(pixel)));
            row.push_back(static_cast<char>(qGreen(pixel)));
            row.push_back(static_cast<char>(qRed(pixel)));
            if (bytesPerPixel == 4) {
                row.push_back('\x7F');  // the fourth byte never shows
            }
        }
        row.resize(stride, '\0');
        out += row;
    }
    return out;
}

}  // namespace

QImage PatternPicture(int width, int height, int seed) {
    QImage picture(width, height, QImage::Format_RGB32);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            picture.setPixel(x, y,
                             qRgb((x * 37 + seed * 11) & 0xFF, (y * 59 + seed) & 0xFF,
                                  (x * y + seed * 3 + 17) & 0xFF));
        }
    }
    return picture;
}

QImage SmallPicture() {
    static const QRgb colours[2][3] = {{0xFF0000, 0x00FF00, 0x0000FF},
                                       {0xFFFFFF, 0x000000, 0x808080}};
    QImage picture(3, 2, QImage::Format_RGB32);
    for (int y = 0; y < 2; ++y) {
        for (int x = 0; x < 3; ++x) {
            picture.setPixel(x, y, colours[y][x]);
        }
    }
    return picture;
}

std::string Bmp24(const QImage& picture) {
    return BmpOf(picture, 3);
}
std::string Bmp32(const QImage& picture) {
    return BmpOf(picture, 4);
}

std::string Bmp8(int width, int height) {
    const uint32_t stride = static_cast<uint32_t>((width + 3) / 4 * 4);
    std::string out = Headers(width, height, 8, 256 * 4, stride * height);
    for (uint32_t i = 0; i < 256; ++i) {
        Put32(out, i * 0x010101u);
    }
    out += std::string(stride * height, '\x05');
    return out;
}

ReplayTreeFixture::ReplayTreeFixture(int32_t maxFrames)
    : m_settings(std::make_shared<MemorySettingsSource>()) {
    m_settings->setText(kInstallFolderSetting, root());
    m_settings->setDword(kMaxFramesSetting, maxFrames);
    SetUserSettingsForTesting(m_settings);
    makeFolder("replay");
}

ReplayTreeFixture::~ReplayTreeFixture() {
    SetUserSettingsForTesting(nullptr);
}

std::string ReplayTreeFixture::root() const {
    return m_dir.path().toStdString();
}

void ReplayTreeFixture::writeFile(const std::string& relative, const std::string& bytes) {
    const std::filesystem::path path = std::filesystem::path(root()) / relative;
    std::filesystem::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << bytes;
}

void ReplayTreeFixture::makeFolder(const std::string& relative) {
    std::filesystem::create_directories(std::filesystem::path(root()) / relative);
}

std::string ReplayTreeFixture::FrameName(int32_t session, int32_t frame, const char* extension) {
    char name[96];
    std::snprintf(name, sizeof name, "replay/session%d/frame%03d.%s", session, frame, extension);
    return name;
}

void ReplayTreeFixture::writeFrame(int32_t session, int32_t frame, const std::string& screenshot,
                                   const std::string& caption) {
    if (!screenshot.empty()) {
        writeFile(FrameName(session, frame, "bmp"), screenshot);
    }
    if (!caption.empty()) {
        writeFile(FrameName(session, frame, "htm"), caption);
    }
}

DamagedTree::DamagedTree() : ReplayTreeFixture(12) {
    writeFile("replay/stray.txt", "x");
    makeFolder("replay/session03");
    writeFile("replay/session2", "not a folder");

    writeFrame(0, 0, Bmp32(PatternPicture(5, 3, 0)), "Hand 0\r\n<html>");
    writeFrame(0, 1, Bmp24(PatternPicture(3, 2, 1)),
               "Stra\xC3\x9F"
               "e 1\n");
    writeFrame(0, 2, Bmp24(PatternPicture(4, 4, 2)), "");
    writeFrame(0, 3, "", "Hand 3");
    writeFrame(0, 4, Bmp24(PatternPicture(2, 2, 4)), "");
    makeFolder(FrameName(0, 4, "htm"));
    writeFrame(0, 5, Bmp8(4, 2), "Hand 5");
    writeFrame(0, 6, "this is not a bitmap", "Hand 6");
    writeFrame(0, 10, Bmp24(PatternPicture(7, 5, 10)), "Hand\t10");
    writeFile("replay/session0/frame07.bmp", Bmp24(PatternPicture(2, 2, 7)));
    writeFile("replay/session0/notes.txt", "x");
    makeFolder("replay/session0/sub");

    for (const int32_t frame : {-1, 0, 1, 12, 13}) {
        writeFrame(1, frame, Bmp24(PatternPicture(4, 2, frame + 20)),
                   "Session 1 frame " + std::to_string(frame));
    }
}

}  // namespace kelvista::testing
