// The program's resources as the window code loads them: the module instance, string
// resources by number (the program registers its texts at start, as a resource script would
// bind them), and icons and cursors (stand-in handles; the standard arrow and application
// icon always exist).
#pragma once

#include <string_view>

#include "platform/winui/win_types.h"

namespace skyloom::winui {

inline const LPCWSTR IDC_ARROW = MAKEINTRESOURCEW(32512);
inline const LPCWSTR IDI_APPLICATION = MAKEINTRESOURCEW(32512);

// The one module of the process (any name gives the same instance).
HMODULE GetModuleHandleW(LPCWSTR moduleName);

// Copies string resource `id` into the buffer (at most capacity - 1 characters and a zero);
// returns the characters copied, 0 when there is no such string.
int LoadStringW(HINSTANCE instance, UINT id, LPWSTR buffer, int capacity);
// A handle for an icon or cursor resource given by number; null for a number nothing was
// registered under (the standard ones always exist).
HICON LoadIconW(HINSTANCE instance, LPCWSTR name);
HCURSOR LoadCursorW(HINSTANCE instance, LPCWSTR name);

// --- For the program's start and for tests ---
void registerStringResource(UINT id, std::u16string_view text);
void registerIconResource(UINT id);

} // namespace skyloom::winui
