#include "FrameDiff.h"

#include <algorithm>
#include <cinttypes>
#include <climits>
#include <cstdio>
#include <cstring>
#include <new>
#include <numeric>

namespace kelvista {
namespace {

constexpr uint64_t kColourBytes = 0x00FFFFFF00FFFFFFull;

uint64_t Load64(const uint8_t* p) {
    uint64_t value;
    std::memcpy(&value, p, sizeof value);
    return value;
}

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

// The first x in [x, end) whose colour differs, or end. Equal spans go 8 pixels per step.
int32_t NextChange(const RowPair& row, int32_t x, int32_t end) {
    for (; x + 8 <= end; x += 8) {
        const uint8_t* a = row.from + size_t(x) * 4;
        const uint8_t* b = row.to + size_t(x) * 4;
        const uint64_t d = (Load64(a) ^ Load64(b)) | (Load64(a + 8) ^ Load64(b + 8)) |
                           (Load64(a + 16) ^ Load64(b + 16)) | (Load64(a + 24) ^ Load64(b + 24));
        if ((d & kColourBytes) != 0) {
            break;
        }
    }
    while (x < end && !row.differs(x)) {
        ++x;
    }
    return x;
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
    Clustering(const DibSection& from, const DibSection& to, int32_t join)
        : m_from(from), m_to(to), m_join(join) {}

    bool run(FrameDiff& out);

private:
    RowPair row(int32_t y) const {
        return {m_from.bits + size_t(y) * size_t(m_from.bytesPerRow),
                m_to.bits + size_t(y) * size_t(m_to.bytesPerRow)};
    }
    size_t cellIndex(int32_t cx, int32_t cy) const { return size_t(cy) * size_t(m_cellsX) + cx; }
    void scan(uint64_t& changed);
    void joinNeighbours(DisjointSets& sets);
    bool diagonalTouch(const CellBox& upper, const CellBox& lower, bool lowerIsRight);

    const DibSection& m_from;
    const DibSection& m_to;
    const int32_t m_join;
    int32_t m_cellsX = 0;
    int32_t m_cellsY = 0;
    std::vector<CellBox> m_cells;
    std::vector<int32_t> m_upperRows;  // per row of a cell: the changed pixel nearest the other
    std::vector<int32_t> m_lowerRows;
};

// Every changed pixel updates the box of its cell; a cell's span of a row is walked only from its
// first changed pixel, and whole equal spans are skipped by NextChange.
void Clustering::scan(uint64_t& changed) {
    const int32_t width = m_to.width;
    for (int32_t y = 0; y < m_to.height; ++y) {
        const RowPair pair = row(y);
        const int32_t cy = y / m_join;
        for (int32_t x = NextChange(pair, 0, width); x < width; x = NextChange(pair, x, width)) {
            const int32_t cx = x / m_join;
            const int32_t spanEnd = std::min(width, (cx + 1) * m_join);
            int32_t last = x;
            for (int32_t i = x; i < spanEnd; ++i) {
                if (pair.differs(i)) {
                    ++changed;
                    last = i;
                }
            }
            CellBox& box = m_cells[cellIndex(cx, cy)];
            box.minX = std::min(box.minX, x);
            box.maxX = std::max(box.maxX, last);
            box.minY = std::min(box.minY, y);
            box.maxY = std::max(box.maxY, y);
            x = spanEnd;
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
            const RowPair pair = row(y);
            for (int32_t i = 0; i <= box.maxX - box.minX; ++i) {
                const int32_t x = wantMax ? box.maxX - i : box.minX + i;
                if (pair.differs(x)) {
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

void Clustering::joinNeighbours(DisjointSets& sets) {
    for (int32_t cy = 0; cy < m_cellsY; ++cy) {
        for (int32_t cx = 0; cx < m_cellsX; ++cx) {
            const int32_t here = int32_t(cellIndex(cx, cy));
            const CellBox& box = m_cells[size_t(here)];
            if (box.empty()) {
                continue;
            }
            if (cx + 1 < m_cellsX) {
                const CellBox& right = m_cells[size_t(here) + 1];
                if (!right.empty() && right.minX - box.maxX <= m_join) {
                    sets.join(here, here + 1);
                }
            }
            if (cy + 1 >= m_cellsY) {
                continue;
            }
            const int32_t below = int32_t(cellIndex(cx, cy + 1));
            const CellBox& down = m_cells[size_t(below)];
            if (!down.empty() && down.minY - box.maxY <= m_join) {
                sets.join(here, below);
            }
            for (const int32_t side : {-1, 1}) {
                if (cx + side < 0 || cx + side >= m_cellsX) {
                    continue;
                }
                const CellBox& other = m_cells[size_t(below + side)];
                const int32_t gapX = side > 0 ? other.minX - box.maxX : box.minX - other.maxX;
                if (!other.empty() && gapX <= m_join && other.minY - box.maxY <= m_join &&
                    sets.find(here) != sets.find(below + side) &&
                    diagonalTouch(box, other, side > 0)) {
                    sets.join(here, below + side);
                }
            }
        }
    }
}

bool Clustering::run(FrameDiff& out) {
    m_cellsX = m_to.width / m_join + (m_to.width % m_join != 0);
    m_cellsY = m_to.height / m_join + (m_to.height % m_join != 0);
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
        return a.y != b.y ? a.y < b.y : a.x < b.x;
    });
    return true;
}

bool Usable(const DibSection& dib) {
    return dib.bits != nullptr && dib.bitsPerPixel == 32 && dib.width > 0 && dib.height > 0 &&
           int64_t{dib.bytesPerRow} >= int64_t{dib.width} * 4;
}

}  // namespace

std::optional<FrameDiff> CompareFrames(const DibSection& from, const DibSection& to, int32_t join) {
    if (!Usable(from) || !Usable(to) || join < 1) {
        return std::nullopt;
    }
    FrameDiff diff;
    diff.fromWidth = from.width;
    diff.fromHeight = from.height;
    diff.toWidth = to.width;
    diff.toHeight = to.height;
    if (from.width != to.width || from.height != to.height) {
        diff.sizesDiffer = true;
        diff.changedPixels = uint64_t(to.width) * uint64_t(to.height);
        diff.regions.push_back({0, 0, to.width, to.height});
        return diff;
    }
    // A join beyond the frame behaves as the frame's own extent and keeps the cell count sane.
    Clustering clustering(from, to, std::min(join, std::max(to.width, to.height)));
    if (!clustering.run(diff)) {
        return std::nullopt;
    }
    return diff;
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
