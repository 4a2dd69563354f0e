#include "SettingsStore.h"

#include <algorithm>
#include <cstring>
#include <limits>

#include "QtSettingsSource.h"

namespace kelvista {

namespace {

std::shared_ptr<const SettingsSource>& TestingOverride() {
    static std::shared_ptr<const SettingsSource> source;
    return source;
}

}  // namespace

std::string DwordBytes(int32_t value) {
    const auto bits = static_cast<uint32_t>(value);
    std::string bytes(4, '\0');
    for (size_t i = 0; i < bytes.size(); ++i) {
        bytes[i] = static_cast<char>((bits >> (8 * i)) & 0xFFu);
    }
    return bytes;
}

const SettingsSource& UserSettings() {
    if (const auto& source = TestingOverride()) {
        return *source;
    }
    static const QtSettingsSource userStore;
    return userStore;
}

void SetUserSettingsForTesting(std::shared_ptr<const SettingsSource> source) {
    TestingOverride() = std::move(source);
}

int ReadRegistryValue(const SettingsSource& root, std::string_view subkeyPath,
                      std::string_view valueName, uint32_t* typeOut, uint8_t* data,
                      uint32_t* sizeInOut) {
    if (!root.openKey(subkeyPath)) {
        return -1;
    }
    const std::optional<SettingsSource::Value> value = root.queryValue(subkeyPath, valueName);
    if (!value || sizeInOut == nullptr || value->bytes.size() > *sizeInOut) {
        return -2;
    }
    if (!value->bytes.empty()) {
        if (data == nullptr) {
            return -2;
        }
        std::memcpy(data, value->bytes.data(), value->bytes.size());
    }
    // The size check above keeps this within the caller's 32-bit capacity.
    *sizeInOut = static_cast<uint32_t>(value->bytes.size());
    if (typeOut != nullptr) {
        *typeOut = value->type;
    }
    return 0;
}

char* ReadSettingString(const char* valueName, char* buffer, size_t size) {
    if (buffer == nullptr || size == 0) {
        return buffer;
    }
    std::memset(buffer, 0, size);
    uint32_t capacity =
        static_cast<uint32_t>(std::min<size_t>(size, std::numeric_limits<uint32_t>::max()));
    uint32_t type = 0;
    ReadRegistryValue(UserSettings(), kSettingsKey, valueName != nullptr ? valueName : "", &type,
                      reinterpret_cast<uint8_t*>(buffer), &capacity);
    buffer[size - 1] = '\0';
    return buffer;
}

int32_t ReadSettingDword(const char* valueName, int32_t defaultValue) {
    uint8_t bytes[4] = {};
    uint32_t capacity = sizeof bytes;
    uint32_t type = 0;
    const int result =
        ReadRegistryValue(UserSettings(), kSettingsKey, valueName != nullptr ? valueName : "",
                          &type, bytes, &capacity);
    // Fewer than 4 bytes would leave part of the default in the number; such a value is
    // taken as missing instead.
    if (result != 0 || capacity != sizeof bytes) {
        return defaultValue;
    }
    const uint32_t bits = uint32_t{bytes[0]} | uint32_t{bytes[1]} << 8 | uint32_t{bytes[2]} << 16 |
                          uint32_t{bytes[3]} << 24;
    return static_cast<int32_t>(bits);
}

}  // namespace kelvista
