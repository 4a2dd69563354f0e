#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "ChangeMap.h"
#include "FrameBitmap.h"

namespace kelvista {

// What changed from one loaded 32-bit frame to another, compared on the colour bytes (blue, green,
// red) of each pixel; the fourth byte is never compared.
//
// Regions: two changed pixels are joined when their Chebyshev distance, max(|dx|, |dy|), is at
// most `join`; a region is the bounding box of one set of pixels so joined, directly or through
// others. With the default 8, changed pixels with up to 7 unchanged ones between them (across,
// down or diagonally) are one region. Regions are listed top to bottom, then left to right.
//
// Frames of different sizes are not compared pixel by pixel: `sizesDiffer` is set, every pixel of
// the second frame counts as changed and the whole second frame is the one region.
//
// The changed pixels are first mapped (ChangeMap.h, one bit a pixel), rows compared 16 pixels at a
// time with masked 128-bit (SSE2) or 64-bit compares; the clustering then works on the map and on
// cells of join × join pixels (20 bytes each).

struct DiffRegion {
    int32_t x = 0;
    int32_t y = 0;
    int32_t width = 0;
    int32_t height = 0;
    bool operator==(const DiffRegion&) const = default;
};

struct FrameDiff {
    int32_t fromWidth = 0;
    int32_t fromHeight = 0;
    int32_t toWidth = 0;
    int32_t toHeight = 0;
    bool sizesDiffer = false;
    uint64_t changedPixels = 0;
    std::vector<DiffRegion> regions;
};

inline constexpr int32_t kDefaultJoin = 8;

// Compares `from` with `to`. nullopt when either is not a 32-bit section with pixels and rows of
// at least width * 4 bytes, when `join` is below 1, or when the cells cannot be allocated.
std::optional<FrameDiff> CompareFrames(const DibSection& from, const DibSection& to,
                                       int32_t join = kDefaultJoin);

// The two steps of CompareFrames for frames of one size. MapChanges fills `map` with the pixels
// whose colours differ; false when either frame is not usable as above, their sizes differ, or the
// map cannot be allocated. ClusterChanges gives the count and regions of a filled map (nullopt on
// an empty 0 x 0 map, a join below 1, or no memory for the cells).
bool MapChanges(const DibSection& from, const DibSection& to, ChangeMap& map);
std::optional<FrameDiff> ClusterChanges(const ChangeMap& map, int32_t join = kDefaultJoin);

// What frames of different sizes give: the whole second frame changed, as one region.
FrameDiff SizesDiffer(int32_t fromWidth, int32_t fromHeight, int32_t toWidth, int32_t toHeight);

// The share `changed` / `total` in percent with two decimals, without the sign: "0.06". A share
// that is not zero never prints as zero ("0.01" at least), and one short of all never as "100.00"
// ("99.99" at most), so the text tells "nothing" and "everything" apart from "almost".
std::string ChangedPercentText(uint64_t changed, uint64_t total);

}  // namespace kelvista
