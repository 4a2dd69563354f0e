#pragma once

#include <iosfwd>
#include <string>
#include <string_view>

#include <QString>

class QImage;

namespace kelvista::replaycli {

// "name: value" on standard output; the value's bytes are written as they are.
void PrintField(std::string_view name, std::string_view value);

// Text on standard output, as UTF-8.
void PrintText(const QString& text);

// One line "kelvista-replay: <message>" on `err` (the tool's stderr, or a test's stream). Every
// non-zero exit writes exactly one.
void PrintError(std::ostream& err, std::string message);

// Writes `image` to `path` as PNG through a temporary file that replaces `path` only once
// complete, so a failure never leaves a partial PNG behind. False, with `error` saying which,
// when there is no picture to encode (a null image) or the file cannot be written.
bool SavePng(const QImage& image, const QString& path, std::string& error);

// A command-line argument as the file system's bytes, and back for messages.
std::string LocalPath(const QString& argument);
QString DisplayPath(std::string_view path);

}  // namespace kelvista::replaycli
