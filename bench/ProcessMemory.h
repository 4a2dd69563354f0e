#pragma once

#include <cstdint>

namespace kelvista::bench {

// This process's resident set now and at its peak (VmRSS and VmHWM of /proc/self/status), in
// bytes; 0 when they cannot be read.
uint64_t ResidentBytes();
uint64_t PeakResidentBytes();

}  // namespace kelvista::bench
