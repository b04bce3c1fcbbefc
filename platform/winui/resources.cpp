#include "platform/winui/resources.h"

#include <cstdint>
#include <map>
#include <mutex>
#include <set>
#include <string>

#include "platform/winui/handles.h"
#include "platform/winui/last_error.h"
#include "platform/winui/styles.h"
#include "platform/winui/wide_text.h"

namespace skyloom::winui {
namespace {

constexpr UINT kStandardResource = 32512;

struct Resources {
    std::mutex mutex;
    std::map<UINT, std::u16string> strings;
    std::set<UINT> icons{kStandardResource};
    std::map<UINT, detail::HandleId> iconHandles;
};

Resources& lf_resources() {
    static Resources resources;
    return resources;
}

// A resource given by number (MAKEINTRESOURCEW); 0 for a name.
UINT lf_number(LPCWSTR name) {
    const auto value = reinterpret_cast<std::uintptr_t>(name);
    return value <= 0xFFFF ? static_cast<UINT>(value) : 0;
}

HICON lf_iconHandle(UINT id) {
    Resources& r = lf_resources();
    std::lock_guard lock(r.mutex);
    if (!r.icons.contains(id)) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return nullptr;
    }
    auto [it, inserted] = r.iconHandles.try_emplace(id, 0);
    if (inserted) {
        it->second = detail::nextHandleId();
    }
    return detail::toHandle<HICON>(it->second);
}

} // namespace

HMODULE GetModuleHandleW(LPCWSTR /*moduleName*/) {
    static const detail::HandleId module = detail::nextHandleId();
    return detail::toHandle<HMODULE>(module);
}

int LoadStringW(HINSTANCE /*instance*/, UINT id, LPWSTR buffer, int capacity) {
    Resources& r = lf_resources();
    std::lock_guard lock(r.mutex);
    auto it = r.strings.find(id);
    if (it == r.strings.end() || buffer == nullptr || capacity <= 0) {
        if (buffer != nullptr && capacity > 0) {
            buffer[0] = u'\0';
        }
        return 0;
    }
    return static_cast<int>(copyToBuffer(it->second, buffer, static_cast<std::size_t>(capacity)));
}

HICON LoadIconW(HINSTANCE /*instance*/, LPCWSTR name) {
    return lf_iconHandle(lf_number(name));
}

HCURSOR LoadCursorW(HINSTANCE /*instance*/, LPCWSTR name) {
    return lf_number(name) == kStandardResource ? lf_iconHandle(kStandardResource) : nullptr;
}

void registerStringResource(UINT id, std::u16string_view text) {
    Resources& r = lf_resources();
    std::lock_guard lock(r.mutex);
    r.strings[id] = std::u16string(text);
}

void registerIconResource(UINT id) {
    Resources& r = lf_resources();
    std::lock_guard lock(r.mutex);
    r.icons.insert(id);
}

} // namespace skyloom::winui
