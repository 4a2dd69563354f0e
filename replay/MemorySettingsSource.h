#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "SettingsStore.h"

namespace kelvista {

// Settings held in memory, for tests of every subsystem. The settings key exists unless
// removeKey() was called; values are set as the recorder would store them. Values live only
// under kSettingsKey; any other key path does not open.
class MemorySettingsSource final : public SettingsSource {
public:
    // A text value: the bytes of `text` and a terminating zero, as a registry delivers them.
    void setText(std::string_view name, std::string_view text);
    // A number value: 4 bytes, little-endian.
    void setDword(std::string_view name, int32_t value);
    // Any type and bytes, delivered exactly as given.
    void setRaw(std::string_view name, uint32_t type, std::string bytes);
    void removeValue(std::string_view name);
    // No settings key at all (every read fails to open it), or the key again, with no values.
    void removeKey();
    void restoreKey();

    bool openKey(std::string_view subkeyPath) const override;
    std::optional<Value> queryValue(std::string_view subkeyPath,
                                    std::string_view valueName) const override;

private:
    bool m_keyPresent = true;
    std::map<std::string, Value, std::less<>> m_values;
};

// Installs a source as the user's settings for the lifetime of this object.
class ScopedUserSettings {
public:
    explicit ScopedUserSettings(std::shared_ptr<const SettingsSource> source) {
        SetUserSettingsForTesting(std::move(source));
    }
    ~ScopedUserSettings() { SetUserSettingsForTesting(nullptr); }
    ScopedUserSettings(const ScopedUserSettings&) = delete;
    ScopedUserSettings& operator=(const ScopedUserSettings&) = delete;
};

}  // namespace kelvista
