#pragma once

// The About box on template 100: the icon, the program's name and version, OK.

#include <windows.h>

namespace kelvista::win32 {

void ShowAboutDialog(HWND owner);

}  // namespace kelvista::win32
