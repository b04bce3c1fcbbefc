#include "app/program_services.h"

#include "foundation/clock.h"
#include "gui/gui.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"

namespace skyloom {

StopControl& gf_stopControl() {
    static StopControl control;
    return control;
}

bool gf_keepRunning() noexcept {
    return gf_stopControl().keepRunning();
}

void gf_requestNewFlightRestart() noexcept {
    gf_requestStop(gf_stopControl(), StopReason::newFlight, kNewFlightRestartSeconds);
}

UserAircraft& gf_userAircraft() {
    static UserAircraft user;
    return user;
}

RunServices gf_runServices() {
    return RunServices{gf_clock(), gf_stopControl(), gf_gui()};
}

} // namespace skyloom
