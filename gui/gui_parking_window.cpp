#include "gui/gui_parking_window.h"

#include "config/parameters.h"
#include "gui/gui.h"
#include "gui/parking_controls.h"
#include "gui/parking_interval.h"

namespace skyloom {

GuiParkingWindow::GuiParkingWindow(Gui& gui, ProgramParameters& parameters,
                                   WindowRequests& requests)
    : gui_(gui), parameters_(parameters), requests_(requests) {}

void GuiParkingWindow::applyRtParkTrafficOnly() {
    gf_applyRtParkTrafficOnly(gui_, parameters_);
}

void GuiParkingWindow::applyAutoPark() {
    gf_applyAutoPark(gui_, parameters_);
}

void GuiParkingWindow::applyParkingControlStates() {
    gf_applyParkingControlStates(gui_, parameters_);
}

void GuiParkingWindow::disableParkingControls() {
    gf_disableParkingControls(gui_, parameters_);
}

void GuiParkingWindow::enableParkingControls() {
    gf_enableParkingControls(gui_, parameters_, requests_);
}

void GuiParkingWindow::enableParkButton(bool enabled) {
    parameters_.parkButton.enable(enabled);
}

void GuiParkingWindow::enableFlushButton(bool enabled) {
    parameters_.flushButton.enable(enabled);
}

void GuiParkingWindow::showParkingInterval() {
    gf_showParkingInterval(gui_, *parameters_.settings());
}

void GuiParkingWindow::showStaticParking(const StaticParkingShown& shown) {
    gui_.setStaticParking(shown);
    gui_.enqueueUpdate(GuiUpdate::StaticPlanCount{shown.planCount});
}

} // namespace skyloom
