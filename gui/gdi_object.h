// `GdiObject`: sole ownership of one pen, brush, font or bitmap handle of the window system,
// deleted with DeleteObject when the owner goes or takes another.
#pragma once

#include <utility>

#include "platform/winui/gdi_objects.h"

namespace skyloom {

template <class Handle> class GdiObject {
public:
    GdiObject() noexcept = default;
    explicit GdiObject(Handle handle) noexcept : handle_(handle) {}
    ~GdiObject() { reset(); }
    GdiObject(GdiObject&& other) noexcept : handle_(other.release()) {}
    GdiObject& operator=(GdiObject&& other) noexcept {
        if (this != &other) {
            reset(other.release());
        }
        return *this;
    }
    GdiObject(const GdiObject&) = delete;
    GdiObject& operator=(const GdiObject&) = delete;

    Handle get() const noexcept { return handle_; }
    explicit operator bool() const noexcept { return handle_ != nullptr; }

    // Deletes the object held and keeps `handle` instead.
    void reset(Handle handle = nullptr) noexcept {
        const Handle old = std::exchange(handle_, handle);
        if (old != nullptr) {
            winui::DeleteObject(old);
        }
    }
    Handle release() noexcept { return std::exchange(handle_, nullptr); }

private:
    Handle handle_ = nullptr;
};

} // namespace skyloom
