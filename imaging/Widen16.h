#pragma once

// The loader's inner step, shared by its row loops: sixteen 24-bit pixels (48 bytes) widened to
// blue, green, red, 0xFF in four 128-bit values with byte shuffles, where SSSE3 is there.

#include <cstdint>

#if defined(__x86_64__) || defined(__i386__)
#define KELVISTA_HAVE_SSSE3 1
#include <immintrin.h>
#else
#define KELVISTA_HAVE_SSSE3 0
#endif

namespace kelvista {

#if KELVISTA_HAVE_SSSE3
inline bool HasSsse3() {
    static const bool supported = __builtin_cpu_supports("ssse3");
    return supported;
}

// Reads exactly 48 bytes at `src`. The shuffle leaves each fourth byte 0, the OR makes it 0xFF.
__attribute__((target("ssse3"))) inline void Widen16(const uint8_t* src, __m128i out[4]) {
    const __m128i spread = _mm_setr_epi8(0, 1, 2, -1, 3, 4, 5, -1, 6, 7, 8, -1, 9, 10, 11, -1);
    const __m128i opaque = _mm_set1_epi32(static_cast<int>(0xFF000000u));
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src));
    const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 16));
    const __m128i c = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 32));
    out[0] = _mm_or_si128(_mm_shuffle_epi8(a, spread), opaque);
    out[1] = _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(b, a, 12), spread), opaque);
    out[2] = _mm_or_si128(_mm_shuffle_epi8(_mm_alignr_epi8(c, b, 8), spread), opaque);
    out[3] = _mm_or_si128(_mm_shuffle_epi8(_mm_srli_si128(c, 4), spread), opaque);
}
#endif

}  // namespace kelvista
