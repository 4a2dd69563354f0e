#include "ChangeMap.h"

#include <algorithm>
#include <new>

namespace kelvista {

bool ChangeMap::reset(int32_t width, int32_t height) {
    m_width = 0;
    m_height = 0;
    m_groupsPerRow = 0;
    if (width <= 0 || height <= 0) {
        return false;
    }
    const int32_t groups = width / 16 + (width % 16 != 0);
    try {
        m_masks.resize(size_t(groups) * size_t(height));
        m_rowChanged.assign(size_t(height), 0);
    } catch (const std::bad_alloc&) {
        m_masks = {};
        m_rowChanged = {};
        return false;
    }
    m_width = width;
    m_height = height;
    m_groupsPerRow = groups;
    return true;
}

}  // namespace kelvista
