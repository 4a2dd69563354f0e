#include "ReplayLayout.h"

#include <cstdio>
#include <cstring>

#include "DecimalNumber.h"
#include "RegularFile.h"
#include "SettingsStore.h"

namespace kelvista {

namespace {

constexpr std::string_view kSessionPrefix = "session";
constexpr std::string_view kFramePrefix = "frame";

// ComposeReplayPath leaves a relative name off when the whole does not fit; such a path names
// the root itself and must not be taken for the folder asked for.
std::string ComposeFolder(const std::string& relative) {
    char path[kPathCapacity];
    ComposeReplayPath(relative.c_str(), path, sizeof path);
    const std::string_view composed = path;
    return composed.ends_with(relative) ? std::string(composed) : std::string();
}

// The number only when printing it back with `format` gives exactly `text`: the one spelling the
// recorder produces (no leading zeros beyond the format's, no "-0").
std::optional<int32_t> ParseCanonical(std::string_view text, const char* format) {
    int32_t value = 0;
    if (!ParseDecimalInt32(text, value)) {
        return std::nullopt;
    }
    char printed[16];
    std::snprintf(printed, sizeof printed, format, value);
    if (text != printed) {
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
    char buffer[kPathCapacity] = {};
    ReadSettingString(kInstallFolderSetting, buffer, sizeof buffer);
    size_t length = std::strlen(buffer);
    // A root of kPathCapacity - 1 characters leaves no room for the separator: the path is then
    // the root alone, since nothing can follow it within the buffer anyway.
    if (length + 1 < sizeof buffer) {
        buffer[length++] = kPathSeparator;
        buffer[length] = '\0';
    }
    const size_t relativeLength = relative != nullptr ? std::strlen(relative) : 0;
    if (relativeLength + length < sizeof buffer) {
        std::memcpy(buffer + length, relative, relativeLength);
        buffer[length + relativeLength] = '\0';
    }
    return CopyTruncated(dst, buffer, dstSize);
}

std::string FrameBasePath(int32_t session, int32_t frame) {
    char relative[kShortTextCapacity] = {};
    std::snprintf(relative, sizeof relative, "%s%cframe%03d",
                  SessionRelativeFolder(session).c_str(), kPathSeparator, frame);
    char path[kPathCapacity] = {};
    ComposeReplayPath(relative, path, sizeof path);
    return path;
}

std::string SessionRelativeFolder(int32_t session) {
    char relative[kShortTextCapacity] = {};
    std::snprintf(relative, sizeof relative, "%s%csession%d", kReplayFolderName, kPathSeparator,
                  session);
    return relative;
}

std::string ReplayFolder() {
    return ComposeFolder(kReplayFolderName);
}

std::string SessionFolder(int32_t session) {
    return ComposeFolder(SessionRelativeFolder(session));
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
    return ParseCanonical(name.substr(kSessionPrefix.size()), "%d");
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
    const std::optional<int32_t> frame = ParseCanonical(number, "%03d");
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
    std::FILE* file = OpenRegularFileForReading(path);
    if (file == nullptr) {
        return false;
    }
    std::fclose(file);
    return true;
}

bool FrameIsPresent(const std::string& basePath) {
    return FileExists(basePath + ".bmp") && FileExists(basePath + ".htm");
}

}  // namespace kelvista
