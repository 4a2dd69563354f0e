#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "SettingsStore.h"

namespace kelvista {

// Settings held in memory, for tests of every subsystem: each value is a text, as in the user's
// settings file, and reads by the same rules.
class MemorySettingsSource {
public:
    void setText(std::string_view name, std::string_view text) {
        m_values.insert_or_assign(std::string(name), std::string(text));
    }
    // Held as its decimal text, the way the settings file holds a number.
    void setDword(std::string_view name, int32_t value) { setText(name, std::to_string(value)); }
    void removeValue(std::string_view name) {
        if (const auto found = m_values.find(name); found != m_values.end()) {
            m_values.erase(found);
        }
    }
    // No settings at all, as for a user without a settings file.
    void removeKey() { m_values.clear(); }

    std::optional<std::string> text(std::string_view name) const {
        const auto found = m_values.find(name);
        return found == m_values.end() ? std::nullopt : std::optional(found->second);
    }

private:
    std::map<std::string, std::string, std::less<>> m_values;
};

// Installs a source as the user's settings for the lifetime of this object.
class ScopedUserSettings {
public:
    explicit ScopedUserSettings(std::shared_ptr<const MemorySettingsSource> source) {
        SetUserSettingsForTesting(std::move(source));
    }
    ~ScopedUserSettings() { SetUserSettingsForTesting(nullptr); }
    ScopedUserSettings(const ScopedUserSettings&) = delete;
    ScopedUserSettings& operator=(const ScopedUserSettings&) = delete;
};

}  // namespace kelvista
