// Handles as ids: every window, device context, GDI object and monitor handle is the id of an
// entry in a table, disguised as the handle's pointer type and never dereferenced. Ids come
// from one process-wide counter and are never reused, so a handle whose entry is gone (or
// that names an entry of another kind) is simply not found: calls with it fail instead of
// touching freed memory.
#pragma once

#include <cstdint>
#include <memory>
#include <mutex>
#include <unordered_map>
#include <utility>
#include <vector>

namespace skyloom::winui::detail {

using HandleId = std::uint64_t;

// A fresh id, far above the small values that stand for special handles (HWND_BOTTOM = 1,
// system-colour brushes COLOR_x + 1) and below the negative ones (HWND_TOPMOST = -1).
HandleId nextHandleId();

template <class Handle> Handle toHandle(HandleId id) {
    return reinterpret_cast<Handle>(static_cast<std::uintptr_t>(id));
}

template <class Handle> HandleId toId(Handle handle) {
    return static_cast<HandleId>(reinterpret_cast<std::uintptr_t>(handle));
}

// A thread-safe table of shared entries keyed by id.
template <class T> class HandleTable {
public:
    HandleId add(std::shared_ptr<T> entry) {
        const HandleId id = nextHandleId();
        std::lock_guard lock(mutex_);
        entries_.emplace(id, std::move(entry));
        return id;
    }

    std::shared_ptr<T> find(HandleId id) const {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(id);
        return it == entries_.end() ? nullptr : it->second;
    }

    // Removes the entry and hands it back (null when there was none).
    std::shared_ptr<T> remove(HandleId id) {
        std::lock_guard lock(mutex_);
        auto it = entries_.find(id);
        if (it == entries_.end()) {
            return nullptr;
        }
        auto entry = std::move(it->second);
        entries_.erase(it);
        return entry;
    }

    std::size_t size() const {
        std::lock_guard lock(mutex_);
        return entries_.size();
    }

private:
    mutable std::mutex mutex_;
    std::unordered_map<HandleId, std::shared_ptr<T>> entries_;
};

} // namespace skyloom::winui::detail
