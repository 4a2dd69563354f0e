#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

namespace kelvista {

inline constexpr size_t kInfoTextCapacity = 4096;  // bytes, terminator included

// The window title of a frame, as bytes: its caption, a space and the bracketed position ("Hand 12
// [3.007]").
std::string TitleText(std::string_view caption, int32_t session, int32_t frame);

// The info screen: ten lines, each ended by CR LF, with the build stamp, position and wrap count.
std::string InfoText(const char* stamp, int32_t session, int32_t frame, int32_t maxFrames);

// The build stamp "2006 Apr 8 19:12:14" of the viewer's own compile date and time, cut to fit
// `size` bytes (>= 1) including the terminator. Returns `dst`.
char* BuildStamp(char* dst, size_t size);

// BuildStamp for a given compiler date ("Apr  8 2006") and time ("19:12:14").
char* FormatBuildStamp(const char* date, const char* time, char* dst, size_t size);

}  // namespace kelvista
