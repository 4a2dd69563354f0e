#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "ChangeMap.h"
#include "FrameBitmap.h"

namespace kelvista {

// Loads a frame's screenshot as a 32-bit bitmap.
//   0  loaded and 32-bit; `dibOut` describes it
//  -1  the file could not be read as a bitmap (missing, not a BMP, damaged, too large)
//  -2  the conversion failed (every depth but 24 and 32, compressed pixels)
//  -3  reading the geometry of the result failed
// `bitmapOut` is written on every path: empty on -1, the loaded but unusable bitmap on -2.
// `dibOut` is written only on success.
int LoadBMP(const std::string& path, BitmapHandle& bitmapOut, DibSection& dibOut);

#if defined(__unix__) || defined(__APPLE__)
// The same for a regular file of `size` bytes that the caller has already opened as LoadBMP opens
// it (read-only, without blocking, and found to be a regular file): the loader takes over `fd`
// and closes it once the pixels are read.
int LoadBMPOpenFile(int fd, uint64_t size, BitmapHandle& bitmapOut, DibSection& dibOut);
#endif

// The same, for a file already in memory. `data` must stay valid while `bitmapOut` holds a bitmap
// that is not 32-bit (its rows are still read from `data`).
int LoadBMPFromMemory(const uint8_t* data, size_t size, BitmapHandle& bitmapOut,
                      DibSection& dibOut);

// Loading frames in order, each over the one before: the code and the result in `bitmapInOut` and
// `dibOut` are exactly LoadBMPOpenFile's (or LoadBMPFromMemory's) for the file, and the picture
// `bitmapInOut` held before is given up either way. A 24-bit file of that picture's size (itself
// from a 24-bit file) is widened over it in place, writing only the pixels that changed: the frame
// before is read, never copied. `changes` then maps the pixels whose colour bytes differ from the
// picture held before; it is also filled, by comparing the two, for any other pair of loaded
// pictures of one size, and cleared to 0 x 0 when there is none (nothing held, a code other than
// 0, another size, or no memory for the map).
#if defined(__unix__) || defined(__APPLE__)
int LoadBMPOpenFileOver(int fd, uint64_t size, BitmapHandle& bitmapInOut, DibSection& dibOut,
                        ChangeMap& changes);
#endif
int LoadBMPFromMemoryOver(const uint8_t* data, size_t size, BitmapHandle& bitmapInOut,
                          DibSection& dibOut, ChangeMap& changes);

// Whether the latest load on this thread failed because memory for its pixels could not be had,
// not because of the file: its code alone does not tell (the viewer shows both alike).
bool LastLoadRanOutOfMemory();

// Brings a loaded bitmap to 32 bits per pixel.
//   1 already 32-bit, nothing changed; 0 converted, the handle replaced;
//  -1 reading the source geometry failed; -2 the source depth is neither 24 nor 32;
//  -3 creating the 32-bit bitmap failed; -4 reading its geometry failed.
// On a negative result the source stays in `bitmapInOut`.
int ConvertTo32BitDib(BitmapHandle& bitmapInOut);

// Widens `count` 24-bit pixels (blue, green, red) to 32 bits (blue, green, red, 0xFF).
// 0 done; -1 `dst` missing; -2 `src` missing. A count of 0 or less copies nothing.
int ExpandRow24To32(uint8_t* dst, const uint8_t* src, int count);

}  // namespace kelvista
