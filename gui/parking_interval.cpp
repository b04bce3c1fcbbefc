#include "gui/parking_interval.h"

#include <atomic>
#include <memory>

#include "config/params_snapshot.h"
#include "gui/gui.h"

namespace skyloom {
namespace {

constexpr std::int32_t kNoneHandedOver = -1;

std::atomic<std::int32_t> g_handedIntervalMinutes{kNoneHandedOver};

} // namespace

void gf_showParkingInterval(Gui& gui, const ParamsSnapshot& settings) noexcept {
    const std::int32_t minutes = settings.PARKING_INTERVAL_MINUTES;
    g_handedIntervalMinutes.store(minutes);
    gui.enqueueUpdate(GuiUpdate::NextParkingUpdate{minutes});
}

void gf_showParkingInterval() noexcept {
    try {
        const std::shared_ptr<const ParamsSnapshot> settings = gf_paramsSnapshot();
        gf_showParkingInterval(gf_gui(), *settings);
    } catch (...) {
        // No snapshot to read: the window keeps what it shows.
    }
}

std::optional<std::int32_t> gf_takeParkingIntervalMinutes() noexcept {
    const std::int32_t minutes = g_handedIntervalMinutes.exchange(kNoneHandedOver);
    if (minutes == kNoneHandedOver) {
        return std::nullopt;
    }
    return minutes;
}

} // namespace skyloom
