#include "LayoutNames.h"

#include <cstdio>

namespace kelvista::replaycli {

namespace {

constexpr std::string_view kSessionPrefix = "session";
constexpr std::string_view kFramePrefix = "frame";

// The number only when printing it back with `format` gives exactly `text`: the one spelling the
// recorder produces.
std::optional<int32_t> ParseCanonical(std::string_view text, const char* format) {
    const std::optional<int32_t> value = ParseDecimal(text);
    if (!value) {
        return std::nullopt;
    }
    char printed[16];
    std::snprintf(printed, sizeof printed, format, *value);
    if (text != printed) {
        return std::nullopt;
    }
    return value;
}

}  // namespace

std::optional<int32_t> ParseDecimal(std::string_view text) {
    bool negative = false;
    if (!text.empty() && text.front() == '-') {
        negative = true;
        text.remove_prefix(1);
    }
    if (text.empty() || text.size() > 32) {
        return std::nullopt;
    }
    int64_t magnitude = 0;
    for (const char c : text) {
        if (c < '0' || c > '9') {
            return std::nullopt;
        }
        magnitude = magnitude * 10 + (c - '0');
        if (magnitude > int64_t{INT32_MAX} + 1) {
            return std::nullopt;
        }
    }
    const int64_t value = negative ? -magnitude : magnitude;
    if (value > INT32_MAX || value < INT32_MIN) {
        return std::nullopt;
    }
    return static_cast<int32_t>(value);
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

std::optional<FrameSpec> ParseFrameSpec(std::string_view text) {
    FrameSpec position;
    const size_t point = text.find('.');
    const std::optional<int32_t> session = ParseDecimal(text.substr(0, point));
    if (!session) {
        return std::nullopt;
    }
    position.session = *session;
    if (point != std::string_view::npos) {
        const std::optional<int32_t> frame = ParseDecimal(text.substr(point + 1));
        if (!frame) {
            return std::nullopt;
        }
        position.frame = *frame;
    }
    return position;
}

std::string PositionText(int32_t session, int32_t frame) {
    char text[32];
    std::snprintf(text, sizeof text, "[%d.%03d]", session, frame);
    return text;
}

}  // namespace kelvista::replaycli
