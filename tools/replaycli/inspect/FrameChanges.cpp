#include "inspect/FrameChanges.h"

#include "FrameNumbers.h"
#include "ReplayFrame.h"

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

std::optional<FrameDiff> StepChanges::next(int32_t frame,
                                           std::shared_ptr<const FrameBitmap> picture,
                                           const DibSection& dib) {
    const int32_t previous = PrevFrameNumber(frame, m_maxFrames);
    std::optional<FrameDiff> diff;
    if (picture) {
        if (m_lastFrame == previous) {
            if (m_lastPicture) {
                diff = CompareFrames(m_lastDib, dib);
            }
        } else if (const std::optional<std::string> base = FindFrame(m_session, previous)) {
            BitmapHandle bitmap;
            DibSection previousDib;
            if (ReadFrame(*base, bitmap, previousDib).outcome == FrameContent::Outcome::Loaded) {
                diff = CompareFrames(previousDib, dib);
            }
        }
    }
    m_lastFrame = frame;
    m_lastPicture = std::move(picture);
    m_lastDib = dib;
    return diff;
}

}  // namespace kelvista::replaycli
