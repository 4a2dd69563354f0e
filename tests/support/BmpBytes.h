#pragma once

#include <string>

#include <QImage>

namespace kelvista::test {

// Valid BMP files as a recorder writes them (bottom-up, uncompressed), made by the demo's writer.
// Headers that are broken or unusual on purpose are the imaging tests' BmpBuilder's job.
std::string Bmp24(const QImage& picture);
// The fourth byte of every pixel holds 0x7F, a value the picture must never show.
std::string Bmp32(const QImage& picture);
// An 8-bit palette file, which the viewer refuses; every pixel is mid grey.
std::string Bmp8(int width, int height);

}  // namespace kelvista::test
