#include "tools/window_capture/window_states.h"

#include <utility>

#include "foundation/icao_code.h"
#include "refdata/update_check.h"

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
        updates.emplace_back(U::DataSourceText{"RT App 10.0.245"});
        updates.emplace_back(U::TrafficReaderState{ReaderState::receiving});
        updates.emplace_back(U::WeatherReaderState{ReaderState::receiving});
        updates.emplace_back(U::Qnh{1013});
        updates.emplace_back(U::LiveAircraftCount{87});
        updates.emplace_back(U::ParkAirport{IcaoCode("LOWW")});
        updates.emplace_back(U::AirportFile{true, "Vienna Schwechat"});
        updates.emplace_back(U::Publisher{"JustSim", false});
        updates.emplace_back(U::QualityText{"92 %"});
        updates.emplace_back(U::StandCount{212});
        updates.emplace_back(U::ParkedCounts{14, 96});
        updates.emplace_back(U::ParkingTarget{120, 60});
        updates.emplace_back(U::NextParkingUpdate{23});
        updates.emplace_back(U::AirportFileUpdates{7});
        updates.emplace_back(U::StaticFit{3.5F});
        updates.emplace_back(U::LiveFit{2.0F});
        updates.emplace_back(U::StaticPlanCount{4});
        updates.emplace_back(U::StatusText{"Static parking at LOWW: 96 aircraft placed", false});
    }
    if (!state.error.empty()) {
        updates.emplace_back(U::ErrorText{state.error});
    }
    if (state.compact) {
        updates.emplace_back(U::SetCompact{true});
    }
    return updates;
}

GuiPaintFacts gf_factsFor(const WindowState& state,
                          std::shared_ptr<const ParamsSnapshot> settings) {
    GuiPaintFacts facts;
    facts.settings = std::move(settings);
    facts.versionText = gf_windowVersionText();
    if (state.counts) {
        facts.realTrafficConnected = true;
        facts.simulatorConnected = true;
        facts.parking.active = true;
        facts.parking.fileWeek = 12;
        facts.parking.reservedStand = "C35";
    }
    return facts;
}

std::vector<NamedState> gf_allStates() {
    return {
        {"normal", WindowState{}},
        {"compact", WindowState{true, false, {}}},
        {"error", WindowState{false, false, "The packages folder of MSFS 2024 was not found"}},
        {"counts", WindowState{false, true, {}}},
        {"counts_compact", WindowState{true, true, {}}},
    };
}

} // namespace skyloom::tools::window_capture
