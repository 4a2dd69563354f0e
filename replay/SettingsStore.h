#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kelvista {

// The two values kelvista reads, and the wrap-around count used when the second is missing.
inline constexpr char kInstallFolderSetting[] = "InstallFolder";
inline constexpr char kMaxFramesSetting[] = "replay_maxframes";
inline constexpr int32_t kDefaultMaxFrames = 1000;

// The largest settings file that is read. The recorder writes two short lines; anything much
// larger is not its file, and is not read at all rather than read in part.
inline constexpr size_t kMaxSettingsFileBytes = size_t{1} << 20;

// The user's settings are read only, and afresh on every call: nothing here writes or caches them.
//   Unix:    $XDG_CONFIG_HOME/Dravenor.conf (default ~/.config/Dravenor.conf), top-level keys, by
//            the INI rules of IniValueText.h. Only a regular file (or a link to one) that can be
//            read and holds at most kMaxSettingsFileBytes is read. Anything else counts as no
//            file: a pipe, a device, a folder, a socket, a link to nothing, a file the user may
//            not read, a larger file. Nothing is opened that could block.
//   Windows: the registry key HKEY_CURRENT_USER\Software\Dravenor\, one RegOpenKeyExA,
//            RegQueryValueExA and RegCloseKey per read. A text is the bytes stored, whatever the
//            value's type; a number is the 4 bytes stored (a DWORD), and a value of any other
//            size gives the default.
// A missing store reads as a store without values.

// Reads a text value into `buffer` (`size` >= 1 bytes). The value must fit with its terminator,
// so at most `size - 1` bytes; a missing or longer value gives an empty text. The result is always
// terminated within the buffer. Returns `buffer`.
char* ReadSettingString(const char* valueName, char* buffer, size_t size);

// Reads a 32-bit number: the value's text as a decimal int32, blanks around it ignored.
// `defaultValue` when the value is missing or anything else (letters, a '+', an empty text, a
// number out of range).
int32_t ReadSettingDword(const char* valueName, int32_t defaultValue);

// A text value whole, whatever its length (UTF-8); nullopt when it is missing or holds no text.
std::optional<std::string> ReadSettingText(const char* valueName);

// Where the user's settings live, for messages: a file path, or the registry key on Windows.
// Found without looking at the file.
std::string UserSettingsLocation();

// What became of the user's settings file on its last reading, for messages.
struct SettingsFileState {
    enum class Outcome {
        Read,     // read (also: the registry, and settings installed for tests)
        Absent,   // no file of that name
        Refused,  // something is there but counts as no file; `problem` says why
    };
    Outcome outcome = Outcome::Read;
    std::string location;  // UserSettingsLocation()
    std::string problem;   // "Permission denied", "not a regular file (a named pipe)"...
};
SettingsFileState UserSettingsFileState();

// The user's settings file read once, for a run that must see one state of it from start to end
// (kelvista-replay): while a snapshot lives, every read above answers from the bytes it read, and
// the file is not opened again. The viewer takes none: it reads afresh every time. One snapshot
// at a time; reads from other threads are safe while it lives. On Windows it changes nothing.
class SettingsSnapshot {
public:
    SettingsSnapshot();
    ~SettingsSnapshot();
    SettingsSnapshot(const SettingsSnapshot&) = delete;
    SettingsSnapshot& operator=(const SettingsSnapshot&) = delete;
};

class MemorySettingsSource;
// Reads every value from `source` instead of the user's store (tests); nullptr restores the store.
void SetUserSettingsForTesting(std::shared_ptr<const MemorySettingsSource> source);

}  // namespace kelvista
