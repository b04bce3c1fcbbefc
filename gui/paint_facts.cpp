#include "gui/paint_facts.h"

#include "config/startup_choices.h"
#include "foundation/icao_code.h"
#include "parking/park_airport_list.h"
#include "refdata/update_check.h"
#include "runtime/rt_status.h"
#include "sim/sim_link_state.h"

namespace skyloom {

GuiPaintFacts gf_programPaintFacts() {
    GuiPaintFacts facts;
    facts.realTrafficConnected = g_rtConnected.load();
    facts.simulatorConnected = gf_isSimConnected();
    facts.rtDirect = gf_isRtDirect();
    facts.settings = gf_paramsSnapshot();
    facts.versionText = gf_windowVersionText();
    facts.reservedStand = gf_reservedStandAt(facts.settings->DESTINATION);
    return facts;
}

std::optional<std::string> gf_reservedStandAt(std::string_view destination) {
    const std::optional<IcaoCode> code = IcaoCode::parse(destination);
    if (!code) {
        return std::nullopt;
    }
    return gf_findParkAirportName(*code);
}

} // namespace skyloom
