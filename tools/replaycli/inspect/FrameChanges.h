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

// A picture to load the next frame over, and the map of what that load changed (BmpLoader.h's
// LoadBMPOpenFileOver).
struct OverPicture {
    BitmapHandle picture;
    ChangeMap changes;
};

// Compares the frames of one session, taken in frame order, each with the frame SHIFT+TAB steps
// back to: the previous number under the wrap count `maxFrames`. Only a frame the viewer shows is
// one to step back to. Only the picture of the frame taken last is kept; a previous frame that
// lies elsewhere (frame 0's is the last one) is found and read again as the viewer does.
//
// Two ways to take the frames, not to be mixed on one object: with their decoded pictures
// (next), or by loading each over the one before (overPrevious, then loaded), which reads the
// frame before instead of keeping a copy and comparing two.
class StepChanges {
public:
    StepChanges(int32_t session, int32_t maxFrames) : m_session(session), m_maxFrames(maxFrames) {}

    // The changes of `frame` (no `picture` when it was not loaded), nullopt when it or its previous
    // frame is not present or not loaded, or memory ran out: there is nothing to compare with.
    std::optional<FrameDiff> next(int32_t frame, std::shared_ptr<const FrameBitmap> picture,
                                  const DibSection& dib);

    // What `frame` is to be loaded over: the picture of its previous frame, or none.
    OverPicture& overPrevious(int32_t frame);
    // The changes of `frame`, just loaded over overPrevious(frame) (`viewable`: the viewer shows
    // it, a `width` x `height` picture); nullopt as for next.
    std::optional<FrameDiff> loaded(int32_t frame, bool viewable, int32_t width, int32_t height);

private:
    int32_t m_session;
    int32_t m_maxFrames;
    std::optional<int32_t> m_lastFrame;
    std::shared_ptr<const FrameBitmap> m_lastPicture;
    DibSection m_lastDib;
    OverPicture m_over;
    DibSection m_overFrom;  // the geometry of the picture loaded over, when there was one
};

}  // namespace kelvista::replaycli
