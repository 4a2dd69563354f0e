#pragma once

#include <vector>

#include <QImage>

#include "FrameDiff.h"

namespace kelvista::replaycli {

// The picture of a comparison: the second frame with the unchanged rest dimmed to a third of its
// brightness, and every region outlined 2 pixels wide just outside its box (inside it along a
// frame edge the box touches). Each outline takes magenta, green or yellow, whichever lies
// farthest from the average colour of the pixels it covers, so it stands out from what is around
// it. Regions outside the picture are clipped. A null `frame` gives a null picture.
QImage DiffPicture(const QImage& frame, const std::vector<DiffRegion>& regions);

}  // namespace kelvista::replaycli
