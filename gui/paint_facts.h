// What the main window's painter shows beside the window state: facts that other subsystems
// own and the window only reads when it paints (whether RealTraffic and the simulator are
// connected, the current settings for the colours of the option captions, the header's
// version text, and the static parking's own state for the park-airport panel). The program
// reads them from their owners; tests and tools hand in their own.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>

#include "config/params_snapshot.h"

namespace skyloom {

// The static parking's part of the park-airport panel.
struct ParkingPanelFacts {
    // A static parking plan is being made.
    bool generating = false;
    // Static parking runs for the park airport.
    bool active = false;
    // The week number of the park airport's loaded airport file.
    int fileWeek = 0;
    // The stand reserved at the destination's airport, when there is one.
    std::optional<std::string> reservedStand;
};

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
    ParkingPanelFacts parking;
};

using GuiPaintFactsSource = std::function<GuiPaintFacts()>;

// The program's facts, read from their owners now. Static parking reports nothing yet: the
// panel shows it as neither active nor generating.
GuiPaintFacts gf_programPaintFacts();

} // namespace skyloom
