#pragma once

// How a comparison of two frames (FrameDiff.h) is written out, the same in diff, ls --changes and
// the exported page: the share of the second frame's pixels that changed, and the regions as JSON;
// and StepChanges, which compares each frame of a session walk with the frame before it.

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "FrameBitmap.h"
#include "FrameDiff.h"

namespace kelvista::replaycli {

// ChangedPercentText of the changed pixels over the second frame's: "0.06".
std::string ChangedPercent(const FrameDiff& diff);

// [{"x":40,"y":112,"width":300,"height":18},...] in the regions' order.
std::string RegionsJson(const std::vector<DiffRegion>& regions);

// Compares the frames of one session, handed over in frame order with their decoded pictures,
// each with the frame SHIFT+TAB steps back to: the previous number under the wrap count
// `maxFrames`. Only the picture of the frame handed over last is kept; a previous frame that lies
// elsewhere (frame 0's is the last one) is found and read again as the viewer does.
class StepChanges {
public:
    StepChanges(int32_t session, int32_t maxFrames) : m_session(session), m_maxFrames(maxFrames) {}

    // The changes of `frame` (no `picture` when it was not loaded), nullopt when it or its previous
    // frame is not present or not loaded, or memory ran out: there is nothing to compare with.
    std::optional<FrameDiff> next(int32_t frame, std::shared_ptr<const FrameBitmap> picture,
                                  const DibSection& dib);

private:
    int32_t m_session;
    int32_t m_maxFrames;
    std::optional<int32_t> m_lastFrame;
    std::shared_ptr<const FrameBitmap> m_lastPicture;
    DibSection m_lastDib;
};

}  // namespace kelvista::replaycli
