// The settings as Windows reads them: from HKEY_CURRENT_USER\Software\Dravenor\ in the registry
// (under Wine, the test prefix's own), afresh on every read. The test writes the values the
// recorder would; kelvista itself never writes them.
#include <gtest/gtest.h>

#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <windows.h>

#include "RegistryValue.h"
#include "ReplayLayout.h"
#include "SettingsStore.h"

namespace kelvista {
namespace {

// A stored value: its type and bytes; nullopt leaves it out.
struct Stored {
    DWORD type;
    std::string bytes;
};

Stored Text(const std::string& text) {
    return {REG_SZ, text + '\0'};
}
Stored Dword(int32_t value) {
    std::string bytes(4, '\0');
    std::memcpy(bytes.data(), &value, 4);
    return {REG_DWORD, bytes};
}

void Store(const std::optional<Stored>& folder, const std::optional<Stored>& maxFrames) {
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Dravenor");
    if (!folder && !maxFrames) {
        return;  // no key at all
    }
    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Dravenor", 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    for (const auto& [name, value] :
         {std::pair{kInstallFolderSetting, folder}, std::pair{kMaxFramesSetting, maxFrames}}) {
        if (value) {
            RegSetValueExA(key, name, 0, value->type,
                           reinterpret_cast<const BYTE*>(value->bytes.data()),
                           static_cast<DWORD>(value->bytes.size()));
        }
    }
    RegCloseKey(key);
}

TEST(RegistrySettings, ReadAfreshWithTheCapacitiesAndTheCallersDefault) {
    struct Case {
        const char* what;
        std::optional<Stored> folder, maxFrames;
        std::string expectedFolder;
        int32_t expectedMaxFrames;
        int expectedCode;  // ReadRegistryValue of "InstallFolder"
    };
    const std::string longest(kPathCapacity - 1, 'f');
    const Case cases[] = {
        {"no key", std::nullopt, std::nullopt, "", 1000, -1},
        {"both", Text("C:\\R"), Dword(50), "C:\\R", 50, 0},
        {"no folder value", std::nullopt, Dword(0), "", 0, -2},
        {"negative count", Text("x"), Dword(-7), "x", -7, 0},
        {"count above 1000", Text("x"), Dword(5000), "x", 5000, 0},
        {"259 characters", Text(longest), std::nullopt, longest, 1000, 0},
        {"300 characters", Text(std::string(300, 'f')), std::nullopt, "", 1000, -2},
        {"count of 2 bytes", Text("x"), Stored{REG_BINARY, "\x05\x00"}, "x", 1000, 0},
        {"count of 8 bytes", Text("x"), Stored{REG_QWORD, std::string(8, '\x01')}, "x", 1000, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Store(c.folder, c.maxFrames);
        char guarded[kPathCapacity + 8];
        std::memset(guarded, 'x', sizeof guarded);
        EXPECT_EQ(ReadSettingString(kInstallFolderSetting, guarded, kPathCapacity), guarded);
        EXPECT_EQ(std::string(guarded), c.expectedFolder);
        EXPECT_EQ(std::string(guarded + kPathCapacity, 8), std::string(8, 'x'));
        EXPECT_EQ(ReadSettingDword(kMaxFramesSetting, 1000), c.expectedMaxFrames);

        char data[kPathCapacity];
        DWORD type = 0;
        DWORD size = sizeof data;
        EXPECT_EQ(ReadRegistryValue(HKEY_CURRENT_USER, kSettingsKeyPath, kInstallFolderSetting,
                                    &type, reinterpret_cast<BYTE*>(data), &size),
                  c.expectedCode);
    }
    // Paths are composed with backslashes under the folder read just now.
    Store(Text("C:\\R"), std::nullopt);
    EXPECT_EQ(FrameBasePath(3, 7), "C:\\R\\replay\\session3\\frame007");
    Store(std::nullopt, std::nullopt);
    EXPECT_EQ(FrameBasePath(0, 0), "\\replay\\session0\\frame000");
}

}  // namespace
}  // namespace kelvista
