#pragma once

// How the tool turns its arguments into file names and prints names and captions: an argument
// stands for exactly the bytes given, a printed name is escaped onto one line of UTF-8, a caption
// is one line of text.

#include <string>
#include <string_view>

#include <QString>

namespace kelvista::replaycli {

// A command-line argument (as the tool decodes it, PathText.h) as exactly the bytes it was given:
// what a file is opened or created under.
std::string LocalPath(const QString& argument);
// A path as it is printed in messages and output: EscapedName (PathText.h), one line of UTF-8
// that gives back the path's bytes.
QString DisplayPath(std::string_view path);
QString DisplayPath(const QString& argument);

// Caption bytes as one line of UTF-8 text: control characters (tabs among them) and the
// characters of BreaksOrReordersLine (PathText.h) become spaces,
// so that every frame stays on one line of a listing or a table.
std::string OneLineCaption(const std::string& bytes);

}  // namespace kelvista::replaycli
