#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace kelvista {

// What LoadBMP would return for a screenshot, learnt from its headers and its size alone: the file
// is opened as LoadBMP opens it (regular files only, without blocking) and read through the same
// header checks (ReadBmpHeader); the pixel rows are never read.
struct BmpProbe {
    // LoadBMP's return code: 0, -1 or -2. (LoadBMP's -3 needs a converted bitmap to vanish.)
    int code = -1;
    // Where LoadBMP leaves a bitmap with the caller (codes 0 and -2): its size and the depth of the
    // file it came from, else 0. A refused embedded JPEG or PNG may leave its depth 0 too.
    int32_t width = 0;
    int32_t height = 0;
    int32_t sourceBitsPerPixel = 0;
};

// The probe answers exactly as LoadBMP would, except for what only reading the pixels can show:
//  - a read error inside the pixel rows, or a file that shrinks before its rows are read
//    (LoadBMP gives -1 for a 32-bit file, -2 for a 24-bit one, where the probe said 0);
//  - memory for the 32-bit result that cannot be had (the same codes), and of course
//  - a file that changes between the probe and the load.
BmpProbe ProbeBMP(const std::string& path);

#if defined(__unix__) || defined(__APPLE__)
// The same for a regular file of `size` bytes that the caller has already opened as LoadBMP opens
// it (read-only, without blocking, and found to be a regular file): the probe takes over `fd` and
// closes it.
BmpProbe ProbeBMPOpenFile(int fd, uint64_t size);
#endif

// The same for a file already in memory, answering as LoadBMPFromMemory would.
BmpProbe ProbeBMPFromMemory(const uint8_t* data, size_t size);

}  // namespace kelvista
