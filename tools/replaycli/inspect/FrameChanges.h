#pragma once

// How a comparison of two frames (FrameDiff.h) is written out, the same in diff, ls --changes and
// the exported page: the share of the second frame's pixels that changed, and the regions as JSON.

#include <string>
#include <vector>

#include "FrameDiff.h"

namespace kelvista::replaycli {

// ChangedPercentText of the changed pixels over the second frame's: "0.06".
std::string ChangedPercent(const FrameDiff& diff);

// [{"x":40,"y":112,"width":300,"height":18},...] in the regions' order.
std::string RegionsJson(const std::vector<DiffRegion>& regions);

}  // namespace kelvista::replaycli
