#include "platform/simworld/connection_handles.h"

#include <map>
#include <mutex>

namespace skyloom::simworld {

namespace {

struct Registry {
    std::mutex mutex;
    std::uintptr_t next = 1;
    std::map<std::uintptr_t, ResolvedHandle> handles;
};

Registry& lf_registry() {
    static Registry registry;
    return registry;
}

} // namespace

HANDLE gf_registerConnectionHandle(std::shared_ptr<World> world, std::uint32_t connection) {
    Registry& r = lf_registry();
    std::lock_guard lock(r.mutex);
    const std::uintptr_t value = r.next++;
    r.handles[value] = ResolvedHandle{std::move(world), connection};
    return reinterpret_cast<HANDLE>(value);
}

std::optional<ResolvedHandle> gf_resolveConnectionHandle(HANDLE handle) {
    Registry& r = lf_registry();
    std::lock_guard lock(r.mutex);
    const auto it = r.handles.find(reinterpret_cast<std::uintptr_t>(handle));
    if (it == r.handles.end()) {
        return std::nullopt;
    }
    return it->second;
}

void gf_forgetConnectionHandle(HANDLE handle) {
    Registry& r = lf_registry();
    std::lock_guard lock(r.mutex);
    r.handles.erase(reinterpret_cast<std::uintptr_t>(handle));
}

} // namespace skyloom::simworld
