// The reports through which other threads stop the program when what they depend on fails:
// the simulator has gone, the RealTraffic web API refused a request, or a RealTraffic App
// reader stopped. Each shows (and logs) its text on the window's status line and raises the
// set-once stop request; when another reason came first the text still shows but the reason
// stays the first one.
#pragma once

#include <string_view>

namespace skyloom {

class StopControl;
class WindowSink;

// The HTTP status with which the web API says that the licence has expired.
inline constexpr long kRtLicenceExpiredStatus = 402;

// Only while the program is still running: "{hh:mm:ss} Flight Simulator no longer connected,
// Skyloom will stop ..." and "SIM WAS CLOSED" (detail 0).
void gf_simNoLongerConnected(WindowSink& window, StopControl& stop) noexcept;

// Status 402: "Your RealTraffic license has expired (error 402). Check your license and API
// token."; any other status: "The {name} has stopped with an error". Then "READER ERROR"
// (restarts) when a reader called, else "SYSTEM ERROR" (ends); detail 15 in both cases.
void gf_showRtApiError(WindowSink& window, StopControl& stop, std::string_view name, bool isReader,
                       long httpStatus) noexcept;

// "The {name} has stopped with error: {text}" and "READER ERROR" with detail 15.
void gf_readerStoppedWithError(WindowSink& window, StopControl& stop, std::string_view name,
                               std::string_view text) noexcept;

} // namespace skyloom
