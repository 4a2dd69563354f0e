#include "SampleFiles.h"

#include <bit>
#include <cstdio>
#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "BmpWriter.h"
#include "SettingsStore.h"

namespace kelvista::bench {
namespace {

QString Path(const std::string& path) {
    return QString::fromStdString(path);
}

// How the demo's BMP writer stores `layout`; 32-bit layouts keep the picture's fourth byte.
demo::BmpFormat LayoutFormat(BmpLayout layout) {
    demo::BmpFormat format;
    const bool wide = layout == BmpLayout::Rgb32 || layout == BmpLayout::Rgb32Bitfields;
    format.depth = wide ? demo::BmpDepth::Rgb32 : demo::BmpDepth::Rgb24;
    format.order =
        layout == BmpLayout::Rgb24TopDown ? demo::RowOrder::TopDown : demo::RowOrder::BottomUp;
    if (layout == BmpLayout::Rgb32Bitfields) {
        format.masks = demo::BmpMasks{0x000000FFu, 0x0000FF00u, 0x00FF0000u};
    }
    format.keepAlpha = true;
    return format;
}

bool WriteText(const std::string& path, const std::string& text) {
    QFile file(Path(path));
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(text.data(), qint64(text.size())) == qint64(text.size());
}

bool MakeFolder(const std::string& path) {
    return QDir().mkpath(Path(path));
}

}  // namespace

std::string_view LayoutName(BmpLayout layout) {
    constexpr std::string_view kNames[] = {"rgb24", "rgb24_topdown", "rgb32", "rgb32_bitfields"};
    return kNames[static_cast<size_t>(layout)];
}

QImage SamplePicture::image() const {
    // Blue, green, red, 0xFF in memory is an RGB32 pixel on a little-endian machine.
    static_assert(std::endian::native == std::endian::little);
    return QImage(bgrx.data(), width, height, width * 4, QImage::Format_RGB32);
}

SamplePicture MakeSamplePicture(FrameSize size, uint32_t seed) {
    const auto [width, height] = size;
    SamplePicture picture{width, height, std::vector<uint8_t>(size.bytes32())};
    uint32_t noise = 0x9E3779B9u * (seed | 1u);
    uint8_t* out = picture.bgrx.data();
    for (int32_t y = 0; y < height; ++y) {
        for (int32_t x = 0; x < width; ++x, out += 4) {
            noise ^= noise << 13;
            noise ^= noise >> 17;
            noise ^= noise << 5;
            const bool grid = (x % 64) == 0 || (y % 48) == 0;
            const uint32_t jitter = noise & 0x0Fu;
            out[0] = grid ? 0x20 : static_cast<uint8_t>((x * 255 / width + jitter + seed) & 0xFF);
            out[1] = grid ? 0x20 : static_cast<uint8_t>((y * 255 / height + jitter) & 0xFF);
            out[2] = grid ? 0x20 : static_cast<uint8_t>(((x + y) / 8 + seed * 7) & 0xFF);
            out[3] = 0xFF;
        }
    }
    return picture;
}

InputFiles::InputFiles() : m_folder(QDir::tempPath() + "/kelvista-bench-XXXXXX") {}

const SamplePicture& InputFiles::picture(FrameSize size) {
    const auto [slot, made] = m_pictures.try_emplace({size.width, size.height});
    if (made) {
        slot->second = MakeSamplePicture(size);
    }
    return slot->second;
}

const std::string& InputFiles::file(FrameSize size, BmpLayout layout) {
    std::string& path = m_files[{size.width, size.height, layout}];
    if (path.empty() && ok()) {
        const std::string candidate = m_folder.path().toStdString() + "/" + size.name() + "-" +
                                      std::string(LayoutName(layout)) + ".bmp";
        if (demo::WriteBmp(Path(candidate), picture(size).image(), LayoutFormat(layout))) {
            path = candidate;
        }
    }
    return path;
}

std::string ReplayFrameBase(const std::string& root, int32_t frame) {
    char name[64];
    std::snprintf(name, sizeof name, "/replay/session0/frame%03d", frame);
    return root + name;
}

bool WriteReplayFrames(const std::string& root, int32_t first, int32_t count, FrameSize size) {
    if (!MakeFolder(QFileInfo(Path(ReplayFrameBase(root, first))).path().toStdString())) {
        return false;
    }
    SamplePicture picture = MakeSamplePicture(size, 0);
    const demo::BmpFormat format = LayoutFormat(BmpLayout::Rgb24BottomUp);
    for (int32_t frame = first; frame < first + count; ++frame) {
        // Marks the first pixel with the frame number.
        for (int i = 0; i < 3; ++i) {
            picture.bgrx[size_t(i)] = static_cast<uint8_t>(frame >> (8 * i));
        }
        const std::string base = ReplayFrameBase(root, frame);
        if (!demo::WriteBmp(Path(base + ".bmp"), picture.image(), format) ||
            !WriteText(base + ".htm", "Benchmark frame " + std::to_string(frame) + "\r\n")) {
            return false;
        }
    }
    return true;
}

bool LinkReplayFrames(const std::string& root, int32_t first, int32_t count, FrameSize size) {
    if (count <= 0 || !WriteReplayFrames(root, first, 1, size)) {
        return count <= 0;
    }
    const std::string picture = ReplayFrameBase(root, first) + ".bmp";
    for (int32_t frame = first + 1; frame < first + count; ++frame) {
        const std::string base = ReplayFrameBase(root, frame);
        std::error_code error;
        std::filesystem::create_hard_link(picture, base + ".bmp", error);
        if (error ||
            !WriteText(base + ".htm", "Benchmark frame " + std::to_string(frame) + "\r\n")) {
            return false;
        }
    }
    return true;
}

bool WriteViewerSettings(const std::string& configHome, const std::string& root,
                         int32_t maxFrames) {
    return MakeFolder(configHome) &&
           WriteText(configHome + "/Dravenor.conf", std::string(kInstallFolderSetting) + "=" +
                                                        root + "\n" + kMaxFramesSetting + "=" +
                                                        std::to_string(maxFrames) + "\n");
}

}  // namespace kelvista::bench
