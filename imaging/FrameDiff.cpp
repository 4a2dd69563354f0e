#include "FrameDiff.h"

#include <algorithm>
#include <bit>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <numeric>
#include <tuple>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace kelvista {
namespace {

// The two frames' rows, read side by side.
struct RowPair {
    const uint8_t* from;
    const uint8_t* to;
    bool differs(int32_t x) const {
        uint32_t a;
        uint32_t b;
        std::memcpy(&a, from + size_t(x) * 4, 4);
        std::memcpy(&b, to + size_t(x) * 4, 4);
        return ((a ^ b) & 0x00FFFFFFu) != 0;
    }
};

// Whether 16 pixels from `a` and `b` have equal colours: four 128-bit compares where SSE2 is there
// (every x86-64), 64-bit words otherwise; the fourth bytes are masked out either way.
bool SixteenEqual(const uint8_t* a, const uint8_t* b) {
#if defined(__SSE2__)
    const __m128i fourth = _mm_set1_epi32(int32_t(0xFF000000u));
    __m128i equal = _mm_set1_epi32(-1);
    for (int i = 0; i < 64; i += 16) {
        const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(a + i));
        const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(b + i));
        equal = _mm_and_si128(equal, _mm_or_si128(_mm_cmpeq_epi8(va, vb), fourth));
    }
    return _mm_movemask_epi8(equal) == 0xFFFF;
#else
    uint64_t d = 0;
    for (int i = 0; i < 64; i += 8) {
        uint64_t wa, wb;
        std::memcpy(&wa, a + i, 8);
        std::memcpy(&wb, b + i, 8);
        d |= wa ^ wb;
    }
    return (d & 0x00FFFFFF00FFFFFFull) == 0;
#endif
}

// Bit i set when pixel x + i changed colour, for the `count` (at most 16) pixels from x.
uint32_t ChangedMask(const RowPair& row, int32_t x, int32_t count) {
    uint32_t mask = 0;
#if defined(__SSE2__)
    if (count == 16) {
        const __m128i fourth = _mm_set1_epi32(int32_t(0xFF000000u));
        const __m128i ones = _mm_set1_epi32(-1);
        for (int group = 0; group < 4; ++group) {
            const size_t at = (size_t(x) + size_t(group) * 4) * 4;
            const __m128i va = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.from + at));
            const __m128i vb = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row.to + at));
            const __m128i same =
                _mm_cmpeq_epi32(_mm_or_si128(_mm_cmpeq_epi8(va, vb), fourth), ones);
            mask |= (~uint32_t(_mm_movemask_ps(_mm_castsi128_ps(same))) & 0xFu) << (group * 4);
        }
        return mask;
    }
#endif
    for (int32_t i = 0; i < count; ++i) {
        mask |= uint32_t(row.differs(x + i)) << i;
    }
    return mask;
}

// The bounding box of one cell's changed pixels; empty while minX > maxX.
struct CellBox {
    int32_t minX = INT32_MAX;
    int32_t maxX = INT32_MIN;
    int32_t minY = INT32_MAX;
    int32_t maxY = INT32_MIN;
    bool empty() const { return minX > maxX; }
};

class DisjointSets {
public:
    explicit DisjointSets(std::vector<int32_t>& parent) : m_parent(parent) {}
    int32_t find(int32_t i) {
        while (m_parent[size_t(i)] != i) {
            m_parent[size_t(i)] = m_parent[size_t(m_parent[size_t(i)])];
            i = m_parent[size_t(i)];
        }
        return i;
    }
    void join(int32_t a, int32_t b) {
        a = find(a);
        b = find(b);
        if (a != b) {
            m_parent[size_t(std::max(a, b))] = std::min(a, b);
        }
    }

private:
    std::vector<int32_t>& m_parent;
};

class Clustering {
public:
    Clustering(const ChangeMap& map, int32_t join) : m_map(map), m_join(join) {}

    bool run(FrameDiff& out);

private:
    size_t cellIndex(int32_t cx, int32_t cy) const { return size_t(cy) * size_t(m_cellsX) + cx; }
    void scan(uint64_t& changed);
    void joinNeighbours(DisjointSets& sets);
    void joinAcrossAndDown(DisjointSets& sets, int32_t cx, int32_t cy);
    void joinDiagonals(DisjointSets& sets, int32_t cx, int32_t cy);
    bool diagonalTouch(const CellBox& upper, const CellBox& lower, bool lowerIsRight);

    const ChangeMap& m_map;
    const int32_t m_join;
    int32_t m_cellsX = 0;
    int32_t m_cellsY = 0;
    std::vector<CellBox> m_cells;
    std::vector<int32_t> m_upperRows;  // per row of a cell: the changed pixel nearest the other
    std::vector<int32_t> m_lowerRows;
};

// The changed pixels of a 16-bit mask, without the library call std::popcount makes where the
// instruction is not assumed.
uint32_t CountBits16(uint32_t mask) {
    mask = mask - ((mask >> 1) & 0x5555u);
    mask = (mask & 0x3333u) + ((mask >> 2) & 0x3333u);
    mask = (mask + (mask >> 4)) & 0x0F0Fu;
    return (mask + (mask >> 8)) & 0x1Fu;
}

// Only flagged rows are read, and of those only the groups with changes; a group's mask is taken
// a cell at a time, from the cell holding its first pixel (first and last in one step each).
void Clustering::scan(uint64_t& changed) {
    for (int32_t y = 0; y < m_map.height(); ++y) {
        if (!m_map.rowChanged(y)) {
            continue;
        }
        const uint16_t* masks = m_map.rowMasks(y);
        const int32_t cy = y / m_join;
        for (int32_t group = 0; group < m_map.groupsPerRow(); ++group) {
            const uint32_t mask = masks[group];
            if (mask == 0) {
                continue;
            }
            changed += CountBits16(mask);
            const int32_t base = group * 16;
            int32_t cx = (base + std::countr_zero(mask)) / m_join;
            for (int32_t cellStart = cx * m_join; cellStart < base + 16;
                 cellStart += m_join, ++cx) {
                const int32_t from = std::max(cellStart - base, 0);
                const int32_t to = std::min(cellStart + m_join - base, 16);
                const uint32_t bits = mask & ((1u << to) - 1) & ~((1u << from) - 1);
                if (bits == 0) {
                    continue;
                }
                CellBox& box = m_cells[cellIndex(cx, cy)];
                box.minX = std::min(box.minX, base + std::countr_zero(bits));
                box.maxX = std::max(box.maxX, base + 31 - std::countl_zero(bits));
                box.minY = std::min(box.minY, y);
                box.maxY = std::max(box.maxY, y);
            }
        }
    }
}

// Cells are join pixels wide, so pixels of one cell are always joined and only the eight
// neighbouring cells can hold pixels within reach. Across a row of cells (or down a column) the
// other coordinate differs by less than join, so the boxes decide; diagonal neighbours are decided
// row by row from the frames themselves.
bool Clustering::diagonalTouch(const CellBox& upper, const CellBox& lower, bool lowerIsRight) {
    const auto extremes = [this](const CellBox& box, bool wantMax, std::vector<int32_t>& rows) {
        rows.assign(size_t(box.maxY - box.minY + 1), -1);
        for (int32_t y = box.minY; y <= box.maxY; ++y) {
            for (int32_t i = 0; i <= box.maxX - box.minX; ++i) {
                const int32_t x = wantMax ? box.maxX - i : box.minX + i;
                if (m_map.changed(x, y)) {
                    rows[size_t(y - box.minY)] = x;
                    break;
                }
            }
        }
    };
    extremes(upper, lowerIsRight, m_upperRows);
    extremes(lower, !lowerIsRight, m_lowerRows);
    for (int32_t ya = upper.minY; ya <= upper.maxY; ++ya) {
        const int32_t a = m_upperRows[size_t(ya - upper.minY)];
        for (int32_t yb = lower.minY; a >= 0 && yb <= std::min(lower.maxY, ya + m_join); ++yb) {
            const int32_t b = m_lowerRows[size_t(yb - lower.minY)];
            if (b >= 0 && (lowerIsRight ? b - a : a - b) <= m_join) {
                return true;
            }
        }
    }
    return false;
}

// Two passes: the cheap joins across and down first, so that the diagonal test, which reads the
// map row by row, runs only for neighbours not joined by then (on a frame changed all over, none).
void Clustering::joinNeighbours(DisjointSets& sets) {
    for (const bool diagonals : {false, true}) {
        for (int32_t cy = 0; cy < m_cellsY; ++cy) {
            for (int32_t cx = 0; cx < m_cellsX; ++cx) {
                const int32_t here = int32_t(cellIndex(cx, cy));
                if (!m_cells[size_t(here)].empty()) {
                    diagonals ? joinDiagonals(sets, cx, cy) : joinAcrossAndDown(sets, cx, cy);
                }
            }
        }
    }
}

void Clustering::joinAcrossAndDown(DisjointSets& sets, int32_t cx, int32_t cy) {
    const int32_t here = int32_t(cellIndex(cx, cy));
    const CellBox& box = m_cells[size_t(here)];
    if (cx + 1 < m_cellsX) {
        const CellBox& right = m_cells[size_t(here) + 1];
        if (!right.empty() && right.minX - box.maxX <= m_join) {
            sets.join(here, here + 1);
        }
    }
    if (cy + 1 < m_cellsY) {
        const int32_t below = int32_t(cellIndex(cx, cy + 1));
        const CellBox& down = m_cells[size_t(below)];
        if (!down.empty() && down.minY - box.maxY <= m_join) {
            sets.join(here, below);
        }
    }
}

void Clustering::joinDiagonals(DisjointSets& sets, int32_t cx, int32_t cy) {
    if (cy + 1 >= m_cellsY) {
        return;
    }
    const int32_t here = int32_t(cellIndex(cx, cy));
    const int32_t below = int32_t(cellIndex(cx, cy + 1));
    const CellBox& box = m_cells[size_t(here)];
    for (const int32_t side : {-1, 1}) {
        if (cx + side < 0 || cx + side >= m_cellsX) {
            continue;
        }
        const CellBox& other = m_cells[size_t(below + side)];
        if (other.empty()) {
            continue;  // its bounds are the empty sentinels, not to subtract
        }
        const int32_t gapX = side > 0 ? other.minX - box.maxX : box.minX - other.maxX;
        if (gapX <= m_join && other.minY - box.maxY <= m_join &&
            sets.find(here) != sets.find(below + side) && diagonalTouch(box, other, side > 0)) {
            sets.join(here, below + side);
        }
    }
}

bool Clustering::run(FrameDiff& out) {
    m_cellsX = m_map.width() / m_join + (m_map.width() % m_join != 0);
    m_cellsY = m_map.height() / m_join + (m_map.height() % m_join != 0);
    const size_t cells = size_t(m_cellsX) * size_t(m_cellsY);
    std::vector<int32_t> parent;
    try {
        m_cells.resize(cells);
        parent.resize(cells);
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::iota(parent.begin(), parent.end(), 0);
    scan(out.changedPixels);
    if (out.changedPixels == 0) {
        return true;
    }
    DisjointSets sets(parent);
    joinNeighbours(sets);
    // Each set's box grows in its lowest cell index (the root), then the roots are listed.
    for (size_t i = 0; i < cells; ++i) {
        const CellBox& box = m_cells[i];
        const int32_t root = sets.find(int32_t(i));
        if (box.empty() || size_t(root) == i) {
            continue;
        }
        CellBox& total = m_cells[size_t(root)];
        total.minX = std::min(total.minX, box.minX);
        total.maxX = std::max(total.maxX, box.maxX);
        total.minY = std::min(total.minY, box.minY);
        total.maxY = std::max(total.maxY, box.maxY);
    }
    for (size_t i = 0; i < cells; ++i) {
        const CellBox& box = m_cells[i];
        if (!box.empty() && parent[i] == int32_t(i)) {
            out.regions.push_back(
                {box.minX, box.minY, box.maxX - box.minX + 1, box.maxY - box.minY + 1});
        }
    }
    std::sort(out.regions.begin(), out.regions.end(), [](const DiffRegion& a, const DiffRegion& b) {
        // Top to bottom, left to right; boxes that start at one point, smaller first.
        return std::tie(a.y, a.x, a.height, a.width) < std::tie(b.y, b.x, b.height, b.width);
    });
    return true;
}

bool Usable(const DibSection& dib) {
    return dib.bits != nullptr && dib.bitsPerPixel == 32 && dib.width > 0 && dib.height > 0 &&
           int64_t{dib.bytesPerRow} >= int64_t{dib.width} * 4;
}

}  // namespace

bool MapChanges(const DibSection& from, const DibSection& to, ChangeMap& map) {
    if (!Usable(from) || !Usable(to) || from.width != to.width || from.height != to.height ||
        !map.reset(to.width, to.height)) {
        return false;
    }
    for (int32_t y = 0; y < to.height; ++y) {
        const RowPair pair{from.bits + size_t(y) * size_t(from.bytesPerRow),
                           to.bits + size_t(y) * size_t(to.bytesPerRow)};
        for (int32_t base = 0; base < to.width; base += 16) {
            const int32_t count = std::min(16, to.width - base);
            if (count == 16 &&
                SixteenEqual(pair.from + size_t(base) * 4, pair.to + size_t(base) * 4)) {
                continue;
            }
            if (const uint32_t mask = ChangedMask(pair, base, count)) {
                map.mark(y, base / 16, mask);
            }
        }
    }
    return true;
}

std::optional<FrameDiff> ClusterChanges(const ChangeMap& map, int32_t join) {
    if (map.width() <= 0 || map.height() <= 0 || join < 1) {
        return std::nullopt;
    }
    FrameDiff diff;
    diff.fromWidth = diff.toWidth = map.width();
    diff.fromHeight = diff.toHeight = map.height();
    // A join beyond the frame behaves as the frame's own extent and keeps the cell count sane.
    Clustering clustering(map, std::min(join, std::max(map.width(), map.height())));
    if (!clustering.run(diff)) {
        return std::nullopt;
    }
    return diff;
}

FrameDiff SizesDiffer(int32_t fromWidth, int32_t fromHeight, int32_t toWidth, int32_t toHeight) {
    FrameDiff diff;
    diff.fromWidth = fromWidth;
    diff.fromHeight = fromHeight;
    diff.toWidth = toWidth;
    diff.toHeight = toHeight;
    diff.sizesDiffer = true;
    diff.changedPixels = uint64_t(toWidth) * uint64_t(toHeight);
    diff.regions.push_back({0, 0, toWidth, toHeight});
    return diff;
}

std::optional<FrameDiff> CompareFrames(const DibSection& from, const DibSection& to, int32_t join) {
    if (!Usable(from) || !Usable(to) || join < 1) {
        return std::nullopt;
    }
    if (from.width != to.width || from.height != to.height) {
        return SizesDiffer(from.width, from.height, to.width, to.height);
    }
    ChangeMap map;
    if (!MapChanges(from, to, map)) {
        return std::nullopt;
    }
    return ClusterChanges(map, join);
}

std::string ChangedPercentText(uint64_t changed, uint64_t total) {
    if (total == 0 || changed == 0) {
        return "0.00";
    }
    if (changed >= total) {
        return "100.00";
    }
    // Hundredths of a percent, rounded half up, in integers so that no share rounds differently;
    // counts too large for that lose low bits first (never below a pixel frame's 2^62 pixels).
    while (changed > (UINT64_MAX - total) / 20000) {
        changed >>= 1;
        total >>= 1;
    }
    const uint64_t scaled = (changed * 20000 + total) / (total * 2);
    const uint64_t hundredths = std::clamp<uint64_t>(scaled, 1, 9999);
    char text[16];
    std::snprintf(text, sizeof text, "%" PRIu64 ".%02" PRIu64, hundredths / 100, hundredths % 100);
    return text;
}

}  // namespace kelvista
