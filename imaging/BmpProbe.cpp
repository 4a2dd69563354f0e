#include "BmpProbe.h"

#include <memory>

#include "BmpHeader.h"
#include "BmpPixelSource.h"

namespace kelvista {

namespace {

// LoadBMP's verdict by the route DecodeBmp takes: what the decoder refuses is -1; a bitmap it only
// describes is refused by ConvertTo32BitDib, -2; the routes that read pixels end in success.
BmpProbe Verdict(const std::unique_ptr<BmpPixelSource>& source) {
    BmpProbe probe;
    BmpHeader header;
    if (!source || !ReadBmpHeader(*source, header)) {
        return probe;
    }
    switch (header.route) {
        case BmpPixelRoute::Describe:
            probe.code = -2;
            break;
        case BmpPixelRoute::Read32:
        case BmpPixelRoute::Widen24:
            probe.code = 0;
            break;
    }
    probe.width = header.width;
    probe.height = header.height;
    probe.sourceBitsPerPixel = header.bitsPerPixel;
    return probe;
}

}  // namespace

BmpProbe ProbeBMP(const std::string& path) {
    return Verdict(BmpPixelSource::OpenFile(path));
}

#if defined(__unix__) || defined(__APPLE__)
BmpProbe ProbeBMPOpenFile(int fd, uint64_t size) {
    return Verdict(BmpPixelSource::FromOpenFile(fd, size));
}
#endif

BmpProbe ProbeBMPFromMemory(const uint8_t* data, size_t size) {
    return Verdict(BmpPixelSource::FromMemory(data, size));
}

}  // namespace kelvista
