// `ParkingWindow`: what parking asks of the main window's parking panel: its controls disabled
// while a park airport's stands are loaded and planned and enabled again afterwards, kept in
// line with the park options, the push buttons "Park" and "Flush", the minutes to the next
// parking update, and what static parking is doing (`StaticParkingShown`), which the panel and
// "Park" go by. The window implements it once (gui/) and the program hands it to parking;
// nothing of it can be left out. Main worker thread.
#pragma once

#include <cstdint>

namespace skyloom {

// What the park-airport panel shows of static parking.
struct StaticParkingShown {
    // A plan was made and the traffic step is still placing it ("generating parking ...").
    bool generating = false;
    // Static parking runs for the park airport: its airport file is applied. "Park" works only
    // then, and the panel shows the minutes to the next update and the reserved stand.
    bool active = false;
    // The week number of the applied airport file (0 without one).
    std::uint32_t fileWeek = 0;
    // The positions the plan still holds while it is placed (0 otherwise).
    std::uint64_t planCount = 0;

    friend bool operator==(const StaticParkingShown&, const StaticParkingShown&) = default;
};

class ParkingWindow {
public:
    virtual ~ParkingWindow() = default;

    // The park options that apply only to the own parking plan follow RT_PARKTRAFFIC_ONLY, the
    // week and soft options AUTO_PARK; the third does both.
    virtual void applyRtParkTrafficOnly() = 0;
    virtual void applyAutoPark() = 0;
    virtual void applyParkingControlStates() = 0;
    // While a park airport's stands are loaded and planned.
    virtual void disableParkingControls() = 0;
    // The parking generation is over: the controls come back.
    virtual void enableParkingControls() = 0;
    // The push buttons "Park" and "Flush" (false disables).
    virtual void enableParkButton(bool enabled) = 0;
    virtual void enableFlushButton(bool enabled) = 0;
    // Shows PARKING_INTERVAL_MINUTES as the minutes to the next update and hands it to the main
    // loop's countdown.
    virtual void showParkingInterval() = 0;
    // What static parking is doing now (sent when it changed).
    virtual void showStaticParking(const StaticParkingShown& shown) = 0;
};

} // namespace skyloom
