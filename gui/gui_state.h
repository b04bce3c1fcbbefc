// `GuiState`: every value the main window shows (status and error lines, counters, reader
// states, park-airport panel) with the start values the window opens with, and the reset
// before a restart. Only the GUI thread changes it, by applying window updates; the painter
// reads it.
#pragma once

#include <cstdint>
#include <string>

#include "foundation/clock.h"
#include "foundation/icao_code.h"
#include "runtime/gui_update.h"
#include "runtime/reader_state.h"

namespace skyloom {

struct GuiState {
    // Only the header, the counters band, the park-airport panel (when there is a park
    // airport) and the bottom line are shown.
    bool compact = false;

    std::string statusLine;
    std::string errorLine;
    std::string parkAirportName;
    std::string publisher;
    std::string qualityText;
    std::string simulatorText;
    std::string dataSourceText;
    std::string userStand;

    IcaoCode parkAirport; // value 0: no park airport

    // Average parked hours; -1.0 while not known.
    float staticFit = -1.0F;
    float liveFit = -1.0F;

    std::uint64_t liveAircraftCount = 0;
    std::uint64_t simaddonCount = 0;
    std::uint64_t thirdpCount = 0;
    std::uint64_t liveriesCount = 0;

    std::uint64_t parkedLiveCount = 0;
    std::uint64_t staticCount = 0;

    std::uint64_t standCount = 0;

    std::int32_t maxParkedPercentage = 0;
    std::int32_t maxParkedCount = 0;
    std::int32_t minutesToNextParkingUpdate = 0;

    // When the status line is cleared by the expiry tick (armed by every non-empty status).
    Clock::SteadyTime statusExpiry{};
    bool statusExpiryArmed = false;
    // The weight of the status shown, and until when a warning holds the line against lighter
    // texts and clears; a lighter text that came meanwhile waits here for that time to pass.
    StatusWeight statusWeight = StatusWeight::info;
    Clock::SteadyTime statusHeldUntil{};
    std::string waitingStatus;

    std::int32_t airportFileUpdates = 0;

    // Positions in the static parking plan while parking is being generated.
    std::uint64_t staticPlanCount = 0;

    std::int32_t qnhHpa = 0; // 0: none
    bool qnhInHg = false;
    bool airportFileHandmade = false;
    bool feedStatusPending = true;
    bool airportFileLoaded = false;
    bool simulatorConnected = false;
    bool userWingspanKnown = true;
    bool staticFitHidden = false;
    bool timeShiftEnabled = true;

    ReaderState trafficReaderState = ReaderState::notRunning;
    ReaderState weatherReaderState = ReaderState::notRunning;

    // The state after a shutdown that restarts: everything shown about the run goes back to
    // its start value; the compact flag, the QNH unit, the scan counts (simaddon, thirdp,
    // liveries), the maximum parked percentage, the minutes to the next parking update and
    // the static-plan count stay.
    void resetForRestart() noexcept;

    bool errorShown() const noexcept { return !errorLine.empty(); }

    friend bool operator==(const GuiState&, const GuiState&) = default;
};

} // namespace skyloom
