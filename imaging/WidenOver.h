#pragma once

// Widening a 24-bit row over the 32-bit row of the frame before, for loading frames in order:
// only the 16-pixel groups that differ are written, so an unchanged picture costs reads alone.

#include <cstdint>

#include "ChangeMap.h"

namespace kelvista {

// Leaves `dst` as ExpandRow24To32(dst, src, count) would, and marks in row `y` of `changes` (a map
// at least `count` pixels wide) the pixels whose colour bytes differ from what `dst` held. `ahead`,
// when not null, is a row of as many pixels to be widened over later: its lines are asked for into
// the second-level cache as the groups go.
void WidenRowOver(uint8_t* dst, const uint8_t* src, int32_t count, ChangeMap& changes, int32_t y,
                  const uint8_t* ahead);

}  // namespace kelvista
