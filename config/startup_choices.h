// `StartupChoices`: the simulator ("MSFS 2020" or "MSFS 2024") and the traffic source
// ("RT App" or "RT Direct") that a run is for. They are fixed at each start from the
// parameters SIM_CHOICE and RT_CHOISE and published through their own atomic shared pointer;
// a change in the window takes effect at the next start. Fixing them also tells the
// foundation how to write object ids (hexadecimal for MSFS 2020) and gives the log's first
// line its simulator name.
#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace skyloom {

// The values match the simulator values of the data-file header.
enum class SimChoice : int { msfs2020 = 1, msfs2024 = 2 };
enum class TrafficSource : int { rtApp = 1, rtDirect = 2 };

struct StartupChoices {
    SimChoice simulator = SimChoice::msfs2024;
    TrafficSource source = TrafficSource::rtDirect;

    friend bool operator==(const StartupChoices&, const StartupChoices&) = default;
};

std::string_view gf_simChoiceText(SimChoice choice) noexcept;
std::string_view gf_trafficSourceText(TrafficSource source) noexcept;
// The choice a window text names; no value for any other text.
std::optional<SimChoice> gf_simChoiceFromText(std::string_view text) noexcept;
std::optional<TrafficSource> gf_trafficSourceFromText(std::string_view text) noexcept;

// Publishes the choices of this run.
void gf_setStartupChoices(StartupChoices choices);
// The choices of this run; the defaults until the first start has fixed them.
std::shared_ptr<const StartupChoices> gf_startupChoices();
// True once a start has fixed the choices.
bool gf_startupChoicesFixed() noexcept;

// True when this run is for MSFS 2020 (choice 1); false for MSFS 2024.
bool gf_isMsfs2020();
// True when this run takes its traffic from the RealTraffic web API ("RT Direct").
bool gf_isRtDirect();

// The simulator name for the log's first line: the fixed choice once there is one; before
// that, the SIM_CHOICE kept in parameters.xml (the log is opened before the store is read),
// else the default.
std::string gf_simulatorNameForLog();
// The simulator that SIM_CHOICE names in a parameters.xml; no value when the file cannot be
// read or names none.
std::optional<SimChoice> gf_simChoiceInParametersFile(const std::filesystem::path& file);

} // namespace skyloom
