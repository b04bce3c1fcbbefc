#include "runtime/user_aircraft.h"

#include <cmath>
#include <utility>

#include "foundation/geodesy.h"

namespace skyloom {

bool UserAircraftState::positionKnown() const noexcept {
    return std::fabs(latitude) > kKnownPositionEpsilonDeg ||
           std::fabs(longitude) > kKnownPositionEpsilonDeg;
}

UserAircraftState UserAircraft::state() const {
    const std::lock_guard lock(mutex_);
    return state_;
}

void UserAircraft::storeState(const UserAircraftState& state) {
    const std::lock_guard lock(mutex_);
    state_ = state;
}

std::string UserAircraft::title() const {
    const std::lock_guard lock(mutex_);
    return title_;
}

void UserAircraft::setTitle(std::string title) {
    const std::lock_guard lock(mutex_);
    title_ = std::move(title);
}

UserModelData UserAircraft::modelData() const {
    const std::lock_guard lock(mutex_);
    return modelData_;
}

void UserAircraft::setModelData(UserModelData data) {
    const std::lock_guard lock(mutex_);
    modelData_ = data;
}

void UserAircraft::publishPosition(const Lalo& position, double altitudeFt) noexcept {
    const UserPosition published{position, altitudeFt, gf_isValidLalo(position)};
    const std::lock_guard lock(mutex_);
    position_ = published;
}

void UserAircraft::publishPosition(const UserAircraftState& state) noexcept {
    publishPosition(state.position(), state.altitude);
}

UserPosition UserAircraft::position() const noexcept {
    const std::lock_guard lock(mutex_);
    return position_;
}

void UserAircraft::clearPosition() noexcept {
    const std::lock_guard lock(mutex_);
    position_ = UserPosition{};
}

void UserAircraft::clear() noexcept {
    {
        const std::lock_guard lock(mutex_);
        state_ = UserAircraftState{};
        title_.clear();
        modelData_ = UserModelData{};
    }
    simUtcSeconds.store(0);
    simUtcValid.store(false);
    onGround.store(false);
    onGroundByte.store(kUserOnGroundUnknown);
    halfSpanNm.store(std::numeric_limits<double>::quiet_NaN());
    category.store(0);
    infoReceived.store(0);
    groundDataReceived.store(false);
}

} // namespace skyloom
