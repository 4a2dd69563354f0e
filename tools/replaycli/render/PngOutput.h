#pragma once

// PNG written straight into an open file, every write checked.

#include <string>

class QImage;

namespace kelvista::replaycli {

// Encodes `image` as PNG straight into the open file `fd`, every write checked. The encoder never
// sees a failed write: the first failure is kept and the rest of the output dropped, so it prints
// nothing of its own ("libpng error: Write Error") and `reason` is the system's own ("No space
// left on device", "File too large"). False when `image` is null too.
bool WritePng(int fd, const QImage& image, std::string& reason);

}  // namespace kelvista::replaycli
