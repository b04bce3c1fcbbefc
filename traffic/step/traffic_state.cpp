#include "traffic/step/traffic_state.h"

#include <algorithm>
#include <utility>

#include "liveries/livery_matching_summary.h"
#include "runtime/run_services.h"
#include "runtime/user_aircraft.h"
#include "runtime/window_sink.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_event_queue.h"
#include "traffic/removals/record_cleanup.h"
#include "traffic/stands/live_stands.h"
#include "traffic/stands/static_traffic.h"
#include "traffic/step/traffic_mailbox.h"

namespace skyloom {

TrafficState::TrafficState(const TrafficLinks& links)
    : commands(links.commands), events(links.events), positions(links.positions),
      clock(links.services.clock), tick(links.tick), mailbox(links.mailbox), user(links.user),
      services(links.services), parkAirport(links.parkAirport) {}

LiveAircraft* TrafficState::findByHexid(std::uint32_t hexid) noexcept {
    const auto it = std::find_if(liveAircraft.begin(), liveAircraft.end(),
                                 [hexid](const LiveAircraft& ac) { return ac.base.hexid == hexid; });
    return it == liveAircraft.end() ? nullptr : &*it;
}

LiveAircraft* TrafficState::findByObjectId(std::uint32_t objectId) noexcept {
    const auto it =
        std::find_if(liveAircraft.begin(), liveAircraft.end(),
                     [objectId](const LiveAircraft& ac) { return ac.objectId == objectId; });
    return it == liveAircraft.end() ? nullptr : &*it;
}

std::vector<StaticAircraftView> TrafficState::staticViews() const {
    return gf_staticAircraftViews(*this);
}

std::string TrafficState::standIdText(std::uint32_t standId) const {
    return gf_standLogText(*this, static_cast<std::int32_t>(standId));
}

namespace {

void lf_emptyQueues(TrafficState& state) {
    state.liveAircraft.clear();
    state.staticAircraft.clear();
    state.staticErasePending = false;
    state.addingStack.clear();
    std::deque<std::uint32_t>().swap(state.removalQueue);
    std::deque<SimCreateRequest>().swap(state.liveCreateQueue);
    std::deque<SimCreateRequest>().swap(state.staticCreateQueue);
    state.delayedCommands.clear();
    state.parkedActions.clear();
    state.arrivedAircraft.clear();
    state.noLiveryKeys.clear();
    state.notShownExplained.clear();
    state.pacing = {};
    state.simulatorFull = false;
    state.parkedStaticCount = 0;
    state.liveryByHexid.clear();
    state.removedGhosts.clear();
    state.parkedCheckSeenCount = 0;
    state.parkedCheckCalls = 0;
}

} // namespace

void lf_initTrafficState(TrafficState& state) {
    lf_emptyQueues(state);
    state.events.clear();
    state.ownQuarantine.clear();
    state.liveAircraft.reserve(kLiveAircraftReserve);
    state.addingStack.reserve(kAddingStackReserve);
    state.delayedCommands.reserve(kDelayedCommandsReserve);
    state.arrivedAircraft.reserve(kArrivedAircraftReserve);
    state.parkedActions.reserve(kParkedActionsReserve);
}

void lf_resetTrafficState(TrafficState& state) {
    state.user.clearPosition();
    state.events.clear();
    lf_emptyQueues(state);
    gf_clearFailedLiveryTitles();
    state.mailbox.reset();
    state.services.window.enqueueUpdate(GuiUpdate::LiveAircraftCount{0});
    state.services.window.enqueueUpdate(GuiUpdate::ParkedCounts{0, 0});
}

void lf_eraseLiveAircraft(TrafficState& state, std::size_t index) {
    auto& live = state.liveAircraft;
    lf_cleanupLiveAircraft(state, live[index]);
    if (index + 1 != live.size()) {
        live[index] = std::move(live.back());
    }
    live.pop_back();
}

} // namespace skyloom

namespace skyloom {

void lf_purgePendingFor(TrafficState& state, std::uint32_t hexid, std::uint32_t objectId) {
    std::erase_if(state.delayedCommands, [hexid, objectId](const SimEvent& entry) {
        return entry.value1 == hexid || (entry.value1 == 0 && objectId != 0 &&
                                         entry.objectId == objectId);
    });
    std::erase(state.addingStack, hexid);
    std::erase(state.arrivedAircraft, hexid);
    std::erase_if(state.parkedActions,
                  [hexid](const ParkedActionEntry& entry) { return entry.hexid == hexid; });
}

} // namespace skyloom
