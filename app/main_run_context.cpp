#include "app/main_run_context.h"

#include "app/stop_request.h"
#include "app/window_requests.h"
#include "foundation/clock.h"
#include "gui/gui.h"
#include "sim/sim_client_thread.h"

namespace skyloom {

MainRunContext gf_programRunContext() {
    MainRunContext context;
    context.clock = &gf_clock();
    context.gui = &gf_gui();
    context.stop = &gf_stopControl();
    context.requests = &gf_windowRequests();
    context.simClient = &gf_simClientThread();
    return context;
}

} // namespace skyloom
