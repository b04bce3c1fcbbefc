// `GuiParkingWindow`: the main window's parking panel as parking reaches it, over the window,
// the parameters whose controls it enables and the window's requests. The references must
// outlive it. Called on the main worker thread: the controls are only enabled and everything
// else goes through window updates.
#pragma once

#include "parking/parking_window.h"

namespace skyloom {

class Gui;
class ProgramParameters;
class WindowRequests;

class GuiParkingWindow final : public ParkingWindow {
public:
    GuiParkingWindow(Gui& gui, ProgramParameters& parameters, WindowRequests& requests);

    void applyRtParkTrafficOnly() override;
    void applyAutoPark() override;
    void applyParkingControlStates() override;
    void disableParkingControls() override;
    void enableParkingControls() override;
    void enableParkButton(bool enabled) override;
    void enableFlushButton(bool enabled) override;
    void showParkingInterval() override;
    // Kept by the window for the panel and "Park"; the plan's positions as update kind 7.
    void showStaticParking(const StaticParkingShown& shown) override;

private:
    Gui& gui_;
    ProgramParameters& parameters_;
    WindowRequests& requests_;
};

} // namespace skyloom
