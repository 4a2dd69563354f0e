#include "ReplayLayout.h"

#include <charconv>
#include <cstdio>
#include <cstring>

#ifndef _WIN32
#include <fcntl.h>
#include <unistd.h>
#endif

#include "DecimalNumber.h"
#include "RegularFile.h"
#include "SettingsStore.h"

namespace kelvista {

namespace {

constexpr std::string_view kSessionPrefix = "session";
constexpr std::string_view kFramePrefix = "frame";

// Root + separator + `relative` into `buffer`, as ComposeReplayPath composes it. False when the
// relative name did not fit and was left off.
bool ComposeInto(const char* relative, char (&buffer)[kPathCapacity]) {
    std::memset(buffer, 0, sizeof buffer);
    ReadSettingString(kInstallFolderSetting, buffer, sizeof buffer);
    size_t length = std::strlen(buffer);
    // A root of kPathCapacity - 1 characters leaves no room for the separator: the path is then
    // the root alone, since nothing can follow it within the buffer anyway.
    if (length + 1 < sizeof buffer) {
        buffer[length++] = kPathSeparator;
        buffer[length] = '\0';
    }
    const size_t relativeLength = relative != nullptr ? std::strlen(relative) : 0;
    if (relativeLength + length >= sizeof buffer) {
        return false;
    }
    std::memcpy(buffer + length, relative, relativeLength);
    buffer[length + relativeLength] = '\0';
    return true;
}

// A path composed whole, or nullopt: with its relative name left off, a composed path names the
// root itself and must not be taken for what was asked for.
std::optional<std::string> ComposeWhole(const std::string& relative) {
    char path[kPathCapacity];
    if (!ComposeInto(relative.c_str(), path)) {
        return std::nullopt;
    }
    return std::string(path);
}

// `value` as printf's "%0<width>d" prints it (width 0: "%d"): the sign, then the digits with
// zeros in front until the whole is `width` long. Returns the length; `out` holds 16 bytes.
// Names are printed and parsed for every file of a session, so this is without printf.
size_t PrintPadded(int32_t value, int width, char* out) {
    char digits[12];
    const int64_t magnitude = value < 0 ? -int64_t{value} : int64_t{value};
    const char* end = std::to_chars(digits, digits + sizeof digits, magnitude).ptr;
    const size_t count = static_cast<size_t>(end - digits);
    size_t length = 0;
    if (value < 0) {
        out[length++] = '-';
    }
    for (size_t i = length + count; i < static_cast<size_t>(width); ++i) {
        out[length++] = '0';
    }
    std::memcpy(out + length, digits, count);
    return length + count;
}

// The number only when printing it back with "%0<width>d" gives exactly `text`: the one spelling
// the recorder produces (no leading zeros beyond the format's, no "-0").
std::optional<int32_t> ParseCanonical(std::string_view text, int width) {
    int32_t value = 0;
    if (!ParseDecimalInt32(text, value)) {
        return std::nullopt;
    }
    char printed[16];
    if (text != std::string_view(printed, PrintPadded(value, width, printed))) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

char* CopyTruncated(char* dst, const char* src, size_t size) {
    if (dst == nullptr || size == 0) {
        return dst;
    }
    size_t i = 0;
    if (src != nullptr) {
        for (; i < size && src[i] != '\0'; ++i) {
            dst[i] = src[i];
        }
    }
    std::memset(dst + i, 0, size - i);
    dst[size - 1] = '\0';
    return dst;
}

char* ComposeReplayPath(const char* relative, char* dst, size_t dstSize) {
    char buffer[kPathCapacity];
    ComposeInto(relative, buffer);
    return CopyTruncated(dst, buffer, dstSize);
}

std::string FullReplayPath(const std::string& relative) {
    char root[kPathCapacity] = {};
    ReadSettingString(kInstallFolderSetting, root, sizeof root);
    return root + std::string(1, kPathSeparator) + relative;
}

std::optional<std::string> FrameBasePath(int32_t session, int32_t frame) {
    return ComposeWhole(SessionRelativeFolder(session) + kPathSeparator + FrameName(frame));
}

std::string SessionRelativeFolder(int32_t session) {
    char relative[kShortTextCapacity] = {};
    std::snprintf(relative, sizeof relative, "%s%csession%d", kReplayFolderName, kPathSeparator,
                  session);
    return relative;
}

std::string FrameName(int32_t frame) {
    char number[16];
    std::string name(kFramePrefix);
    name.append(number, PrintPadded(frame, 3, number));
    return name;
}

std::string ReplayFolder() {
    return ComposeWhole(kReplayFolderName).value_or(std::string());
}

std::string SessionFolder(int32_t session) {
    return ComposeWhole(SessionRelativeFolder(session)).value_or(std::string());
}

std::string PositionText(int32_t session, int32_t frame) {
    char text[32];
    std::snprintf(text, sizeof text, "[%d.%03d]", session, frame);
    return text;
}

std::optional<int32_t> ParseSessionFolderName(std::string_view name) {
    if (!name.starts_with(kSessionPrefix)) {
        return std::nullopt;
    }
    return ParseCanonical(name.substr(kSessionPrefix.size()), 0);
}

std::optional<FrameFileName> ParseFrameFileName(std::string_view name) {
    if (!name.starts_with(kFramePrefix) || name.size() < kFramePrefix.size() + 4) {
        return std::nullopt;
    }
    const std::string_view extension = name.substr(name.size() - 4);
    FrameFileName result;
    if (extension == ".bmp") {
        result.kind = FrameFileKind::Screenshot;
    } else if (extension == ".htm") {
        result.kind = FrameFileKind::Caption;
    } else {
        return std::nullopt;
    }
    const std::string_view number =
        name.substr(kFramePrefix.size(), name.size() - kFramePrefix.size() - 4);
    const std::optional<int32_t> frame = ParseCanonical(number, 3);
    if (!frame) {
        return std::nullopt;
    }
    result.frame = *frame;
    return result;
}

bool ParseSessionFrame(std::string_view text, int32_t& session, int32_t& frame) {
    const size_t point = text.find('.');
    if (point == std::string_view::npos) {
        return false;
    }
    int32_t parsedSession = 0;
    int32_t parsedFrame = 0;
    // A second point lands in the frame text, which then is no number.
    if (!ParseDecimalInt32(text.substr(0, point), parsedSession) ||
        !ParseDecimalInt32(text.substr(point + 1), parsedFrame)) {
        return false;
    }
    session = parsedSession;
    frame = parsedFrame;
    return true;
}

bool ParseSessionOrSessionFrame(std::string_view text, int32_t& session,
                                std::optional<int32_t>& frame) {
    if (text.find('.') == std::string_view::npos) {
        if (!ParseDecimalInt32(text, session)) {
            return false;
        }
        frame.reset();
        return true;
    }
    int32_t pointFrame = 0;
    if (!ParseSessionFrame(text, session, pointFrame)) {
        return false;
    }
    frame = pointFrame;
    return true;
}

bool FileExists(const std::string& path) {
#ifdef _WIN32
    std::FILE* file = OpenRegularFileForReading(path);
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
#else
    // The same open as OpenRegularFileForReading, without a stream that would only be closed.
    const int fd = OpenRegularFileAt(AT_FDCWD, path.c_str());
    if (fd < 0) {
        return false;
    }
    ::close(fd);
    return true;
#endif
}

bool FrameIsPresent(const std::string& basePath) {
    return FileExists(basePath + ".bmp") && FileExists(basePath + ".htm");
}

}  // namespace kelvista
