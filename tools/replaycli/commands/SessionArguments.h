#pragma once

// The positions the commands take on their command line, each parsed once into numbers:
// SESSION (ls, check, sheet), SESSION.FRAME (frame) and SESSION[.FRAME] (export). Text that is
// not one is a usage failure (exit 2) that quotes it.

#include <cstdint>
#include <optional>

#include <QString>

#include "cli/Failure.h"

namespace kelvista::replaycli {

struct Position {
    int32_t session = 0;
    std::optional<int32_t> frame;  // SESSION alone leaves it empty
};

Result<int32_t> ParseSessionArgument(const QString& text, const char* command);
Result<Position> ParseSessionFrameArgument(const QString& text, const char* command);
Result<Position> ParseSessionOrFrameArgument(const QString& text, const char* command);

}  // namespace kelvista::replaycli
