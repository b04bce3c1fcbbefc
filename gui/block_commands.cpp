#include "gui/block_commands.h"

#include <string>
#include <utility>

#include <fmt/format.h>

#include "config/option_parameters.h"
#include "config/parameters.h"
#include "config/window_requests.h"
#include "feed/block_text.h"
#include "gui/option_commands.h"
#include "runtime/window_sink.h"

namespace skyloom {

namespace {

void lf_showBlocked(ProgramParameters& p, bool blocked) {
    p.blockButton.enable(false);
    p.unblockButton.enable(blocked);
    p.aircraftButton.enable(!blocked);
    p.ALL_AIR_GND_SELECTOR.enable(!blocked);
}

} // namespace

void lf_blockAircraft(ProgramParameters& p, WindowSink& window, WindowRequests& requests) {
    const std::string selected = p.AIRCRAFT_SELECTOR.current();
    const BlockText block = gf_parseBlockText(selected);
    if (!block.valid) {
        p.BLOCK_AIRCRAFT.setValue("");
        p.BLOCK_AIRCRAFT.publish();
        return;
    }
    p.BLOCK_AIRCRAFT.setValue(selected);
    p.BLOCK_CALLSIGN.setValue(block.callsign);
    p.BLOCK_REGCODE.setValue(block.registration);
    p.BLOCK_HEXIDDEC.setValue(block.hexid);
    // One republication carries the whole block, the underscore flag with it.
    p.BLOCK_AIRCRAFT.publish();
    window.showStatusText(
        fmt::format("Aircraft with callsign: {}, regcode: {} and hexid: {:x} is blocked",
                    block.callsign, block.registration, block.hexid),
        true);
    lf_showBlocked(p, true);
    p.AIRCRAFT_SELECTOR.enable(false);
    requests.blockApplied.store(true, std::memory_order_release);
}

void lf_unblockAircraft(ProgramParameters& p, WindowSink& window) {
    if (p.BLOCK_AIRCRAFT.empty()) {
        return;
    }
    window.showStatusText(fmt::format("No more blocking of aircraft: cs: {} reg: {} hexid: {:x} ",
                                      p.BLOCK_CALLSIGN.value(), p.BLOCK_REGCODE.value(),
                                      static_cast<std::uint32_t>(p.BLOCK_HEXIDDEC.value())),
                          true);
    p.BLOCK_AIRCRAFT.setValue("");
    p.BLOCK_CALLSIGN.setValue("");
    p.BLOCK_REGCODE.setValue("");
    p.BLOCK_HEXIDDEC.setValue(0);
    p.BLOCK_AIRCRAFT.publish();
    lf_showBlocked(p, false);
    p.AIRCRAFT_SELECTOR.setItems({""});
    p.AIRCRAFT_SELECTOR.setCurrent("");
    p.AIRCRAFT_SELECTOR.fillComboBox();
    p.AIRCRAFT_SELECTOR.enable(false);
}

void gf_showAircraftList(ProgramParameters& p, const std::vector<std::string>& aircraft) {
    if (!p.BLOCK_AIRCRAFT.empty()) {
        return;
    }
    std::vector<std::string> items{std::string(kSelectAircraftPrompt)};
    items.insert(items.end(), aircraft.begin(), aircraft.end());
    p.AIRCRAFT_SELECTOR.setItems(std::move(items));
    p.AIRCRAFT_SELECTOR.setCurrent(kSelectAircraftPrompt);
    p.AIRCRAFT_SELECTOR.fillComboBox();
    p.AIRCRAFT_SELECTOR.enable(!aircraft.empty());
    p.aircraftButton.enable(true);
}

void gf_showSavedBlock(ProgramParameters& p) {
    const bool blocked = !p.BLOCK_AIRCRAFT.empty();
    lf_showBlocked(p, blocked);
    if (blocked) {
        p.AIRCRAFT_SELECTOR.enable(false);
    }
}

} // namespace skyloom
