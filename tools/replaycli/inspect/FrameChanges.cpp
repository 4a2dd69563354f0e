#include "inspect/FrameChanges.h"

namespace kelvista::replaycli {

std::string ChangedPercent(const FrameDiff& diff) {
    return ChangedPercentText(diff.changedPixels, static_cast<uint64_t>(diff.toWidth) *
                                                      static_cast<uint64_t>(diff.toHeight));
}

std::string RegionsJson(const std::vector<DiffRegion>& regions) {
    std::string json = "[";
    for (const DiffRegion& region : regions) {
        json += (json.size() > 1 ? ",{\"x\":" : "{\"x\":") + std::to_string(region.x) +
                ",\"y\":" + std::to_string(region.y) +
                ",\"width\":" + std::to_string(region.width) +
                ",\"height\":" + std::to_string(region.height) + "}";
    }
    return json + "]";
}

}  // namespace kelvista::replaycli
