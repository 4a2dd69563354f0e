#include "RegistryValue.h"

#ifdef _WIN32

namespace kelvista {

int ReadRegistryValue(HKEY root, const char* subkeyPath, const char* valueName, DWORD* typeOut,
                      BYTE* data, DWORD* sizeInOut) {
    HKEY key = nullptr;
    if (RegOpenKeyExA(root, subkeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS) {
        return -1;
    }
    const LONG queried = RegQueryValueExA(key, valueName, nullptr, typeOut, data, sizeInOut);
    RegCloseKey(key);
    return queried == ERROR_SUCCESS ? 0 : -2;
}

}  // namespace kelvista

#endif
