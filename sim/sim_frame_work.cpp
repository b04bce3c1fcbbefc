// The work of one frame: the AI positions smoothed and sent, then the command queue swapped out
// and executed in the order data requests, client events, flight plans, creates, removals,
// reverse thrust.
#include <algorithm>
#include <array>
#include <cstdint>
#include <string>

#include <fmt/format.h>

#include "foundation/log_file.h"
#include "foundation/text.h"
#include "sim/sim_client.h"
#include "sim/sim_ids.h"
#include "sim/sim_link_work.h"

namespace skyloom {
namespace {

// Percent of spoilers, throttle 1 and throttle 2.
std::array<double, 3> lf_reverseThrustValues(const ReverseThrustCommand& command) noexcept {
    if (command.active == 0) {
        return {0, 0, 0};
    }
    if (command.reverse != 0) {
        return {100, -100, -100};
    }
    return {100, 100, 100};
}

} // namespace

void SimLinkWork::sendPositionBatch(SimClient& client) {
    taken_.clear();
    if (const std::uint64_t epoch = batch_.epoch(); epoch != seenEpoch_) {
        histories_.clear();
        seenEpoch_ = epoch;
    }
    batch_.tryTake(taken_);
    for (const auto& [objectId, samples] : taken_) {
        AIPositionHistory& history = histories_[objectId];
        for (std::size_t i = 0; i < samples.size(); ++i) {
            gf_addAIPositionSample(history, samples[i]);
        }
    }
    const std::int64_t now = gf_steadyNanoseconds(client.clock());
    const std::uint32_t user = g_userObjectId.load();
    for (auto& [objectId, history] : histories_) {
        if (objectId == user) {
            continue;
        }
        const std::optional<AIPosition> position = gf_interpolateAIPosition(history, now);
        if (!position) {
            continue;
        }
        AIPosition data = *position;
        const HRESULT hr =
            SimConnect_SetDataOnSimObject(client.handle(), DEFINITION_LATLONPIBAHEALVSTAS, objectId,
                                          0, 0, sizeof(AIPosition), &data);
        diagnostic_ = Diagnostic{true, objectId, data, hr};
        if (hr < 0) {
            client.onRequestFailed(hr, fmt::format("SimConnect_SetDataOnSimObject batch failed, "
                                                   "objectid: {}",
                                                   gf_hexidText(objectId)));
            return;
        }
    }
}

void SimLinkWork::processSimCommandQueue(SimClient& client) {
    if (client.requestsEnded()) {
        queue_.clear();
        return;
    }
    queue_.takeAll(executing_);
    // Each queue in its turn; after every item a refused request has ended the run (or found
    // the simulator gone), and the rest is dropped.
    const auto run = [&](const auto& items, const auto& execute) {
        for (const auto& item : items) {
            execute(item);
            if (client.requestsEnded()) {
                return false;
            }
        }
        return true;
    };
    [[maybe_unused]] const bool all =
        run(executing_.dataRequests,
            [&](const SimDataRequest& request) { requestSimData(client, request); }) &&
        run(executing_.commands,
            [&](const SimCommand& command) { executeCommand(client, command); }) &&
        run(executing_.flightPlans,
            [&](const SimFlightPlanRequest& request) { executeFlightPlan(client, request); }) &&
        run(executing_.creates,
            [&](const SimCreateRequest& request) { createAIAircraft(client, request); }) &&
        run(executing_.removals,
            [&](std::uint32_t objectId) { removeAIObject(client, objectId); }) &&
        run(executing_.reverseThrust,
            [&](const ReverseThrustCommand& command) { executeReverseThrust(client, command); });
    executing_.clear();
}

void SimLinkWork::requestSimData(SimClient& client, const SimDataRequest& request) {
    const HANDLE h = client.handle();
    if (h == nullptr || client.requestsEnded()) {
        return;
    }
    const auto check = [&](HRESULT hr, std::string_view line) {
        if (hr < 0) {
            client.onRequestFailed(hr, line);
        }
    };
    const auto once = [&](DWORD requestId, DWORD definition, DWORD objectId) {
        return SimConnect_RequestDataOnSimObject(h, requestId, definition, objectId,
                                                 SIMCONNECT_PERIOD_ONCE);
    };
    switch (request.kind) {
    case SimDataRequestKind::aiInRange:
        check(SimConnect_RequestDataOnSimObjectType(
                  h, AI_POSITION, DEFINITION_AI_GET_POSITION,
                  std::min(std::max(radiusMetres(), request.reachMetres), kMostRequestRadiusMetres),
                  SIMCONNECT_SIMOBJECT_TYPE_AIRCRAFT),
              "SimConnect request ac within range fails");
        break;
    case SimDataRequestKind::userTitleAndModel:
        check(once(USER_AC_TITLE, DEFINITION_USER_AC_GET_TITLE, SIMCONNECT_OBJECT_ID_USER),
              "SimConnect request user ac title fails");
        check(once(USER_AC_MODEL, DEFINITION_USER_AC_GET_MODEL, SIMCONNECT_OBJECT_ID_USER),
              "SimConnect request user ac model fails");
        break;
    case SimDataRequestKind::userOnGround:
        check(
            SimConnect_RequestDataOnSimObject(h, USER_AC_ON_GROUND, DEFINITION_USER_AC_GET_ONGROUND,
                                              SIMCONNECT_OBJECT_ID_USER, SIMCONNECT_PERIOD_SECOND),
            "SimConnect request ac gnd/air fails");
        break;
    case SimDataRequestKind::userPosition:
        check(
            once(USER_AC_POSITION, DEFINITION_LATLONPIBAVSHETRALTGSZULI, SIMCONNECT_OBJECT_ID_USER),
            "SimConnect request user ac position fails");
        break;
    case SimDataRequestKind::staticCgAndPitch:
        check(once(AI_STATIC_CG_AND_PITCH, DEFINITION_AI_GET_STATIC_CG_AND_PITCH, request.objectId),
              "SimConnect request StaticCG fails");
        break;
    default:
        LogFile::write(fmt::format("! unknown SimDataRequest kind {}",
                                   static_cast<std::uint32_t>(request.kind)));
        break;
    }
}

void SimLinkWork::executeCommand(SimClient& client, const SimCommand& command) {
    const HANDLE h = client.handle();
    // The simulator's AI takes an object back when its flaps are set: control is released
    // before and once more after.
    const bool flaps = command.eventId == EVENT_FLAPS_SET;
    if (flaps) {
        SimConnect_AIReleaseControl(h, command.objectId, AI_RELEASE_CONTROL);
    }
    const HRESULT hr = SimConnect_TransmitClientEvent(h, command.objectId, command.eventId,
                                                      command.value, TRAFFIC_APP, 0);
    if (flaps && hr >= 0) {
        SimConnect_AIReleaseControl(h, command.objectId, AI_RELEASE_CONTROL);
    }
}

void SimLinkWork::executeFlightPlan(SimClient& client, const SimFlightPlanRequest& request) {
    if (client.handle() == nullptr || !client.context().msfs2020) {
        return;
    }
    // A plan the simulator cannot load comes back as its exception "load flight plan failed".
    const std::string path = gf_pathToUtf8(request.path);
    SimConnect_AISetAircraftFlightPlan(client.handle(), request.objectId, path.c_str(),
                                       AI_FLIGHT_PLAN);
}

void SimLinkWork::executeReverseThrust(SimClient& client, const ReverseThrustCommand& command) {
    if (client.handle() == nullptr) {
        return;
    }
    std::array<double, 3> values = lf_reverseThrustValues(command);
    SimConnect_SetDataOnSimObject(client.handle(), DEFINITION_REVERSE_THRUST, command.objectId, 0,
                                  0, sizeof(values), values.data());
}

} // namespace skyloom
