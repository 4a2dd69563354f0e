#pragma once

#include <cstdint>
#include <string_view>

namespace kelvista {

// Parses a whole text as a decimal 32-bit signed integer: an optional '-' and one or more digits,
// nothing else (no '+', no blanks, no base prefix). False, and `out` untouched, for anything else
// or a value outside int32.
bool ParseDecimalInt32(std::string_view text, int32_t& out);

// `text` without the spaces and tabs at its start and end.
std::string_view TrimBlanks(std::string_view text);

}  // namespace kelvista
