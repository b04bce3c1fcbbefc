// What the airport scan shows in the main window while it runs: the status line and the
// numbers of files in my_simaddon and my_thirdparty. The program hands the scan the window's
// side of it; tests record what the scan shows.
#pragma once

#include <cstdint>
#include <string>

namespace skyloom {

class ScanWindow {
public:
    virtual ~ScanWindow() = default;
    // The status line; with `log` the text also goes to the log.
    virtual void showStatusText(std::string text, bool log) = 0;
    // The number of files in my_simaddon (window update kind 15).
    virtual void setSimaddonCount(std::uint64_t count) = 0;
    // The number of files in my_thirdparty (window update kind 16).
    virtual void setThirdpartyCount(std::uint64_t count) = 0;
};

} // namespace skyloom
