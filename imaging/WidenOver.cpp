#include "WidenOver.h"

#include <cstring>

#include "Widen16.h"

namespace kelvista {

namespace {

// Up to 16 pixels one at a time; the bit mask of those whose colour changed.
uint32_t WidenGroupOver(uint8_t* dst, const uint8_t* src, int32_t count) {
    uint32_t mask = 0;
    for (int32_t i = 0; i < count; ++i, src += 3, dst += 4) {
        const uint32_t pixel =
            uint32_t(src[0]) | uint32_t(src[1]) << 8 | uint32_t(src[2]) << 16 | 0xFF000000u;
        uint32_t old;
        std::memcpy(&old, dst, 4);
        if (old != pixel) {
            mask |= uint32_t((old ^ pixel) & 0x00FFFFFFu ? 1 : 0) << i;
            std::memcpy(dst, &pixel, 4);
        }
    }
    return mask;
}

#if KELVISTA_HAVE_SSSE3
// Whole groups of 16 pixels; returns how many pixels it did. A group equal in all 64 bytes costs
// its loads and one compare; any other is stored whole.
__attribute__((target("ssse3"))) int32_t WidenGroupsOverSsse3(uint8_t* dst, const uint8_t* src,
                                                              int32_t count, ChangeMap& changes,
                                                              int32_t y, const uint8_t* ahead) {
    const __m128i fourth = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i ones = _mm_set1_epi32(-1);
    int32_t i = 0;
    for (; i + 16 <= count; i += 16, src += 48, dst += 64) {
        if (ahead != nullptr) {
            _mm_prefetch(reinterpret_cast<const char*>(ahead + size_t(i) * 4), _MM_HINT_T1);
        }
        __m128i pixels[4];
        Widen16(src, pixels);
        __m128i equal[4];
        __m128i all = ones;
        for (int k = 0; k < 4; ++k) {
            const __m128i old = _mm_loadu_si128(reinterpret_cast<const __m128i*>(dst + 16 * k));
            equal[k] = _mm_cmpeq_epi8(pixels[k], old);
            all = _mm_and_si128(all, equal[k]);
        }
        if (_mm_movemask_epi8(all) == 0xFFFF) {
            continue;
        }
        uint32_t mask = 0;
        for (int k = 0; k < 4; ++k) {
            _mm_storeu_si128(reinterpret_cast<__m128i*>(dst + 16 * k), pixels[k]);
            const __m128i same = _mm_cmpeq_epi32(_mm_or_si128(equal[k], fourth), ones);
            mask |= (~uint32_t(_mm_movemask_ps(_mm_castsi128_ps(same))) & 0xFu) << (4 * k);
        }
        if (mask != 0) {
            changes.mark(y, i / 16, mask);
        }
    }
    return i;
}
#endif

}  // namespace

void WidenRowOver(uint8_t* dst, const uint8_t* src, int32_t count, ChangeMap& changes, int32_t y,
                  const uint8_t* ahead) {
    int32_t done = 0;
#if KELVISTA_HAVE_SSSE3
    if (count >= 16 && HasSsse3()) {
        done = WidenGroupsOverSsse3(dst, src, count, changes, y, ahead);
    }
#else
    (void)ahead;
#endif
    for (int32_t i = done; i < count; i += 16) {
        const int32_t n = count - i < 16 ? count - i : 16;
        if (const uint32_t mask = WidenGroupOver(dst + size_t(i) * 4, src + size_t(i) * 3, n)) {
            changes.mark(y, i / 16, mask);
        }
    }
}

}  // namespace kelvista
