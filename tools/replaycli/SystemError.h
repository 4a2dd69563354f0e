#pragma once

#include <string>
#include <system_error>

namespace kelvista::replaycli {

// The system's own words for an errno value: "No space left on device", "File too large".
inline std::string SystemReason(int errnum) {
    return std::generic_category().message(errnum);
}

}  // namespace kelvista::replaycli
