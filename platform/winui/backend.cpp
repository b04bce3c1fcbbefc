#include "platform/winui/backend.h"

#include <mutex>

#include "platform/winui/styles.h"
#include "platform/winui/window_registry.h"

namespace skyloom::winui {
namespace {

std::mutex g_backendMutex;
std::shared_ptr<Backend> g_backend;

} // namespace

BOOL noteWindowMovedOnScreen(HWND topLevel, POINT clientOrigin) {
    std::lock_guard lock(detail::windowsMutex());
    detail::Window* window = detail::findWindowLocked(topLevel);
    if (window == nullptr || window->parent != nullptr) {
        return FALSE;
    }
    const POINT current = detail::clientOriginOnScreenLocked(*window);
    const LONG dx = clientOrigin.x - current.x;
    const LONG dy = clientOrigin.y - current.y;
    window->rect.left += dx;
    window->rect.right += dx;
    window->rect.top += dy;
    window->rect.bottom += dy;
    if (window->showState == SW_SHOWNORMAL) { // the restored place moves with it
        window->normalRect = window->rect;
    }
    return TRUE;
}

void setBackend(std::shared_ptr<Backend> backend) {
    std::lock_guard lock(g_backendMutex);
    g_backend = std::move(backend);
}

std::shared_ptr<Backend> currentBackend() {
    std::lock_guard lock(g_backendMutex);
    return g_backend;
}

} // namespace skyloom::winui
