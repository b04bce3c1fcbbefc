#include "gui/gui_state.h"

namespace skyloom {

void GuiState::resetForRestart() noexcept {
    statusLine.clear();
    errorLine.clear();
    qualityText.clear();
    userStand.clear();
    parkAirportName.clear();
    publisher.clear();
    simulatorText.clear();
    dataSourceText.clear();
    statusExpiryArmed = false;
    statusWeight = StatusWeight::info;
    statusHeldUntil = {};
    waitingStatus.clear();

    feedStatusPending = true;
    userWingspanKnown = true;
    timeShiftEnabled = true;
    airportFileLoaded = false;
    simulatorConnected = false;
    airportFileHandmade = false;
    staticFitHidden = false;

    airportFileUpdates = 0;
    liveAircraftCount = 0;
    maxParkedCount = 0;
    qnhHpa = 0;
    parkedLiveCount = 0;
    staticCount = 0;
    standCount = 0;
    parkAirport = IcaoCode();
    staticFit = -1.0F;
    liveFit = -1.0F;
    trafficReaderState = ReaderState::notRunning;
    weatherReaderState = ReaderState::notRunning;
}

} // namespace skyloom
