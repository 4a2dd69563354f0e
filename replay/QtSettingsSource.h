#pragma once

#include "SettingsStore.h"

namespace kelvista {

// The user's own store through QSettings, opened afresh for every query and never written.
//   Unix:    $XDG_CONFIG_HOME/Dravenor.conf (default ~/.config/Dravenor.conf), top-level keys.
//   Windows: the registry key HKEY_CURRENT_USER\Software\Dravenor.
// Only kSettingsKey opens; a missing store is a missing key.
//
// The file holds text only, so the store knows which names are numbers: "replay_maxframes" is
// delivered as a 4-byte number when its text is a decimal int32 (blanks around it are ignored,
// anything else - letters, a '+', an empty text, a value out of range - counts as missing).
// Every other value is delivered as UTF-8 text with its terminating zero.
class QtSettingsSource final : public SettingsSource {
public:
    bool openKey(std::string_view subkeyPath) const override;
    std::optional<Value> queryValue(std::string_view subkeyPath,
                                    std::string_view valueName) const override;
};

}  // namespace kelvista
