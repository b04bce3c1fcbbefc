#include "app/main_run_context.h"

#include "app/program_services.h"
#include "app/window_requests.h"
#include "foundation/clock.h"
#include "gui/gui.h"
#include "sim/sim_client_thread.h"
#include "sim/user_aircraft_stand.h"

namespace skyloom {

RunServices MainRunContext::services() const noexcept {
    return RunServices{clock, stop, gui};
}

MainRunContext gf_programRunContext() {
    static NoUserStands noStands;
    MainRunContext context{gf_clock(),          gf_gui(),          gf_stopControl(),
                           gf_windowRequests(), gf_userAircraft(), noStands};
    context.simClient = &gf_simClientThread();
    return context;
}

} // namespace skyloom
