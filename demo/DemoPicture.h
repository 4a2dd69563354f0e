#pragma once

#include <QImage>
#include <QString>

namespace kelvista::demo {

// A demo screenshot: a gradient in the session's colours, a grid, a ball that moves from frame to
// frame, a one-pixel border that shows where the picture ends, and the position "S.FFF" in large
// segment digits (drawn as shapes, so no font is needed).
QImage DrawDemoFrame(int width, int height, int session, int frame);

// Draws `text` (digits, '.', '-') in segment digits of `digitHeight` with the top-left at x, y.
void DrawSegmentText(class QPainter& painter, const QString& text, double x, double y,
                     double digitHeight);

// The width DrawSegmentText needs for `text`.
double SegmentTextWidth(const QString& text, double digitHeight);

}  // namespace kelvista::demo
