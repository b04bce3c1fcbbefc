#include "platform/winui/debug_output.h"

#include <cstdio>
#include <mutex>
#include <utility>

#include "platform/winui/wide_text.h"

namespace skyloom::winui {
namespace {

constexpr std::size_t kKeptTexts = 1000;

std::mutex g_mutex;
std::vector<std::string> g_texts;

} // namespace

void OutputDebugStringW(LPCWSTR text) {
    const std::string utf8 = utf8FromWideLenient(wideString(text));
    std::lock_guard lock(g_mutex);
    std::fputs(utf8.c_str(), stderr);
    if (g_texts.size() < kKeptTexts) {
        g_texts.push_back(utf8);
    }
}

std::vector<std::string> takeDebugOutput() {
    std::lock_guard lock(g_mutex);
    return std::exchange(g_texts, {});
}

} // namespace skyloom::winui
