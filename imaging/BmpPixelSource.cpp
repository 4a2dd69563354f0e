#include "BmpPixelSource.h"

#include <cstring>
#include <limits>

namespace kelvista {

bool BmpPixelSource::readRows(uint64_t offset, size_t rowBytes, size_t rowCount, uint8_t* firstDst,
                              ptrdiff_t dstStep) {
    if (rowCount == 0) {
        return true;
    }
    if (rowBytes > std::numeric_limits<uint64_t>::max() / rowCount ||
        !inRange(offset, uint64_t{rowBytes} * rowCount)) {
        return false;
    }
    if (dstStep == static_cast<ptrdiff_t>(rowBytes)) {
        return readAt(offset, firstDst, rowBytes * rowCount);
    }
    uint8_t* dst = firstDst;
    for (size_t row = 0; row < rowCount; ++row) {
        if (!readAt(offset + uint64_t{row} * rowBytes, dst, rowBytes)) {
            return false;
        }
        dst += dstStep;
    }
    return true;
}

namespace {

class MemoryPixelSource final : public BmpPixelSource {
public:
    MemoryPixelSource(const uint8_t* data, size_t size) : BmpPixelSource(size), m_data(data) {}

    bool readAt(uint64_t offset, uint8_t* dst, size_t length) override {
        if (!inRange(offset, length)) {
            return false;
        }
        if (length != 0) {
            std::memcpy(dst, m_data + offset, length);
        }
        return true;
    }

private:
    const uint8_t* m_data;
};

}  // namespace

std::unique_ptr<BmpPixelSource> BmpPixelSource::FromMemory(const uint8_t* data, size_t size) {
    if (data == nullptr) {
        size = 0;
    }
    return std::make_unique<MemoryPixelSource>(data, size);
}

}  // namespace kelvista
