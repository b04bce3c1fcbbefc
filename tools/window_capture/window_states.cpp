#include "tools/window_capture/window_states.h"

#include "feed/rtapi_road.h"
#include "foundation/icao_code.h"
#include "gui/install_path_check.h"

namespace skyloom::tools::window_capture {

std::vector<GuiUpdate> gf_updatesFor(const WindowState& state) {
    using U = GuiUpdate;
    std::vector<GuiUpdate> updates;
    if (state.counts) {
        updates.emplace_back(U::SimulatorText{"MSFS 2024 (12.1.282174.999)"});
        updates.emplace_back(U::SimulatorConnected{true});
        updates.emplace_back(U::UserStand{"B42"});
        updates.emplace_back(U::SimaddonCount{37});
        updates.emplace_back(U::ThirdpCount{12});
        updates.emplace_back(U::LiveriesCount{1523});
        updates.emplace_back(U::FeedStatusKnown{});
        // The default road, the web API's, names the session's licence.
        updates.emplace_back(U::DataSourceText{gf_rtApiDataSourceText(true)});
        updates.emplace_back(U::TrafficReaderState{ReaderState::receiving});
        updates.emplace_back(U::WeatherReaderState{ReaderState::receiving});
        updates.emplace_back(U::Qnh{1013});
        updates.emplace_back(U::LiveAircraftCount{87});
        updates.emplace_back(U::ParkAirport{IcaoCode(kCaptureAirport)});
        updates.emplace_back(U::AirportFile{true, "Vienna Schwechat"});
        updates.emplace_back(U::Publisher{"JustSim", false});
        updates.emplace_back(U::QualityText{"92 %"});
        updates.emplace_back(U::StandCount{212});
        updates.emplace_back(U::ParkedCounts{14, 96});
        updates.emplace_back(U::ParkingTarget{120, 60});
        updates.emplace_back(U::AirportFileUpdates{7});
        updates.emplace_back(U::StaticFit{3.5F});
        updates.emplace_back(U::LiveFit{2.0F});
        updates.emplace_back(
            U::StatusText{"Parking adjustments: 3 to be removed, 5 to be added\n", true});
        if (state.nextUpdateMinutes > 0) {
            updates.emplace_back(U::NextParkingUpdate{state.nextUpdateMinutes});
        }
    }
    if (!state.error.empty()) {
        updates.emplace_back(U::ErrorText{state.error});
    }
    if (state.compact) {
        updates.emplace_back(U::SetCompact{true});
    }
    return updates;
}

StaticParkingShown gf_staticParkingFor(const WindowState& state) {
    StaticParkingShown shown;
    if (state.counts) {
        // Static parking runs with an airport file of week 2613.
        shown.active = true;
        shown.fileWeek = 2613;
    }
    return shown;
}

std::vector<NamedState> gf_allStates() {
    return {
        {"normal", WindowState{}},
        {"compact", WindowState{true, false, {}}},
        {"error", WindowState{false, false, gf_installPathMissingText(SimChoice::msfs2024)}},
        {"counts", WindowState{false, true, {}}},
        {"counts_compact", WindowState{true, true, {}}},
        {"park_pushed", WindowState{false, true, {}, true}},
    };
}

} // namespace skyloom::tools::window_capture
