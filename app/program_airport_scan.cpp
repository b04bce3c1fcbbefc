#include "app/program_airport_scan.h"

#include <string>

#include "airportscan/airport_scan_driver.h"
#include "config/parameters.h"
#include "foundation/log_file.h"
#include "gui/tblo_notice.h"

namespace skyloom {

void ProgramScanControls::enableSkipScanCheckbox(bool enabled) {
    gf_params().SKIP_AIRPORT_SCAN.enable(enabled);
}

void ProgramScanControls::enableTbloButton(bool enabled) {
    gf_params().tbloButton.enable(enabled);
}

void ProgramScanControls::setTbloNoticePending(bool pending) {
    gf_setTbloNoticePending(pending);
}

bool ProgramScanControls::tbloNoticePending() const {
    return gf_tbloNoticePending();
}

void ProgramScanControls::showTbloNotice() {
    gf_showTbloNotice();
}

void gf_runAirportScan(const RunServices& services) noexcept {
    try {
        ProgramScanControls controls;
        AirportScanSetup setup =
            gf_programScanSetup(services, controls, std::string(kSupportEmailAddress));
        gf_runAirportScan(setup);
    } catch (const std::exception& e) {
        LogFile::writeNoThrow(std::string("Airport scan not started: ") + e.what());
    }
}

} // namespace skyloom
