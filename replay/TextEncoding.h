#pragma once

#include <cstdint>
#include <string_view>

namespace kelvista {

// True when `bytes` is well-formed UTF-8: no stray continuation bytes, no truncated or overlong
// sequences, no surrogates, nothing above U+10FFFF.
bool IsValidUtf8(std::string_view bytes);

// The Unicode code point of one Windows-1252 byte. The five bytes the code page leaves unassigned
// (0x81, 0x8D, 0x8F, 0x90, 0x9D) map to the code points of the same value, so every byte has one.
char16_t Windows1252ToUnicode(uint8_t byte);

}  // namespace kelvista
