#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvista {

// The value of `key` in the top level of an INI file's text, read as ONE text; nullopt when no
// line names it. The last line naming the key wins.
//
// Lines, groups and key names follow QSettings' INI format: a line ends at CR or LF; ';' outside
// quotes starts a comment; "[General]" in any letter case, with blanks inside the brackets or
// words after them, is the top level, while "[%General]" is a group named General; a key name
// may hold escapes ("%4B", "%U004B") and a backslash, which separates a group from the key; a
// UTF-8 byte order mark is skipped. Three things differ from QSettings, on purpose:
//   - A comma is an ordinary character. QSettings reads "/srv/a, b" as the list "/srv/a", "b"
//     and drops the blanks around the comma; a folder name must come back as written.
//   - Every line stands alone. QSettings carries a value with an unclosed quote, or one ending
//     in a backslash, on into the following lines, so one damaged line would hide the settings
//     after it. Here an unclosed quote ends with its line and a closing backslash is dropped.
//   - Bytes that are not UTF-8 are kept as they are (QSettings makes each one U+FFFD), so a
//     folder named in another encoding is still found.
std::optional<std::string> IniValueAsOneText(std::string_view fileText, std::string_view key);

// One raw value text (what follows the '=') resolved as QSettings resolves one item: blanks
// around it dropped, quotes removed, backslash escapes resolved (a numeric one gives a UTF-16
// code unit), ';' outside quotes starts a comment; a comma is an ordinary character here.
std::string UnescapeIniValue(std::string_view raw);

}  // namespace kelvista
