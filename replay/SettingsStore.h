#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace kelvista {

// Value types as the recorder stores them (the registry's numbering).
inline constexpr uint32_t kSettingTypeText = 1;   // REG_SZ
inline constexpr uint32_t kSettingTypeDword = 4;  // REG_DWORD

// The key the recorder writes its values under.
inline constexpr std::string_view kSettingsKey = "Software\\Dravenor\\";

// The two values kelvista reads, and the wrap-around count used when the second is missing.
inline constexpr char kInstallFolderSetting[] = "InstallFolder";
inline constexpr char kMaxFramesSetting[] = "replay_maxframes";
inline constexpr int32_t kDefaultMaxFrames = 1000;

// A number as a source delivers it: 4 bytes, little-endian.
std::string DwordBytes(int32_t value);

// A per-user store of named values under key paths. Read only: nothing here ever writes.
class SettingsSource {
public:
    struct Value {
        uint32_t type = 0;
        // Text values: the characters with their terminating zero byte, as a registry delivers
        // them. Number values: 4 bytes, little-endian.
        std::string bytes;
    };

    virtual ~SettingsSource() = default;
    // True when the key can be opened for reading.
    virtual bool openKey(std::string_view subkeyPath) const = 0;
    // The value, or nullopt when it is absent (or unreadable as its kind).
    virtual std::optional<Value> queryValue(std::string_view subkeyPath,
                                            std::string_view valueName) const = 0;
};

// The source the program reads: the user's own store (QSettings), read afresh on every query.
const SettingsSource& UserSettings();
// Replaces the source UserSettings() returns (tests); nullptr restores the user's store.
void SetUserSettingsForTesting(std::shared_ptr<const SettingsSource> source);
// Where the user's store lives, for messages: a file path, or the registry key on Windows.
std::string UserSettingsLocation();

// Reads one value into the caller's buffer.
//   0  read; `*sizeInOut` is the number of bytes delivered
//  -1  the key could not be opened
//  -2  the value is absent or larger than `*sizeInOut`; `data` and `*sizeInOut` are untouched
// `typeOut` may be null when the type is of no interest.
int ReadRegistryValue(const SettingsSource& root, std::string_view subkeyPath,
                      std::string_view valueName, uint32_t* typeOut, uint8_t* data,
                      uint32_t* sizeInOut);

// Reads a text value of the settings key into `buffer` (`size` >= 1 bytes). The result is always
// terminated within the buffer; a missing or oversized value gives an empty text. Returns `buffer`.
char* ReadSettingString(const char* valueName, char* buffer, size_t size);

// Reads a 32-bit number of the settings key; `defaultValue` when it is missing or not exactly
// 4 bytes long (a text stored where a number belongs counts as missing).
int32_t ReadSettingDword(const char* valueName, int32_t defaultValue);

}  // namespace kelvista
