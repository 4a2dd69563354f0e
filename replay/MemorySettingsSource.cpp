#include "MemorySettingsSource.h"

namespace kelvista {

void MemorySettingsSource::setText(std::string_view name, std::string_view text) {
    std::string bytes(text);
    bytes.push_back('\0');
    setRaw(name, kSettingTypeText, std::move(bytes));
}

void MemorySettingsSource::setDword(std::string_view name, int32_t value) {
    setRaw(name, kSettingTypeDword, DwordBytes(value));
}

void MemorySettingsSource::setRaw(std::string_view name, uint32_t type, std::string bytes) {
    m_values.insert_or_assign(std::string(name), Value{type, std::move(bytes)});
}

void MemorySettingsSource::removeValue(std::string_view name) {
    if (const auto found = m_values.find(name); found != m_values.end()) {
        m_values.erase(found);
    }
}

void MemorySettingsSource::removeKey() {
    m_keyPresent = false;
    m_values.clear();
}

void MemorySettingsSource::restoreKey() {
    m_keyPresent = true;
}

bool MemorySettingsSource::openKey(std::string_view subkeyPath) const {
    return m_keyPresent && subkeyPath == kSettingsKey;
}

std::optional<SettingsSource::Value> MemorySettingsSource::queryValue(
    std::string_view subkeyPath, std::string_view valueName) const {
    if (!openKey(subkeyPath)) {
        return std::nullopt;
    }
    const auto found = m_values.find(valueName);
    if (found == m_values.end()) {
        return std::nullopt;
    }
    return found->second;
}

}  // namespace kelvista
