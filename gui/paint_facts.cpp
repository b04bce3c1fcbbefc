#include "gui/paint_facts.h"

#include "config/startup_choices.h"
#include "runtime/rt_status.h"
#include "refdata/update_check.h"
#include "sim/sim_link_state.h"

namespace skyloom {

GuiPaintFacts gf_programPaintFacts() {
    GuiPaintFacts facts;
    facts.realTrafficConnected = g_rtConnected.load();
    facts.simulatorConnected = gf_isSimConnected();
    facts.rtDirect = gf_isRtDirect();
    facts.settings = gf_paramsSnapshot();
    facts.versionText = gf_windowVersionText();
    return facts;
}

} // namespace skyloom
