#pragma once

#include <string>
#include <string_view>

#include <QString>

class QImage;

namespace kelvista::replaycli {

// Writes `image` to `path` as PNG through a temporary file that replaces `path` only once
// complete, so a failure never leaves a partial PNG behind. False, with `error` saying which,
// when there is no picture to encode (a null image) or the file cannot be written.
bool SavePng(const QImage& image, const QString& path, std::string& error);

// A command-line argument (as the tool decodes it, PathText.h) as exactly the bytes it was given:
// what a file is opened or created under.
std::string LocalPath(const QString& argument);
// A path as it is printed in messages and output: EscapedName (PathText.h), one line of UTF-8
// that gives back the path's bytes.
QString DisplayPath(std::string_view path);
QString DisplayPath(const QString& argument);

// Caption bytes as one line of UTF-8 text: control characters (tabs among them) become spaces,
// so that every frame stays on one line of a listing or a table.
std::string OneLineCaption(const std::string& bytes);

}  // namespace kelvista::replaycli
