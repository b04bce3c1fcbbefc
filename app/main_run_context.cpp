#include "app/main_run_context.h"

#include "app/program_services.h"
#include "app/window_requests.h"
#include "foundation/clock.h"
#include "gui/gui.h"
#include "sim/sim_client_thread.h"
#include "parking/park_airport_list.h"
#include "parking/parking_state.h"
#include "parking/parking_user_stands.h"

namespace skyloom {

RunServices MainRunContext::services() const noexcept {
    return RunServices{clock, stop, gui};
}

MainRunContext gf_programRunContext() {
    static ParkingUserStands stands(gf_parkingState(), gf_parkAirportList());
    MainRunContext context{gf_clock(),          gf_gui(),          gf_stopControl(),
                           gf_windowRequests(), gf_userAircraft(), stands};
    context.simClient = &gf_simClientThread();
    return context;
}

} // namespace skyloom
