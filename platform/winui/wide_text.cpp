#include "platform/winui/wide_text.h"

#include <algorithm>
#include <memory>
#include <stdexcept>

#include <glib.h>

namespace skyloom::winui {
namespace {

struct GFreeDeleter {
    void operator()(void* p) const { g_free(p); }
};

const gunichar2* lf_asGunichar2(std::u16string_view text) {
    return reinterpret_cast<const gunichar2*>(text.data());
}

} // namespace

std::size_t wideLength(LPCWSTR text) {
    if (text == nullptr) {
        return 0;
    }
    return std::char_traits<char16_t>::length(text);
}

std::u16string wideString(LPCWSTR text) {
    return text == nullptr ? std::u16string() : std::u16string(text);
}

std::string utf8FromWide(std::u16string_view text) {
    if (text.empty()) {
        return {};
    }
    glong written = 0;
    std::unique_ptr<gchar, GFreeDeleter> out(g_utf16_to_utf8(
        lf_asGunichar2(text), static_cast<glong>(text.size()), nullptr, &written, nullptr));
    if (!out) {
        throw std::runtime_error("utf8FromWide: invalid UTF-16");
    }
    return std::string(out.get(), static_cast<std::size_t>(written));
}

std::u16string wideFromUtf8(std::string_view text) {
    if (text.empty()) {
        return {};
    }
    glong written = 0;
    std::unique_ptr<gunichar2, GFreeDeleter> out(
        g_utf8_to_utf16(text.data(), static_cast<glong>(text.size()), nullptr, &written, nullptr));
    if (!out) {
        throw std::runtime_error("wideFromUtf8: invalid UTF-8");
    }
    return std::u16string(reinterpret_cast<const char16_t*>(out.get()),
                          static_cast<std::size_t>(written));
}

std::string utf8FromWideLenient(std::u16string_view text) {
    std::u16string repaired;
    repaired.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char16_t c = text[i];
        const bool high = c >= 0xD800 && c <= 0xDBFF;
        const bool low = c >= 0xDC00 && c <= 0xDFFF;
        if (high && i + 1 < text.size() && text[i + 1] >= 0xDC00 && text[i + 1] <= 0xDFFF) {
            repaired.push_back(c);
            repaired.push_back(text[++i]);
        } else if (high || low) {
            repaired.push_back(u'\uFFFD');
        } else {
            repaired.push_back(c);
        }
    }
    return utf8FromWide(repaired);
}

std::size_t copyToBuffer(std::u16string_view text, LPWSTR buffer, std::size_t capacity) {
    if (buffer == nullptr || capacity == 0) {
        return 0;
    }
    const std::size_t count = std::min(text.size(), capacity - 1);
    std::copy_n(text.data(), count, buffer);
    buffer[count] = u'\0';
    return count;
}

} // namespace skyloom::winui
