#include "parking/static_parking_update.h"

#include <algorithm>
#include <chrono>

#include "refdata/park_airport.h"
#include "runtime/gui_update.h"
#include "runtime/window_sink.h"

namespace skyloom {

namespace {

constexpr std::uint64_t kMinCountedPlanningMs = 5;
constexpr std::uint64_t kMsPerTrafficTick = 10;

void lf_call(const std::function<void()>& f) {
    if (f) {
        f();
    }
}

void lf_call(const std::function<void(bool)>& f, bool value) {
    if (f) {
        f(value);
    }
}

} // namespace

std::uint32_t gf_planningTicks(std::uint64_t ms) noexcept {
    if (ms < kMinCountedPlanningMs) {
        return 0;
    }
    return static_cast<std::uint32_t>((ms + kMinCountedPlanningMs) / kMsPerTrafficTick);
}

void lf_updateStaticParking(StaticParkingSite& site, const StaticParkingUpdateSeams& seams,
                            WindowSink& window, Clock& clock) {
    auto loaded = seams.lf_readParkedFile(site);
    if (const auto* error = std::get_if<std::string>(&loaded)) {
        const std::string text = std::move(*error);
        loaded = std::monostate{}; // the error text is released before anything can throw
        lf_call(seams.gf_enableParkingControls);
        window.enqueueUpdate(GuiUpdate::StatusText{text, true});
        lf_stopStaticParking(site, seams, window);
        return;
    }
    lf_call(seams.gf_showParkingInterval);
    const auto start = clock.steadyNow();
    lf_call(seams.lf_planStaticParking);
    const auto ms =
        std::chrono::duration_cast<std::chrono::milliseconds>(clock.steadyNow() - start);
    if (const std::uint32_t ticks =
            gf_planningTicks(static_cast<std::uint64_t>(std::max<std::int64_t>(ms.count(), 0)));
        ticks != 0) {
        site.trafficTick.fetch_add(ticks);
    }
}

void lf_stopStaticParking(StaticParkingSite& site, const StaticParkingUpdateSeams& seams,
                          WindowSink& window) {
    if (site.parkAirportReady) {
        if (seams.gf_saveLearned) {
            seams.gf_saveLearned(site.stands, site.handmade);
        }
        lf_call(seams.gf_applyParkOptions);
    }
    site.handmade = false;
    site.parkAirportReady = false;
    lf_call(seams.enableParkButton, false);
    site.trafficWeek = 0;
    lf_call(seams.enableFlushButton, false);
    site.parkAirport.clear();
    window.enqueueUpdate(GuiUpdate::ParkAirport{});
    lf_call(seams.clearRoadReferenceAltitude);
    window.enqueueUpdate(GuiUpdate::AirportFileUpdates{0});
    lf_call(seams.clearRemovalList);
    site.requests.clear();
    site.stands.clear();
    lf_call(seams.clearStandNameMap);
    lf_call(seams.clearRunways);
    lf_call(seams.gf_publishStandsSnapshot);
    window.enqueueUpdate(GuiUpdate::AirportFile{false, {}});
    window.enqueueUpdate(GuiUpdate::Publisher{{}, false});
}

} // namespace skyloom
