#include "platform/winui/last_error.h"

#include <atomic>

namespace skyloom::winui {
namespace {

thread_local DWORD t_lastError = 0;
std::atomic<DWORD> g_nextThreadId{1000};

} // namespace

DWORD GetLastError() {
    return t_lastError;
}

void SetLastError(DWORD code) {
    t_lastError = code;
}

DWORD GetCurrentThreadId() {
    thread_local const DWORD id = g_nextThreadId.fetch_add(1);
    return id;
}

} // namespace skyloom::winui
