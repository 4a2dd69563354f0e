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

OverPicture& StepChanges::overPrevious(int32_t frame) {
    const int32_t previous = PrevFrameNumber(frame, m_maxFrames);
    if (m_lastFrame != previous) {
        m_over.picture.reset();
        DibSection ignored;
        const std::optional<std::string> base = FindFrame(m_session, previous);
        if (base &&
            ReadFrame(*base, m_over.picture, ignored).outcome != FrameContent::Outcome::Loaded) {
            m_over.picture.reset();
        }
    }
    m_overFrom = DibSection{};
    GetDibSection(m_over.picture.get(), m_overFrom);
    return m_over;
}

std::optional<FrameDiff> StepChanges::loaded(int32_t frame, bool viewable, int32_t width,
                                             int32_t height) {
    m_lastFrame = frame;
    if (!viewable) {
        m_over.picture.reset();  // not a frame the viewer shows, so none to step back to
        return std::nullopt;
    }
    if (m_overFrom.bits == nullptr) {
        return std::nullopt;
    }
    if (m_overFrom.width != width || m_overFrom.height != height) {
        return SizesDiffer(m_overFrom.width, m_overFrom.height, width, height);
    }
    return m_over.changes.width() > 0 ? ClusterChanges(m_over.changes) : std::nullopt;
}

}  // namespace kelvista::replaycli
