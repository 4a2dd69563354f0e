#include "commands/SessionArguments.h"

#include <string>

#include "DecimalNumber.h"
#include "ReplayLayout.h"
#include "cli/Output.h"

namespace kelvista::replaycli {

Result<int32_t> ParseSessionArgument(const QString& text, const char* command) {
    int32_t session = 0;
    if (!ParseDecimalInt32(text.toStdString(), session)) {
        return Failure{kExitUsage, std::string(command) + ": '" + DisplayPath(text).toStdString() +
                                       "' is not a session number"};
    }
    return session;
}

Result<Position> ParseSessionFrameArgument(const QString& text, const char* command) {
    Position position;
    int32_t frame = 0;
    if (!ParseSessionFrame(text.toStdString(), position.session, frame)) {
        return Failure{
            kExitUsage,
            std::string(command) + ": '" + DisplayPath(text).toStdString() +
                "' is not SESSION.FRAME (two whole numbers joined by a point, e.g. 3.7)"};
    }
    position.frame = frame;
    return position;
}

Result<Position> ParseSessionOrFrameArgument(const QString& text, const char* command) {
    Position position;
    if (!ParseSessionOrSessionFrame(text.toStdString(), position.session, position.frame)) {
        return Failure{
            kExitUsage,
            std::string(command) + ": " +
                QStringLiteral("'%1' is not SESSION or SESSION.FRAME").arg(text).toStdString()};
    }
    return position;
}

}  // namespace kelvista::replaycli
