#include "platform/winui/handles.h"

#include <atomic>

namespace skyloom::winui::detail {

HandleId nextHandleId() {
    static std::atomic<HandleId> next{0x10000};
    // Steps of 4 keep the low bits clear, as Windows handles have them.
    return next.fetch_add(4);
}

} // namespace skyloom::winui::detail
