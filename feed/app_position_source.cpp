#include "feed/app_position_source.h"

#include "runtime/user_aircraft.h"

namespace skyloom {
namespace {

constexpr std::int64_t kMillisecondsPerSecond = 1000;

} // namespace

AppPositionReport gf_appPositionReport(const UserAircraftState& state,
                                       std::optional<std::int64_t> simUtcSeconds) noexcept {
    AppPositionReport report;
    report.position = state.position();
    report.altitudeFt = state.altitude;
    report.pitchRad = -state.pitch;
    report.bankRad = -state.bank;
    report.headingRad = state.headingTrue;
    report.groundSpeedKt = state.groundVelocity;
    if (simUtcSeconds) {
        report.simUtcMs = *simUtcSeconds * kMillisecondsPerSecond;
    }
    return report;
}

std::optional<AppPositionReport> gf_userAircraftAppPosition(const UserAircraft& user) {
    const UserAircraftState state = user.state();
    if (!state.positionKnown()) {
        return std::nullopt;
    }
    // The simulator link stores the time before it raises the flag: read in the other order,
    // a raised flag never comes with the time of before.
    std::optional<std::int64_t> simUtcSeconds;
    if (user.simUtcValid.load()) {
        simUtcSeconds = user.simUtcSeconds.load();
    }
    return gf_appPositionReport(state, simUtcSeconds);
}

} // namespace skyloom
