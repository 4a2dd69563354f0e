#include "ViewTexts.h"

#include <cstdio>
#include <string_view>

#include "ReplayLayout.h"
#include "ValueScanner.h"

namespace kelvista {

std::string TitleText(std::string_view caption, int32_t session, int32_t frame) {
    std::string title(caption);
    title += ' ';
    title += PositionText(session, frame);
    return title;
}

std::string InfoText(const char* stamp, int32_t session, int32_t frame, int32_t maxFrames) {
    char buffer[kInfoTextCapacity] = {};
    const int written = std::snprintf(buffer, sizeof buffer,
                                      " %s\r\n"
                                      " [session.frame] : %s\r\n"
                                      " max frames : %d\r\n"
                                      " -------------------------------------\r\n"
                                      " TAB  Next Frame\r\n"
                                      " SHIFT-TAB  Prev Frame\r\n"
                                      " ESC  Stop\r\n"
                                      " F2  Goto [session.frame]\r\n"
                                      " F5  Refresh\r\n"
                                      " F10 Select MaxFrames\r\n",
                                      stamp, PositionText(session, frame).c_str(), maxFrames);
    return written < 0 ? std::string() : std::string(buffer);
}

char* FormatBuildStamp(const char* date, const char* time, char* dst, size_t size) {
    // "%s %d %d" over the date: the month word (at most 15 characters), the day, the year.
    const std::string_view text(date);
    size_t pos = 0;
    while (pos < text.size() && text[pos] == ' ') {
        ++pos;
    }
    char month[16] = {};
    size_t monthLength = 0;
    while (pos < text.size() && text[pos] != ' ' && monthLength + 1 < sizeof month) {
        month[monthLength++] = text[pos++];
    }
    int32_t day = 0;
    int32_t year = 0;
    if (ScanDecimal(text, pos, day) != DecimalScan::NoNumber) {
        ScanDecimal(text, pos, year);
    }
    char buffer[kShortTextCapacity] = {};
    if (std::snprintf(buffer, sizeof buffer, "%d %s %d %s", year, month, day, time) < 0) {
        buffer[0] = '\0';
    }
    return CopyTruncated(dst, buffer, size);
}

char* BuildStamp(char* dst, size_t size) {
    return FormatBuildStamp(__DATE__, __TIME__, dst, size);
}

}  // namespace kelvista
