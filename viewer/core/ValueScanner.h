#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace kelvista {

// Hand-written equivalents of sscanf(text, "%d", ...) and sscanf(text, "%d.%d", ...): each number
// may follow white space and carry a sign; scanning stops at the first text that does not match,
// and a number the text does not supply keeps its prior value. Unlike sscanf, a number that does
// not fit in 32 bits is consumed but not stored (it counts as not supplied), so no input has
// undefined behaviour. Each returns how many numbers were stored.
int ScanInt(std::string_view text, int32_t& value);
int ScanSessionFrame(std::string_view text, int32_t& session, int32_t& frame);

enum class DecimalScan { Stored, TooLarge, NoNumber };

// One "%d" conversion starting at `pos`; `pos` moves past what was consumed.
DecimalScan ScanDecimal(std::string_view text, size_t& pos, int32_t& value);

}  // namespace kelvista
