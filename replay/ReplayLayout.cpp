#include "ReplayLayout.h"

#include <cstdio>
#include <cstring>

#include "RegularFile.h"
#include "SettingsStore.h"

namespace kelvista {

namespace {

#ifdef _WIN32
constexpr char kSeparator[] = "\\";
#else
constexpr char kSeparator[] = "/";
#endif

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
        buffer[length++] = kSeparator[0];
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
#ifdef _WIN32
    std::snprintf(relative, sizeof relative, "replay\\session%d\\frame%03d", session, frame);
#else
    std::snprintf(relative, sizeof relative, "replay/session%d/frame%03d", session, frame);
#endif
    char path[kPathCapacity] = {};
    ComposeReplayPath(relative, path, sizeof path);
    return path;
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
