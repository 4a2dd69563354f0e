#pragma once

// SystemReason is the one way this code turns an errno value into words for a message: the
// system's own, the same in every place ("No space left on device", "File too large").
//
//     if (mkdir(path, 0777) != 0) { error = "cannot create " + path + ": " + SystemReason(errno); }

#include <string>
#include <system_error>

namespace kelvista::fileio {

inline std::string SystemReason(int errnum) {
    return std::generic_category().message(errnum);
}

}  // namespace kelvista::fileio
