#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace kelvista {

// The two values kelvista reads, and the wrap-around count used when the second is missing.
inline constexpr char kInstallFolderSetting[] = "InstallFolder";
inline constexpr char kMaxFramesSetting[] = "replay_maxframes";
inline constexpr int32_t kDefaultMaxFrames = 1000;

// The user's settings are read only, and afresh on every call: nothing here writes or caches them.
//   Unix:    $XDG_CONFIG_HOME/Dravenor.conf (default ~/.config/Dravenor.conf), top-level keys.
//   Windows: the registry key HKEY_CURRENT_USER\Software\Dravenor.
// A missing store reads as a store without values.

// Reads a text value into `buffer` (`size` >= 1 bytes). The value must fit with its terminator,
// so at most `size - 1` bytes; a missing or longer value gives an empty text. The result is always
// terminated within the buffer. Returns `buffer`.
char* ReadSettingString(const char* valueName, char* buffer, size_t size);

// Reads a 32-bit number: the value's text as a decimal int32, blanks around it ignored.
// `defaultValue` when the value is missing or anything else (letters, a '+', an empty text, a
// number out of range).
int32_t ReadSettingDword(const char* valueName, int32_t defaultValue);

// Where the user's settings live, for messages: a file path, or the registry key on Windows.
std::string UserSettingsLocation();

class MemorySettingsSource;
// Reads every value from `source` instead of the user's store (tests); nullptr restores the store.
void SetUserSettingsForTesting(std::shared_ptr<const MemorySettingsSource> source);

}  // namespace kelvista
