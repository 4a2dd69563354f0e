#pragma once

#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>

#ifndef _WIN32
#include <QString>
#endif

namespace kelvista {

inline constexpr size_t kCaptionLineCapacity = 4096;  // bytes, terminator included

// The caption of an already opened caption file: its first line with the text-mode rules applied
// (CR LF reads as LF, byte 0x1A ends the file), at most 4095 bytes, cut at a zero byte, trailing
// CR and LF removed. Returns the raw bytes.
std::string ReadCaptionLine(std::FILE* file);

// The same caption from the first bytes of a caption file: the rules look at no more than
// kCaptionLineCapacity of them, so those (or the whole of a shorter file) are enough.
std::string CaptionLineOf(std::string_view firstBytes);

// Opens `path` and reads its caption; false when the file cannot be opened or is not a regular
// file (or a link to one).
bool ReadCaptionFile(const std::string& path, std::string& captionOut);

#ifndef _WIN32
// The same for `name` in the open folder `folderFd`: one open, the file's status, as a rule one
// read, and a close. With `listedRegular` (the folder's listing has just called the name a regular
// file, not a link) the status is asked only when the name turns out to be something else since:
// the open refuses a link, and a read that fails says it is no regular file.
bool ReadCaptionFileAt(int folderFd, const char* name, std::string& captionOut,
                       bool listedRegular = false);
#endif

#ifndef _WIN32
// Caption bytes as text: UTF-8 when they are valid UTF-8 (a leading byte order mark dropped),
// otherwise Windows-1252, which gives every byte a character. (Windows shows the bytes as they
// are, in the system's code page, and has no Qt.)
QString CaptionText(const std::string& bytes);
#endif

}  // namespace kelvista
