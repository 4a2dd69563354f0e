#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kelvista {

// Where the pixel rows of a BMP file lie inside it.
struct SourceRowLayout {
    int32_t width = 0;
    int32_t height = 0;  // always positive
    int32_t bitsPerPixel = 0;
    bool topDown = false;      // first stored row is the top of the picture
    uint64_t pixelOffset = 0;  // of the first stored row
    uint64_t bytesPerRow = 0;  // stride in the file, a multiple of 4
};

// The bytes of a BMP file, either an open file or a buffer in memory. Every read is bounds-checked
// against the real size; a read that cannot be completed fails as a whole.
class BmpPixelSource {
public:
    virtual ~BmpPixelSource() = default;

    // Opens `path` read-only; nullptr when it cannot be opened or is not a regular file.
    static std::unique_ptr<BmpPixelSource> OpenFile(const std::string& path);
    // Takes over `fd`, a regular file of `size` bytes already open for reading (a caller that has
    // opened it by name in an open folder); the source closes it. Where there is pread only.
    static std::unique_ptr<BmpPixelSource> FromOpenFile(int fd, uint64_t size);
    // Wraps `size` bytes at `data` without copying; the bytes must outlive the source.
    static std::unique_ptr<BmpPixelSource> FromMemory(const uint8_t* data, size_t size);

    uint64_t size() const { return m_size; }

    // Reads `length` bytes at `offset` into `dst`.
    virtual bool readAt(uint64_t offset, uint8_t* dst, size_t length) = 0;

    // Reads `rowCount` consecutive runs of `rowBytes` bytes starting at `offset`; run i lands at
    // `firstDst + i * dstStep` (dstStep may be negative to turn the rows around).
    virtual bool readRows(uint64_t offset, size_t rowBytes, size_t rowCount, uint8_t* firstDst,
                          ptrdiff_t dstStep);

    const SourceRowLayout& rowLayout() const { return m_layout; }
    void setRowLayout(const SourceRowLayout& layout) { m_layout = layout; }

protected:
    explicit BmpPixelSource(uint64_t size) : m_size(size) {}
    bool inRange(uint64_t offset, uint64_t length) const {
        return offset <= m_size && length <= m_size - offset;
    }

private:
    uint64_t m_size;
    SourceRowLayout m_layout;
};

}  // namespace kelvista
