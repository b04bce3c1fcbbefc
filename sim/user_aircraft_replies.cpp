#include "sim/user_aircraft_replies.h"

#include <atomic>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "foundation/geodesy.h"
#include "foundation/log_file.h"
#include "foundation/utf.h"
#include "runtime/rt_status.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "runtime/window_sink.h"
#include "sim/sim_ids.h"
#include "sim/sim_link_state.h"
#include "sim/user_aircraft_model.h"
#include "sim/user_aircraft_stand.h"
#include "sim/user_aircraft_time.h"

namespace skyloom {
namespace {

// What the handlers remember between replies. The positions and the stand text belong to the
// SimClient thread; the warn-once flags are exchanged atomically.
struct ReplyMemory {
    UserAircraftState lastKnown; // only latitude and longitude are used
    std::optional<std::string> standShown;
    std::atomic<bool> groundDataLogged{false};
    std::atomic<bool> zuluWarned{false};
};

ReplyMemory& lf_memory() {
    static ReplyMemory memory;
    return memory;
}

const std::byte* lf_data(const SIMCONNECT_RECV_SIMOBJECT_DATA& message) {
    return reinterpret_cast<const std::byte*>(&message) +
           SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE;
}

void lf_updateSimTime(const UserAircraftState& state, UserAircraft& user) {
    if (!g_rtProfessional.load()) {
        user.simUtcValid.store(false);
        return;
    }
    const std::optional<std::int64_t> seconds =
        gf_simZuluToUtcSeconds(state.zuluYear, state.zuluDayOfYear, state.zuluTime);
    if (seconds) {
        user.simUtcSeconds.store(*seconds);
        user.simUtcValid.store(true);
        lf_memory().zuluWarned.store(false);
        return;
    }
    user.simUtcValid.store(false);
    if (!lf_memory().zuluWarned.exchange(true)) {
        LogFile::writeImportant(
            fmt::format("Invalid simulator Zulu time: year={}, day-of-year={}, seconds={}",
                        state.zuluYear, state.zuluDayOfYear, state.zuluTime));
    }
}

void lf_showUserStand(const UserAircraftState& state, const UserReplyTargets& targets) {
    std::string stand;
    if (targets.user.onGround.load()) {
        stand = targets.stands.standAtPosition(state.position()).value_or("");
    }
    // Every reply would otherwise post a window update five times a second.
    std::optional<std::string>& shown = lf_memory().standShown;
    if (shown != stand) {
        shown = stand;
        targets.window.enqueueUpdate(GuiUpdate::UserStand{std::move(stand)});
    }
}

} // namespace

bool gf_checkUserReplySize(std::size_t size, std::size_t minimum, const char* name) {
    if (size >= minimum) {
        return true;
    }
    LogFile::writeImportant(
        fmt::format("SimConnect {} payload too small: {} < {} bytes", name, size, minimum));
    return false;
}

std::string gf_cutToChars(std::string_view text, std::size_t maxChars) {
    std::size_t at = 0;
    for (std::size_t chars = 0; chars < maxChars && at < text.size(); ++chars) {
        const int length = gf_utf8SequenceLength(text.substr(at));
        at += length > 0 ? static_cast<std::size_t>(length) : 1;
    }
    return std::string(text.substr(0, at));
}

void gf_onUserAircraftData(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t size,
                           const UserReplyTargets& targets) {
    switch (message.dwRequestID) {
    case USER_AC_TITLE:
        gf_onUserAcTitle(message, size, targets.user);
        break;
    case USER_AC_MODEL:
        gf_onUserAcModel(message, size, targets.user, targets.window);
        break;
    case USER_AC_ON_GROUND:
        gf_onUserAcOnGround(message, size, targets.user);
        break;
    case USER_AC_POSITION:
        gf_onUserAcPosition(message, size, targets);
        break;
    default:
        break;
    }
}

void gf_onUserAcPosition(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t size,
                         const UserReplyTargets& targets) {
    if (!gf_checkUserReplySize(size, kUserPositionReplyBytes, "USER_AC_POSITION")) {
        return;
    }
    UserAircraftState state;
    std::memcpy(&state, lf_data(message), sizeof(state));
    if (state.altitude < 0) {
        state.altitude = 0;
    }
    targets.user.storeState(state);

    UserAircraftState& last = lf_memory().lastKnown;
    if (last.positionKnown() && state.positionKnown() &&
        gf_distanceNM(last.position(), state.position()) > kTeleportDistanceNM) {
        LogFile::write("Teleport");
        gf_requestStop(targets.stop, StopReason::newFlight, kNewFlightRestartSeconds);
    }
    last.latitude = state.latitude;
    last.longitude = state.longitude;

    lf_showUserStand(state, targets);
    lf_updateSimTime(state, targets.user);
    g_userObjectId.store(message.dwObjectID);
}

void gf_onUserAcOnGround(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t size,
                         UserAircraft& user) {
    if (!gf_checkUserReplySize(size, kUserOnGroundReplyBytes, "USER_AC_ON_GROUND")) {
        return;
    }
    std::int64_t value = 0;
    std::memcpy(&value, lf_data(message), sizeof(value));
    const bool onGround = value != 0;
    const UserAircraftState state = user.state();
    if (state.positionKnown()) {
        if (!lf_memory().groundDataLogged.exchange(true)) {
            // Flushed at once with the title and model before it: the sign, for a user who
            // watches the log, that the simulator link works.
            LogFile::writeNow(fmt::format("User ground data: SIM ON GROUND={}, AGL={:.0f} ft, "
                                          "altitude={:.0f} ft, groundspeed={:.0f} kt, "
                                          "position={:.6f},{:.6f}",
                                          value, state.altitudeAboveGround, state.altitude,
                                          state.groundVelocity, state.latitude, state.longitude));
        }
        user.onGroundByte.store(onGround ? 1 : 0);
        user.onGround.store(onGround);
    }
    user.groundDataReceived.store(true);
}

void gf_onUserAcTitle(const SIMCONNECT_RECV_SIMOBJECT_DATA& message, std::size_t size,
                      UserAircraft& user) {
    if (!gf_checkUserReplySize(size, kUserTitleReplyBytes, "USER_AC_TITLE")) {
        return;
    }
    const char* text = reinterpret_cast<const char*>(lf_data(message));
    const std::size_t capacity = size - SIMCONNECT_RECV_SIMOBJECT_DATA_HEADER_SIZE;
    const void* nul = std::memchr(text, 0, capacity);
    if (nul == nullptr) {
        LogFile::writeImportant("SimConnect USER_AC_TITLE is not null terminated");
    } else if (nul == text) {
        LogFile::write("! Title of your aircraft is empty?");
    } else {
        std::string title = gf_cutToChars(
            std::string_view(text, static_cast<const char*>(nul) - text), kUserTitleMaxChars);
        if (title != user.title()) {
            LogFile::writeIndented("SimConnect: user aircraft title: " + title);
            user.setTitle(std::move(title));
        }
    }
    user.infoReceived.fetch_or(kUserInfoTitle);
}

void gf_resetUserReplyMemory() {
    ReplyMemory& memory = lf_memory();
    memory.lastKnown = UserAircraftState{};
    memory.standShown.reset();
    memory.groundDataLogged.store(false);
    memory.zuluWarned.store(false);
}

} // namespace skyloom
