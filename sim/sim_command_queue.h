// `SimCommandQueue`: what the traffic step wants the simulator to do, handed to the SimClient
// thread under one mutex in six vectors (client events, creates, removals, data requests,
// reverse thrust, flight plans). Pushers hold the mutex for one push (seven for the lights);
// the SimClient swaps all six out on every frame and executes them without the lock, so a push
// never waits for the simulator and commands pushed meanwhile wait for the next frame.
//
// The swap exchanges the vectors with the SimClient's own, emptied ones, so the capacities
// reserved at the start of a run travel back and forth and pushes stay free of reallocation.
//
// The gf_ pushers below work on the program's queue (gf_simCommandQueue()).
#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <span>
#include <vector>

#include "sim/sim_command_records.h"

namespace skyloom {

class AIPositionBatch;
class UserAircraft;
struct UserAircraftState;

// The six vectors, in the order of the queue's fields.
struct SimCommandBatch {
    std::vector<SimCommand> commands;
    std::vector<SimCreateRequest> creates;
    std::vector<std::uint32_t> removals;
    std::vector<SimDataRequest> dataRequests;
    std::vector<ReverseThrustCommand> reverseThrust;
    std::vector<SimFlightPlanRequest> flightPlans;

    bool empty() const noexcept;
    std::size_t size() const noexcept;
    // Empties every vector and keeps its capacity.
    void clear() noexcept;
    // At least the capacities a run starts with.
    void reserve();
};

// Capacities reserved at the start of a run.
inline constexpr std::size_t kSimCommandReserve = 512;
inline constexpr std::size_t kSimCreateReserve = 256;
inline constexpr std::size_t kSimRemovalReserve = 256;
inline constexpr std::size_t kSimDataRequestReserve = 64;
inline constexpr std::size_t kSimReverseThrustReserve = 128;
inline constexpr std::size_t kSimFlightPlanReserve = 64;

class SimCommandQueue {
public:
    SimCommandQueue() = default;
    SimCommandQueue(const SimCommandQueue&) = delete;
    SimCommandQueue& operator=(const SimCommandQueue&) = delete;

    void push(const SimCommand& command);
    // Several client events under one lock, in order.
    void push(std::span<const SimCommand> commands);
    void push(const SimDataRequest& request);
    void push(SimFlightPlanRequest request);
    void push(SimCreateRequest request);
    void push(const ReverseThrustCommand& command);
    void pushRemoval(std::uint32_t objectId);

    // Exchanges the six vectors with `into`'s, which is emptied first: `into` receives all
    // that was pushed, the queue keeps `into`'s capacities.
    void takeAll(SimCommandBatch& into);
    // Empties the six vectors.
    void clear();
    // Reserves the capacities of a run's start.
    void reserve();
    // Records waiting (all six vectors).
    std::size_t waitingCount() const;

private:
    mutable std::mutex mutex_;
    SimCommandBatch waiting_; // guarded by mutex_
};

// The program's queue.
SimCommandQueue& gf_simCommandQueue();

// --- Pushers of the traffic thread, on the program's queue ---
void gf_queueCreateAIAircraft(SimCreateRequest request);
// Forgets the object's positions not yet sent (under the batch mutex, released again), then
// queues the removal.
void gf_queueRemoveAIObject(std::uint32_t objectId);
void gf_queueRemoveAIObject(SimCommandQueue& queue, AIPositionBatch& batch, std::uint32_t objectId);
void gf_queueReverseThrust(std::uint32_t objectId, bool active, bool reverse);
void gf_queueSimCommand(const SimCommand& command);
void gf_queueSimDataRequest(const SimDataRequest& request);
void gf_queueFlightPlan(SimFlightPlanRequest request);
// Asks for the user aircraft's position and state once more; returns the state known now (the
// answer comes with a later frame).
UserAircraftState gf_requestUserAircraftState(const UserAircraft& user);

// The seven lights of one object, in this order: nav, beacon, landing, taxi, strobes, logo,
// cabin; one lock for all seven.
struct LightValues {
    std::uint32_t nav = 0;
    std::uint32_t beacon = 0;
    std::uint32_t landing = 0;
    std::uint32_t taxi = 0;
    std::uint32_t strobes = 0;
    std::uint32_t logo = 0;
    std::uint32_t cabin = 0;
};
void gf_setLights(SimCommandQueue& queue, std::uint32_t objectId, const LightValues& lights);
void gf_setLights(std::uint32_t objectId, const LightValues& lights);
void gf_setNavLights(std::uint32_t objectId, std::uint32_t value);
void gf_setCabinLights(std::uint32_t objectId, std::uint32_t value);
void gf_setCabinLights(SimCommandQueue& queue, std::uint32_t objectId, std::uint32_t value);
void gf_engineAutoStart(std::uint32_t objectId);
void gf_engineAutoShutdown(std::uint32_t objectId);

} // namespace skyloom
