#include "platform/winui/window_registry.h"

#include <algorithm>
#include <unordered_map>

#include "platform/winui/dpi.h"
#include "platform/winui/handles.h"
#include "platform/winui/input_state.h"
#include "platform/winui/styles.h"
#include "platform/winui/thread_queue.h"
#include "platform/winui/window_class.h"

namespace skyloom::winui::detail {
namespace {

struct Registry {
    std::unordered_map<HandleId, std::unique_ptr<Window>> windows;
    std::vector<HWND> topLevels; // z-order, top first
    std::uint64_t nextSequence = 1;
};

Registry& lf_registry() {
    static Registry registry;
    return registry;
}

// Metrics of the frame at 96 DPI; they scale with the DPI except the one-pixel border.
constexpr int kBorder = 1;
constexpr int kFixedFrame = 3;
constexpr int kSizeFrame = 4;
constexpr int kPaddedBorder = 4;
constexpr int kCaption = 23;
constexpr int kEdge = 2;

bool lf_isTopmost(const Registry& registry, HWND hwnd) {
    auto it = registry.windows.find(toId(hwnd));
    return it != registry.windows.end() && (it->second->exStyle & WS_EX_TOPMOST) != 0;
}

} // namespace

std::mutex& windowsMutex() {
    static std::mutex mutex;
    return mutex;
}

Window* findWindowLocked(HWND hwnd) {
    // Touching the registry first makes even IsWindow(nullptr) build it, so an object that
    // calls it in its constructor outlives the registry's static storage.
    auto& windows = lf_registry().windows;
    if (hwnd == nullptr) {
        return nullptr;
    }
    auto it = windows.find(toId(hwnd));
    return it == windows.end() ? nullptr : it->second.get();
}

Window& addWindowLocked(std::unique_ptr<Window> window) {
    Registry& registry = lf_registry();
    const HandleId id = nextHandleId();
    window->handle = toHandle<HWND>(id);
    window->sequence = registry.nextSequence++;
    Window& added = *window;
    registry.windows.emplace(id, std::move(window));
    if (Window* parent = findWindowLocked(added.parent)) {
        parent->children.push_back(added.handle);
    } else {
        // A new top-level window goes on top of the others of its kind (topmost or not).
        auto& tops = registry.topLevels;
        auto firstNormal = std::find_if(tops.begin(), tops.end(),
                                        [&](HWND h) { return !lf_isTopmost(registry, h); });
        if ((added.exStyle & WS_EX_TOPMOST) != 0) {
            tops.insert(tops.begin(), added.handle);
        } else {
            tops.insert(firstNormal, added.handle);
        }
    }
    return added;
}

void removeWindowLocked(HWND hwnd) {
    Registry& registry = lf_registry();
    Window* window = findWindowLocked(hwnd);
    if (window == nullptr) {
        return;
    }
    if (Window* parent = findWindowLocked(window->parent)) {
        std::erase(parent->children, hwnd);
    }
    std::erase(registry.topLevels, hwnd);
    if (window->queue) {
        window->queue->setPaintPending(window->sequence, hwnd, false);
    }
    registry.windows.erase(toId(hwnd));
}

std::vector<HWND> topLevelWindowsLocked() {
    return lf_registry().topLevels;
}

void raiseTopLevelLocked(HWND hwnd, HWND insertAfter) {
    Registry& registry = lf_registry();
    auto& tops = registry.topLevels;
    if (std::find(tops.begin(), tops.end(), hwnd) == tops.end()) {
        return;
    }
    std::erase(tops, hwnd);
    const bool topmost = lf_isTopmost(registry, hwnd);
    if (insertAfter == HWND_BOTTOM) {
        if (topmost) {
            auto firstNormal = std::find_if(tops.begin(), tops.end(),
                                            [&](HWND h) { return !lf_isTopmost(registry, h); });
            tops.insert(firstNormal, hwnd);
        } else {
            tops.push_back(hwnd);
        }
        return;
    }
    auto after = std::find(tops.begin(), tops.end(), insertAfter);
    if (after != tops.end() && lf_isTopmost(registry, *after) == topmost) {
        tops.insert(after + 1, hwnd);
        return;
    }
    // On top of its band: topmost windows above all others, the rest above the non-topmost.
    if (topmost) {
        tops.insert(tops.begin(), hwnd);
    } else {
        auto firstNormal = std::find_if(tops.begin(), tops.end(),
                                        [&](HWND h) { return !lf_isTopmost(registry, h); });
        tops.insert(firstNormal, hwnd);
    }
}

FrameInsets frameInsetsFor(DWORD style, DWORD exStyle, UINT dpi, bool child) {
    FrameInsets insets;
    int frame = 0;
    if (child) {
        frame = (style & WS_BORDER) != 0 ? kBorder : 0;
    } else if ((style & WS_THICKFRAME) != 0) {
        frame = MulDiv(kSizeFrame + kPaddedBorder, static_cast<int>(dpi), 96);
    } else if ((style & WS_DLGFRAME) != 0) {
        frame = MulDiv(kFixedFrame, static_cast<int>(dpi), 96);
    } else if ((style & WS_BORDER) != 0) {
        frame = kBorder;
    }
    if ((exStyle & WS_EX_CLIENTEDGE) != 0) {
        frame += MulDiv(kEdge, static_cast<int>(dpi), 96);
    }
    insets.left = insets.right = insets.top = insets.bottom = frame;
    if (!child && (style & WS_CAPTION) == WS_CAPTION) {
        insets.top += MulDiv(kCaption, static_cast<int>(dpi), 96);
    }
    return insets;
}

FrameInsets frameInsetsLocked(const Window& window) {
    return frameInsetsFor(window.style, window.exStyle, window.dpi, (window.style & WS_CHILD) != 0);
}

RECT clientAreaLocked(const Window& window) {
    const int width = window.rect.right - window.rect.left;
    const int height = window.rect.bottom - window.rect.top;
    if (window.showState == SW_SHOWMINIMIZED) {
        return RECT{0, 0, 0, 0};
    }
    const FrameInsets insets = frameInsetsLocked(window);
    RECT client{insets.left, insets.top, width - insets.right, height - insets.bottom};
    client.right = std::max(client.right, client.left);
    client.bottom = std::max(client.bottom, client.top);
    return client;
}

RECT screenRectLocked(const Window& window) {
    if (const Window* parent = findWindowLocked(window.parent)) {
        const POINT origin = clientOriginOnScreenLocked(*parent);
        return offsetRect(window.rect, origin.x, origin.y);
    }
    return window.rect;
}

POINT clientOriginOnScreenLocked(const Window& window) {
    const RECT screen = screenRectLocked(window);
    const RECT client = clientAreaLocked(window);
    return POINT{screen.left + client.left, screen.top + client.top};
}

bool visibleLocked(const Window& window) {
    const Window* current = &window;
    while (current != nullptr) {
        if ((current->style & WS_VISIBLE) == 0) {
            return false;
        }
        current = findWindowLocked(current->parent);
    }
    return true;
}

HWND rootLocked(HWND hwnd) {
    Window* window = findWindowLocked(hwnd);
    while (window != nullptr && window->parent != nullptr) {
        Window* parent = findWindowLocked(window->parent);
        if (parent == nullptr) {
            break;
        }
        window = parent;
    }
    return window == nullptr ? nullptr : window->handle;
}

void invalidateLocked(Window& window, const RECT* clientRect, bool erase) {
    const RECT area = clientAreaLocked(window);
    const RECT whole{0, 0, area.right - area.left, area.bottom - area.top};
    const RECT added = clientRect == nullptr ? whole : intersectRects(*clientRect, whole);
    if (isEmptyRect(added)) {
        return;
    }
    window.invalid.add(added);
    window.eraseBackground = window.eraseBackground || erase;
    refreshPaintPendingLocked(window);
}

void refreshPaintPendingLocked(Window& window) {
    if (!window.queue) {
        return;
    }
    const bool pending = !window.invalid.empty() && visibleLocked(window);
    window.queue->setPaintPending(window.sequence, window.handle, pending);
}

void collectTreeLocked(HWND root, std::vector<HWND>& out) {
    Window* window = findWindowLocked(root);
    if (window == nullptr) {
        return;
    }
    out.push_back(root);
    for (HWND child : window->children) {
        collectTreeLocked(child, out);
    }
}

void dropWindowsOfThread(DWORD threadId) {
    std::vector<HWND> gone;
    {
        std::lock_guard lock(windowsMutex());
        std::vector<HWND> all;
        for (HWND top : topLevelWindowsLocked()) {
            collectTreeLocked(top, all);
        }
        for (HWND hwnd : all) {
            const Window* window = findWindowLocked(hwnd);
            if (window != nullptr && window->threadId == threadId) {
                collectTreeLocked(hwnd, gone);
            }
        }
        std::sort(gone.begin(), gone.end());
        gone.erase(std::unique(gone.begin(), gone.end()), gone.end());
        for (HWND hwnd : gone) {
            if (Window* window = findWindowLocked(hwnd)) {
                --window->windowClass->windowCount;
                removeWindowLocked(hwnd);
            }
        }
    }
    for (HWND hwnd : gone) {
        forgetInputState(hwnd);
    }
}

bool procedureOf(HWND hwnd, WNDPROC& proc, std::shared_ptr<ThreadQueue>& queue, DWORD& threadId) {
    std::lock_guard lock(windowsMutex());
    Window* window = findWindowLocked(hwnd);
    if (window == nullptr) {
        return false;
    }
    proc = window->proc;
    queue = window->queue;
    threadId = window->threadId;
    return true;
}

std::shared_ptr<void> controlStateOf(HWND hwnd) {
    std::lock_guard lock(windowsMutex());
    Window* window = findWindowLocked(hwnd);
    return window == nullptr ? nullptr : window->controlState;
}

void setControlState(HWND hwnd, std::shared_ptr<void> state) {
    std::lock_guard lock(windowsMutex());
    if (Window* window = findWindowLocked(hwnd)) {
        window->controlState = std::move(state);
    }
}

} // namespace skyloom::winui::detail
