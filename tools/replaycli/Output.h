#pragma once

#include <string>
#include <string_view>

#include <QString>

namespace kelvista::replaycli {

// A command-line argument as the file system's bytes, and back for messages.
std::string LocalPath(const QString& argument);
QString DisplayPath(std::string_view path);

// Caption bytes as one line of UTF-8 text: control characters (tabs among them) become spaces,
// so that every frame stays on one line of a listing or a table.
std::string OneLineCaption(const std::string& bytes);

}  // namespace kelvista::replaycli
