#include "ValueScanner.h"

namespace kelvista {

namespace {

// The white space of the C locale, which is what "%d" skips.
bool IsScanSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

bool IsDigit(char c) {
    return c >= '0' && c <= '9';
}

}  // namespace

DecimalScan ScanDecimal(std::string_view text, size_t& pos, int32_t& value) {
    while (pos < text.size() && IsScanSpace(text[pos])) {
        ++pos;
    }
    bool negative = false;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
        negative = text[pos] == '-';
        ++pos;
    }
    if (pos >= text.size() || !IsDigit(text[pos])) {
        return DecimalScan::NoNumber;
    }
    // The magnitude saturates just above 2^31, so it never overflows however many digits follow.
    constexpr int64_t kLimit = int64_t{1} << 31;
    int64_t magnitude = 0;
    while (pos < text.size() && IsDigit(text[pos])) {
        if (magnitude <= kLimit) {
            magnitude = magnitude * 10 + (text[pos] - '0');
        }
        ++pos;
    }
    const int64_t signedValue = negative ? -magnitude : magnitude;
    if (signedValue < INT32_MIN || signedValue > INT32_MAX) {
        return DecimalScan::TooLarge;
    }
    value = static_cast<int32_t>(signedValue);
    return DecimalScan::Stored;
}

int ScanInt(std::string_view text, int32_t& value) {
    size_t pos = 0;
    return ScanDecimal(text, pos, value) == DecimalScan::Stored ? 1 : 0;
}

int ScanSessionFrame(std::string_view text, int32_t& session, int32_t& frame) {
    size_t pos = 0;
    int stored = 0;
    const DecimalScan first = ScanDecimal(text, pos, session);
    if (first == DecimalScan::NoNumber) {
        return stored;
    }
    stored += first == DecimalScan::Stored ? 1 : 0;
    // The point must follow the first number directly: it is a literal in the format.
    if (pos >= text.size() || text[pos] != '.') {
        return stored;
    }
    ++pos;
    stored += ScanDecimal(text, pos, frame) == DecimalScan::Stored ? 1 : 0;
    return stored;
}

}  // namespace kelvista
