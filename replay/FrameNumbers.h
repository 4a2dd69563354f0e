#pragma once

#include <cstdint>

namespace kelvista {

// Frame stepping with wrap-around at `maxFrames` (M): next = (M + frame + 1) mod M,
// previous = (M + frame - 1) mod M. The sum wraps in 32-bit two's complement and the remainder
// takes the sign of the dividend, as a 32-bit C compiler computes it.
//
// A stored count of 0 or less gives no wrap-around at all: the frame then only steps by one
// (wrapping at the int32 limits), so neither a division by zero nor INT_MIN % -1 can happen.
int32_t NextFrameNumber(int32_t frame, int32_t maxFrames);
int32_t PrevFrameNumber(int32_t frame, int32_t maxFrames);

// a + b in 32-bit two's complement, wrapping on overflow.
int32_t WrappingAdd(int32_t a, int32_t b);

}  // namespace kelvista
