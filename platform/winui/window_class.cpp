#include "platform/winui/window_class.h"

#include <map>
#include <mutex>

#include "platform/winui/controls/builtin_classes.h"
#include "platform/winui/last_error.h"
#include "platform/winui/styles.h"
#include "platform/winui/wide_text.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace {

struct ClassTable {
    std::mutex mutex;
    std::map<std::u16string, std::shared_ptr<detail::WindowClass>> classes;
    ATOM nextAtom = 0xC000;
};

ClassTable& lf_table() {
    static ClassTable table;
    return table;
}

void lf_ensureBuiltins() {
    static std::once_flag once;
    std::call_once(once, [] { detail::registerBuiltinClasses(); });
}

} // namespace

namespace detail {

std::u16string classKey(std::u16string_view name) {
    std::u16string key(name);
    for (char16_t& c : key) {
        if (c >= u'a' && c <= u'z') {
            c = static_cast<char16_t>(c - u'a' + u'A');
        }
    }
    return key;
}

std::shared_ptr<WindowClass> findClass(std::u16string_view name) {
    lf_ensureBuiltins();
    ClassTable& table = lf_table();
    std::lock_guard lock(table.mutex);
    auto it = table.classes.find(classKey(name));
    return it == table.classes.end() ? nullptr : it->second;
}

} // namespace detail

ATOM detail::registerClassUnchecked(const WNDCLASSEXW* windowClass) {
    if (windowClass == nullptr || windowClass->cbSize != sizeof(WNDCLASSEXW) ||
        windowClass->lpfnWndProc == nullptr || wideLength(windowClass->lpszClassName) == 0 ||
        windowClass->cbWndExtra < 0 || windowClass->cbClsExtra < 0) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return 0;
    }
    auto entry = std::make_shared<detail::WindowClass>();
    entry->name = wideString(windowClass->lpszClassName);
    entry->record = *windowClass;
    // The record keeps its own copy of the name; the caller's buffer may go away.
    entry->record.lpszClassName = entry->name.c_str();
    entry->record.lpszMenuName = nullptr;
    ClassTable& table = lf_table();
    std::lock_guard lock(table.mutex);
    const std::u16string key = detail::classKey(entry->name);
    if (table.classes.contains(key)) {
        SetLastError(ERROR_CLASS_ALREADY_EXISTS);
        return 0;
    }
    entry->atom = table.nextAtom++;
    table.classes.emplace(key, std::move(entry));
    return static_cast<ATOM>(table.nextAtom - 1);
}

ATOM RegisterClassExW(const WNDCLASSEXW* windowClass) {
    lf_ensureBuiltins();
    return detail::registerClassUnchecked(windowClass);
}

BOOL UnregisterClassW(LPCWSTR className, HINSTANCE /*instance*/) {
    lf_ensureBuiltins();
    ClassTable& table = lf_table();
    std::scoped_lock lock(detail::windowsMutex(), table.mutex);
    auto it = table.classes.find(detail::classKey(wideString(className)));
    if (it == table.classes.end()) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    if (it->second->windowCount > 0) {
        SetLastError(ERROR_CLASS_HAS_WINDOWS);
        return FALSE;
    }
    table.classes.erase(it);
    return TRUE;
}

BOOL GetClassInfoExW(HINSTANCE /*instance*/, LPCWSTR className, WNDCLASSEXW* windowClass) {
    if (windowClass == nullptr) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return FALSE;
    }
    auto found = detail::findClass(wideString(className));
    if (!found) {
        SetLastError(ERROR_CLASS_DOES_NOT_EXIST);
        return FALSE;
    }
    *windowClass = found->record;
    return TRUE;
}

int GetClassNameW(HWND hwnd, LPWSTR buffer, int capacity) {
    std::lock_guard lock(detail::windowsMutex());
    const detail::Window* window = detail::findWindowLocked(hwnd);
    if (window == nullptr || capacity <= 0) {
        SetLastError(window == nullptr ? ERROR_INVALID_WINDOW_HANDLE : ERROR_INVALID_PARAMETER);
        return 0;
    }
    return static_cast<int>(
        copyToBuffer(window->windowClass->name, buffer, static_cast<std::size_t>(capacity)));
}

} // namespace skyloom::winui
