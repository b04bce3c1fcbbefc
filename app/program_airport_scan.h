// The program's airport scan: the scan's controls over the main window's SKIP_AIRPORT_SCAN
// check box, "Tblo" button and unmatched-airport notice, and the entry that runs one scan with
// the program's services and setup (the start-up and the window's scan command call it).
#pragma once

#include "airportscan/scan_controls.h"
#include "runtime/run_services.h"

namespace skyloom {

class ProgramScanControls : public ScanControls {
public:
    void enableSkipScanCheckbox(bool enabled) override;
    void enableTbloButton(bool enabled) override;
    void setTbloNoticePending(bool pending) override;
    bool tbloNoticePending() const override;
    void showTbloNotice() override;
};

// Runs one airport scan of the program with the run's services; never throws.
void gf_runAirportScan(const RunServices& services) noexcept;

} // namespace skyloom
