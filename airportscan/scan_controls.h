// `ScanControls`: the two main-window controls and the notice that the airport scan drives:
// the SKIP_AIRPORT_SCAN check box (disabled while a scan runs), the "Tblo" button and the
// unmatched-airport notice (tblo.zip waits to be mailed). The program implements it over the
// window's controls; tests record what the scan does.
#pragma once

namespace skyloom {

class ScanControls {
public:
    virtual ~ScanControls() = default;
    virtual void enableSkipScanCheckbox(bool enabled) = 0;
    virtual void enableTbloButton(bool enabled) = 0;
    // The notice flag: while set, clearing the status line shows the notice instead.
    virtual void setTbloNoticePending(bool pending) = 0;
    virtual bool tbloNoticePending() const = 0;
    // Shows the notice on the status line.
    virtual void showTbloNotice() = 0;
};

} // namespace skyloom
