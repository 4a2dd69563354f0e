#pragma once

#include <algorithm>
#include <cstdint>
#include <vector>

namespace kelvista {

// Which pixels of a frame changed colour: one bit a pixel, in masks of 16 pixels (bit i of a row's
// mask g is pixel 16 * g + i), and a flag a row. A row that is not flagged has no changed pixel;
// its masks are not kept up to date, so they are read only through the flag. Filled by
// MapChanges (FrameDiff.h) or while a frame is loaded over the one before it (BmpLoader.h), and
// read by the clustering.
class ChangeMap {
public:
    // Empties the map for a frame of `width` x `height` pixels; false when its memory cannot be
    // had (the map is then empty and 0 x 0).
    bool reset(int32_t width, int32_t height);
    // Empties the map to 0 x 0: no frame compared.
    void clear() { reset(0, 0); }

    int32_t width() const { return m_width; }
    int32_t height() const { return m_height; }
    int32_t groupsPerRow() const { return m_groupsPerRow; }

    // Adds the changed pixels `mask` to group `group` of row `y`.
    void mark(int32_t y, int32_t group, uint32_t mask) {
        uint16_t* masks = m_masks.data() + size_t(y) * size_t(m_groupsPerRow);
        if (!m_rowChanged[size_t(y)]) {
            m_rowChanged[size_t(y)] = 1;
            std::fill(masks, masks + m_groupsPerRow, uint16_t{0});
        }
        masks[group] = uint16_t(masks[group] | mask);
    }

    bool rowChanged(int32_t y) const { return m_rowChanged[size_t(y)] != 0; }
    // The masks of a flagged row.
    const uint16_t* rowMasks(int32_t y) const {
        return m_masks.data() + size_t(y) * size_t(m_groupsPerRow);
    }
    bool changed(int32_t x, int32_t y) const {
        return rowChanged(y) && (rowMasks(y)[x / 16] >> (x % 16) & 1u) != 0;
    }

private:
    int32_t m_width = 0;
    int32_t m_height = 0;
    int32_t m_groupsPerRow = 0;
    std::vector<uint16_t> m_masks;
    std::vector<uint8_t> m_rowChanged;
};

}  // namespace kelvista
