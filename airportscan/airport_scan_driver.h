// The airport scan's one entry, run once per start on the main worker thread (and by the
// window's scan command): it decides whether a scan runs, reads what the scan needs (the weekly
// airport list, the publisher lists), opens the transaction that keeps the previous scan's
// folders, runs the scan over the simulator's package folders, and then commits the new folders
// or puts the previous ones back. It never throws and never leaves less airport data than
// before; its progress reaches the window through the run's window sink.
#pragma once

#include "airportscan/airport_scan_setup.h"

namespace skyloom {

inline constexpr std::string_view kScanningStatus = "Scanning for airports ...";

// Runs one airport scan with the setup.
void gf_runAirportScan(AirportScanSetup& setup) noexcept;

} // namespace skyloom
