// What the main window's painter shows beside the window state: facts that other subsystems
// own and the window only reads when it paints (whether RealTraffic and the simulator are
// connected, the current settings for the colours of the option captions, the header's
// version text, and the stand the user reserved at the destination's airport). The program
// reads them from their owners; tests and tools hand in their own. What static parking does
// is no fact read here: parking shows it to the window (`Gui::staticParking`).
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "config/params_snapshot.h"

namespace skyloom {

struct GuiPaintFacts {
    bool realTrafficConnected = false;
    // The simulator connection state is "connected" or "running".
    bool simulatorConnected = false;
    // The run's traffic source is RT Direct.
    bool rtDirect = false;
    // Never null.
    std::shared_ptr<const ParamsSnapshot> settings = std::make_shared<const ParamsSnapshot>();
    // "Version {}" in the header shows this.
    std::string versionText;
    // The stand reserved at the destination's airport in the park-airport list, when there is
    // one; the panel shows it while static parking runs.
    std::optional<std::string> reservedStand;
};

using GuiPaintFactsSource = std::function<GuiPaintFacts()>;

// The program's facts, read from their owners now.
GuiPaintFacts gf_programPaintFacts();

// The stand reserved at the airport of `destination` in the program's park-airport list; none
// for a text that is no airport code or an airport the list does not hold.
std::optional<std::string> gf_reservedStandAt(std::string_view destination);

} // namespace skyloom
