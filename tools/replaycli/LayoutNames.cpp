#include "LayoutNames.h"

#include <cstdio>

#include "DecimalNumber.h"

namespace kelvista::replaycli {

namespace {

constexpr std::string_view kSessionPrefix = "session";
constexpr std::string_view kFramePrefix = "frame";

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

std::string PositionText(int32_t session, int32_t frame) {
    char text[32];
    std::snprintf(text, sizeof text, "[%d.%03d]", session, frame);
    return text;
}

}  // namespace kelvista::replaycli
