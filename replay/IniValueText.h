#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace kelvista {

// The value of `key` in the top-level ("General") section of an INI file's text, read as ONE text.
//
// QSettings reads a value with an unquoted comma as a list and trims the blanks around each item,
// so "/srv/a, b" would come back as "/srv/a" and "b". A folder name must come back as written:
// this reads the value's line again and resolves it by the same rules (surrounding blanks dropped,
// quotes removed, backslash escapes resolved, ';' outside quotes starts a comment) except that a
// comma is an ordinary character. The last line naming the key wins. nullopt when no line names it.
std::optional<std::string> IniValueAsOneText(std::string_view fileText, std::string_view key);

// One raw value text (what follows the '=') resolved as above.
std::string UnescapeIniValue(std::string_view raw);

}  // namespace kelvista
