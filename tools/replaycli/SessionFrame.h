#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace kelvista::replaycli {

// Reads "SESSION.FRAME": two decimal int32 numbers, each with an optional '-', joined by one
// point, nothing else. False, with both outputs untouched, for anything else.
bool ParseSessionFrame(std::string_view text, int32_t& session, int32_t& frame);

// What export takes: "SESSION.FRAME" as above, or "SESSION" alone for a whole session, which
// leaves `frame` empty. False, with both outputs untouched, for anything else.
bool ParseSessionOrSessionFrame(std::string_view text, int32_t& session,
                                std::optional<int32_t>& frame);

}  // namespace kelvista::replaycli
