#pragma once

// The escaping under Output.h: names printed so that their bytes can be found again, and
// arguments carried through QString byte for byte.

#include <cstdint>
#include <string>
#include <string_view>

#include <QString>
#include <QStringList>

namespace kelvista::replaycli {

// File names and command-line arguments are bytes, not text: a name may hold a line break, a
// terminal's escape sequence or bytes that are not UTF-8. These functions carry such bytes through
// the tool's QString-based argument handling unchanged and print them so that they can be found
// again.

// U+2028, U+2029 and the bidirectional embeddings, overrides and isolates (U+202A..U+202E,
// U+2066..U+2069): valid text that breaks a line, or reorders what a terminal shows, for readers
// that honour them. Printed names escape them, captions print them as spaces.
bool BreaksOrReordersLine(uint32_t codePoint);

// The printed form of a name or path: one line of valid UTF-8 from which the bytes can be read
// back. A backslash becomes "\\"; tab, line feed and carriage return become "\t", "\n" and "\r";
// every other control character (C0, DEL and the C1 controls U+0080..U+009F), every character of
// BreaksOrReordersLine and every byte that is not part of valid UTF-8 becomes "\xhh", one per
// byte. Everything else is copied.
// printf '%b' (bash) and Python's codecs.escape_decode read it back.
std::string EscapedName(std::string_view bytes);

// `message` on one line of valid UTF-8, for error lines: control characters and bytes that are not
// UTF-8 are escaped as EscapedName escapes them, but backslashes are left as they are, since the
// names quoted in a message are escaped already.
std::string OneLineMessage(std::string_view message);

// An argument's bytes as a QString: valid UTF-8 decodes as usual and every byte that is not part
// of valid UTF-8 becomes the lone surrogate U+DC80 + byte, so that ArgumentBytes gives exactly
// the same bytes back ("surrogate escape"). Qt's own decoding turns such bytes into U+FFFD.
QString ArgumentText(std::string_view bytes);

// The bytes an ArgumentText came from. Other text encodes as UTF-8 (a lone surrogate that no
// byte decodes to as U+FFFD).
std::string ArgumentBytes(const QString& text);

// `count` arguments as ArgumentText decodes them.
QStringList ArgumentTexts(int count, const char* const* arguments);

}  // namespace kelvista::replaycli
