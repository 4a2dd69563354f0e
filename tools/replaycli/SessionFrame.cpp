#include "SessionFrame.h"

#include "DecimalNumber.h"

namespace kelvista::replaycli {

bool ParseSessionFrame(std::string_view text, int32_t& session, int32_t& frame) {
    const size_t point = text.find('.');
    if (point == std::string_view::npos) {
        return false;
    }
    int32_t parsedSession = 0;
    int32_t parsedFrame = 0;
    // A second point lands in the frame text, which then is no number.
    if (!ParseDecimalInt32(text.substr(0, point), parsedSession) ||
        !ParseDecimalInt32(text.substr(point + 1), parsedFrame)) {
        return false;
    }
    session = parsedSession;
    frame = parsedFrame;
    return true;
}

bool ParseSessionOrSessionFrame(std::string_view text, int32_t& session,
                                std::optional<int32_t>& frame) {
    if (text.find('.') == std::string_view::npos) {
        if (!ParseDecimalInt32(text, session)) {
            return false;
        }
        frame.reset();
        return true;
    }
    int32_t pointFrame = 0;
    if (!ParseSessionFrame(text, session, pointFrame)) {
        return false;
    }
    frame = pointFrame;
    return true;
}

}  // namespace kelvista::replaycli
