#include "ProcessMemory.h"

#include <fstream>
#include <sstream>
#include <string>

namespace kelvista::bench {
namespace {

uint64_t StatusKilobytes(const std::string& field) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field + ":", 0) == 0) {
            std::istringstream value(line.substr(field.size() + 1));
            uint64_t kilobytes = 0;
            value >> kilobytes;
            return kilobytes;
        }
    }
    return 0;
}

}  // namespace

uint64_t ResidentBytes() {
    return StatusKilobytes("VmRSS") * 1024;
}
uint64_t PeakResidentBytes() {
    return StatusKilobytes("VmHWM") * 1024;
}

}  // namespace kelvista::bench
