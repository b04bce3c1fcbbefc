// Window classes: a name (compared without regard to case, as on Windows) with the class
// style, window procedure, extra bytes, icons, cursor and background brush that every window
// of the class starts with. The controls' classes "BUTTON", "COMBOBOX" and "EDIT" are
// registered by the layer itself.
#pragma once

#include <memory>
#include <string>
#include <string_view>

#include "platform/winui/win_types.h"

namespace skyloom::winui {

struct WNDCLASSEXW {
    UINT cbSize = 0;
    UINT style = 0;
    WNDPROC lpfnWndProc = nullptr;
    int cbClsExtra = 0;
    int cbWndExtra = 0;
    HINSTANCE hInstance = nullptr;
    HICON hIcon = nullptr;
    HCURSOR hCursor = nullptr;
    HBRUSH hbrBackground = nullptr; // a brush, or a system colour index + 1
    LPCWSTR lpszMenuName = nullptr;
    LPCWSTR lpszClassName = nullptr;
    HICON hIconSm = nullptr;
};

// The class atom, or 0 (ERROR_CLASS_ALREADY_EXISTS, ERROR_INVALID_PARAMETER).
ATOM RegisterClassExW(const WNDCLASSEXW* windowClass);
// FALSE while windows of the class exist (ERROR_CLASS_HAS_WINDOWS) or when there is no such
// class (ERROR_CLASS_DOES_NOT_EXIST).
BOOL UnregisterClassW(LPCWSTR className, HINSTANCE instance);
BOOL GetClassInfoExW(HINSTANCE instance, LPCWSTR className, WNDCLASSEXW* windowClass);
int GetClassNameW(HWND hwnd, LPWSTR buffer, int capacity);

namespace detail {

struct WindowClass {
    std::u16string name;
    WNDCLASSEXW record;
    ATOM atom = 0;
    int windowCount = 0; // guarded by the windows mutex
};

std::shared_ptr<WindowClass> findClass(std::u16string_view name);
// RegisterClassExW without first making sure the built-in classes exist (used to register
// them).
ATOM registerClassUnchecked(const WNDCLASSEXW* windowClass);
// Class names compare by their upper-case ASCII form.
std::u16string classKey(std::u16string_view name);

} // namespace detail
} // namespace skyloom::winui
