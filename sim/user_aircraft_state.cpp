#include "sim/user_aircraft_state.h"

#include <cmath>
#include <limits>
#include <mutex>
#include <utility>

#include "app/user_position.h"
#include "sim/user_aircraft_replies.h"

namespace skyloom {
namespace {

// Guards the state record, the title and the model data; held only to copy in or out.
std::mutex g_userAircraftMutex;
UserAircraftState g_state;
std::string g_title;
UserModelData g_modelData;

} // namespace

std::atomic<std::int64_t> g_simUtcSeconds{0};
std::atomic<bool> g_simUtcValid{false};
std::atomic<bool> g_userAcOnGround{false};
std::atomic<std::uint8_t> g_userAcOnGroundByte{kUserOnGroundUnknown};
std::atomic<double> g_userHalfSpanNm{std::numeric_limits<double>::quiet_NaN()};
std::atomic<std::uint32_t> g_userAcCategory{0};
std::atomic<std::uint8_t> g_userAcInfoReceived{0};

bool UserAircraftState::positionKnown() const noexcept {
    return std::fabs(latitude) > kKnownPositionEpsilonDeg ||
           std::fabs(longitude) > kKnownPositionEpsilonDeg;
}

UserAircraftState gf_userAircraftState() {
    const std::lock_guard lock(g_userAircraftMutex);
    return g_state;
}

void gf_storeUserAircraftState(const UserAircraftState& state) {
    const std::lock_guard lock(g_userAircraftMutex);
    g_state = state;
}

std::string gf_userAcTitle() {
    const std::lock_guard lock(g_userAircraftMutex);
    return g_title;
}

void gf_setUserAcTitle(std::string title) {
    const std::lock_guard lock(g_userAircraftMutex);
    g_title = std::move(title);
}

UserModelData gf_userModelData() {
    const std::lock_guard lock(g_userAircraftMutex);
    return g_modelData;
}

void gf_setUserModelData(UserModelData data) {
    const std::lock_guard lock(g_userAircraftMutex);
    g_modelData = data;
}

void gf_clearUserAircraftData() {
    {
        const std::lock_guard lock(g_userAircraftMutex);
        g_state = UserAircraftState{};
        g_title.clear();
        g_modelData = UserModelData{};
    }
    g_simUtcSeconds.store(0);
    g_simUtcValid.store(false);
    g_userAcOnGround.store(false);
    g_userAcOnGroundByte.store(kUserOnGroundUnknown);
    g_userHalfSpanNm.store(std::numeric_limits<double>::quiet_NaN());
    g_userAcCategory.store(0);
    g_userAcInfoReceived.store(0);
    g_userGroundDataReceived.store(false);
    gf_resetUserReplyMemory();
}

} // namespace skyloom
