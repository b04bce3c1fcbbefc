// `RecordingParkingWindow`: the window's parking panel for tests: it records what parking asked
// of its controls, in order, by name ("disableParkingControls", "enableParkButton off", ...),
// and apart from them what it was shown of static parking.
#pragma once

#include <algorithm>
#include <string>
#include <vector>

#include "parking/parking_window.h"

namespace skyloom::testing {

class RecordingParkingWindow final : public ParkingWindow {
public:
    void applyRtParkTrafficOnly() override { calls.emplace_back("applyRtParkTrafficOnly"); }
    void applyAutoPark() override { calls.emplace_back("applyAutoPark"); }
    void applyParkingControlStates() override { calls.emplace_back("applyParkingControlStates"); }
    void disableParkingControls() override { calls.emplace_back("disableParkingControls"); }
    void enableParkingControls() override { calls.emplace_back("enableParkingControls"); }
    void enableParkButton(bool on) override {
        calls.emplace_back(on ? "enableParkButton on" : "enableParkButton off");
    }
    void enableFlushButton(bool on) override {
        calls.emplace_back(on ? "enableFlushButton on" : "enableFlushButton off");
    }
    void showParkingInterval() override { calls.emplace_back("showParkingInterval"); }
    void showStaticParking(const StaticParkingShown& now) override { shown.push_back(now); }

    std::size_t count(const std::string& call) const {
        return static_cast<std::size_t>(std::count(calls.begin(), calls.end(), call));
    }

    std::vector<std::string> calls;
    std::vector<StaticParkingShown> shown;
};

} // namespace skyloom::testing
