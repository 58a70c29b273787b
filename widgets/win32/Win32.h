// Shared by the Win32 backend's files only.
#pragma once

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#undef MessageBox

#include <string>

#include "Widgets.h"

namespace win32 {

// The program's texts are code page 1250 whatever the system's ANSI code
// page is, so they reach the window functions as UTF-16.
std::wstring Wide(const String& text);
String Narrow(const std::wstring& text);

// The main form's window, owner of the program's dialogs; null before it exists.
HWND MainWindow();

}  // namespace win32
