#pragma once

#include <functional>
#include <vector>

#include "BmpBuilder.h"

namespace kelvista::test {

// Well-formed small files of several header versions and depths, to be cut short or damaged.
struct Sample {
    const char* name;
    BmpOptions options;
};
std::vector<Sample> Samples();

// One change to a well-formed file that must make the loader refuse it with -1.
struct Damage {
    const char* name;
    std::function<void(std::vector<uint8_t>&)> apply;
};

// Damages to the headers of a 3x2 file built with `options`.
struct DamageSet {
    const char* name;
    BmpOptions options;
    std::vector<Damage> damages;
};
DamageSet InfoHeaderDamages();  // every field of a 40-byte header, 24-bit
DamageSet CoreHeaderDamages();  // the 12-byte OS/2 core header
DamageSet SplitMaskDamages();   // channel masks in more than one run, 32-bit

}  // namespace kelvista::test
