#include "sim/sim_command_queue.h"

#include <array>
#include <utility>

#include "runtime/user_aircraft.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_ids.h"

namespace skyloom {

std::string_view gf_simDataRequestKindText(SimDataRequestKind kind) noexcept {
    switch (kind) {
    case SimDataRequestKind::aiInRange:
        return "ac within range";
    case SimDataRequestKind::userTitleAndModel:
        return "user ac title and model";
    case SimDataRequestKind::userOnGround:
        return "user ac gnd/air";
    case SimDataRequestKind::userPosition:
        return "user ac position";
    case SimDataRequestKind::staticCgAndPitch:
        return "StaticCG";
    }
    return "unknown";
}

bool SimCommandBatch::empty() const noexcept {
    return size() == 0;
}

std::size_t SimCommandBatch::size() const noexcept {
    return commands.size() + creates.size() + removals.size() + dataRequests.size() +
           reverseThrust.size() + flightPlans.size();
}

void SimCommandBatch::clear() noexcept {
    commands.clear();
    creates.clear();
    removals.clear();
    dataRequests.clear();
    reverseThrust.clear();
    flightPlans.clear();
}

void SimCommandBatch::reserve() {
    commands.reserve(kSimCommandReserve);
    creates.reserve(kSimCreateReserve);
    removals.reserve(kSimRemovalReserve);
    dataRequests.reserve(kSimDataRequestReserve);
    reverseThrust.reserve(kSimReverseThrustReserve);
    flightPlans.reserve(kSimFlightPlanReserve);
}

void SimCommandQueue::push(const SimCommand& command) {
    std::lock_guard lock(mutex_);
    waiting_.commands.push_back(command);
}

void SimCommandQueue::push(std::span<const SimCommand> commands) {
    std::lock_guard lock(mutex_);
    waiting_.commands.insert(waiting_.commands.end(), commands.begin(), commands.end());
}

void SimCommandQueue::push(const SimDataRequest& request) {
    std::lock_guard lock(mutex_);
    waiting_.dataRequests.push_back(request);
}

void SimCommandQueue::push(SimFlightPlanRequest request) {
    std::lock_guard lock(mutex_);
    waiting_.flightPlans.push_back(std::move(request));
}

void SimCommandQueue::push(SimCreateRequest request) {
    std::lock_guard lock(mutex_);
    waiting_.creates.push_back(std::move(request));
}

void SimCommandQueue::push(const ReverseThrustCommand& command) {
    std::lock_guard lock(mutex_);
    waiting_.reverseThrust.push_back(command);
}

void SimCommandQueue::pushRemoval(std::uint32_t objectId) {
    std::lock_guard lock(mutex_);
    waiting_.removals.push_back(objectId);
}

void SimCommandQueue::takeAll(SimCommandBatch& into) {
    // Emptying outside the lock: a create request's texts are freed here, not under the mutex.
    into.clear();
    std::lock_guard lock(mutex_);
    std::swap(waiting_.commands, into.commands);
    std::swap(waiting_.creates, into.creates);
    std::swap(waiting_.removals, into.removals);
    std::swap(waiting_.dataRequests, into.dataRequests);
    std::swap(waiting_.reverseThrust, into.reverseThrust);
    std::swap(waiting_.flightPlans, into.flightPlans);
}

void SimCommandQueue::clear() {
    std::lock_guard lock(mutex_);
    waiting_.clear();
}

void SimCommandQueue::reserve() {
    std::lock_guard lock(mutex_);
    waiting_.reserve();
}

std::size_t SimCommandQueue::waitingCount() const {
    std::lock_guard lock(mutex_);
    return waiting_.size();
}

SimCommandQueue& gf_simCommandQueue() {
    static SimCommandQueue queue;
    return queue;
}

void gf_queueCreateAIAircraft(SimCreateRequest request) {
    gf_simCommandQueue().push(std::move(request));
}

void gf_queueRemoveAIObject(SimCommandQueue& queue, AIPositionBatch& batch,
                            std::uint32_t objectId) {
    // The batch mutex is released before the queue mutex is taken: no code holds both.
    batch.forgetObject(objectId);
    queue.pushRemoval(objectId);
}

void gf_queueRemoveAIObject(std::uint32_t objectId) {
    gf_queueRemoveAIObject(gf_simCommandQueue(), gf_aiPositionBatch(), objectId);
}

void gf_queueReverseThrust(std::uint32_t objectId, bool active, bool reverse) {
    gf_simCommandQueue().push(ReverseThrustCommand{objectId, static_cast<std::uint8_t>(active),
                                                   static_cast<std::uint8_t>(reverse)});
}

void gf_queueSimCommand(const SimCommand& command) {
    gf_simCommandQueue().push(command);
}

void gf_queueSimDataRequest(const SimDataRequest& request) {
    gf_simCommandQueue().push(request);
}

void gf_queueFlightPlan(SimFlightPlanRequest request) {
    gf_simCommandQueue().push(std::move(request));
}

UserAircraftState gf_requestUserAircraftState(const UserAircraft& user) {
    gf_queueSimDataRequest({SimDataRequestKind::userPosition, 0});
    return user.state();
}

void gf_setLights(SimCommandQueue& queue, std::uint32_t objectId, const LightValues& lights) {
    const std::array<SimCommand, 7> commands{
        SimCommand{objectId, EVENT_NAV_LIGHTS_SET, lights.nav},
        SimCommand{objectId, EVENT_BEACON_LIGHTS_SET, lights.beacon},
        SimCommand{objectId, EVENT_LANDING_LIGHTS_SET, lights.landing},
        SimCommand{objectId, EVENT_TAXI_LIGHTS_SET, lights.taxi},
        SimCommand{objectId, EVENT_STROBES_SET, lights.strobes},
        SimCommand{objectId, EVENT_LOGO_LIGHTS_SET, lights.logo},
        SimCommand{objectId, EVENT_CABIN_LIGHTS_SET, lights.cabin},
    };
    queue.push(commands);
}

void gf_setLights(std::uint32_t objectId, const LightValues& lights) {
    gf_setLights(gf_simCommandQueue(), objectId, lights);
}

void gf_setNavLights(std::uint32_t objectId, std::uint32_t value) {
    gf_queueSimCommand({objectId, EVENT_NAV_LIGHTS_SET, value});
}

void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value) {
    gf_setCabinLights(gf_simCommandQueue(), objectId, value);
}

void gf_setCabinLights(SimCommandQueue& queue, std::uint32_t objectId, std::uint32_t value) {
    queue.push(SimCommand{objectId, EVENT_CABIN_LIGHTS_SET, value});
}

void gf_engineAutoStart(std::uint32_t objectId) {
    gf_queueSimCommand({objectId, EVENT_ENGINE_AUTO_START, 0});
}

void gf_engineAutoShutdown(std::uint32_t objectId) {
    gf_queueSimCommand({objectId, EVENT_ENGINE_AUTO_SHUTDOWN, 0});
}

} // namespace skyloom
