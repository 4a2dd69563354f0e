#include "FrameNumbers.h"

namespace kelvista {

int32_t WrappingAdd(int32_t a, int32_t b) {
    // Unsigned addition is defined modulo 2^32; the conversion back is modular since C++20.
    return static_cast<int32_t>(static_cast<uint32_t>(a) + static_cast<uint32_t>(b));
}

namespace {

int32_t StepFrame(int32_t frame, int32_t step, int32_t maxFrames) {
    if (maxFrames <= 0) {
        return WrappingAdd(frame, step);
    }
    return WrappingAdd(WrappingAdd(maxFrames, frame), step) % maxFrames;
}

}  // namespace

int32_t NextFrameNumber(int32_t frame, int32_t maxFrames) {
    return StepFrame(frame, 1, maxFrames);
}

int32_t PrevFrameNumber(int32_t frame, int32_t maxFrames) {
    return StepFrame(frame, -1, maxFrames);
}

}  // namespace kelvista
