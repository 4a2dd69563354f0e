#pragma once

// One registry value read the way the recorder's settings are read on Windows: open the key,
// query the value, close the key, every time. Nothing is cached.

#ifdef _WIN32

#include <windows.h>

namespace kelvista {

// The settings key under HKEY_CURRENT_USER (its path ends with a backslash).
inline constexpr char kSettingsKeyPath[] = "Software\\Dravenor\\";

// Reads `valueName` under `root`\`subkeyPath` into `data`; `sizeInOut` is the capacity on entry
// and the bytes delivered on success, `typeOut` receives the registry type.
//   0  read;  -1  the key did not open for reading;  -2  the query failed (no such value, or more
//   data than the capacity). The key is closed on every path that opened it.
int ReadRegistryValue(HKEY root, const char* subkeyPath, const char* valueName, DWORD* typeOut,
                      BYTE* data, DWORD* sizeInOut);

}  // namespace kelvista

#endif
