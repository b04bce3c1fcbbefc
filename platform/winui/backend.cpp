#include "platform/winui/backend.h"

#include <mutex>

namespace skyloom::winui {
namespace {

std::mutex g_backendMutex;
std::shared_ptr<Backend> g_backend;

} // namespace

void setBackend(std::shared_ptr<Backend> backend) {
    std::lock_guard lock(g_backendMutex);
    g_backend = std::move(backend);
}

std::shared_ptr<Backend> currentBackend() {
    std::lock_guard lock(g_backendMutex);
    return g_backend;
}

} // namespace skyloom::winui
