// simprobe: runs a world file (data/worlds/*.json) on a manual clock against the scripted
// probe client and prints, first, what the client saw and, then, the world's journal.
//
//   simprobe <world.json> [--seconds N] [--client NAME] [--step-ms N] [--no-journal]
//   simprobe <world.json> --airport ICAO [--no-journal]
//
// With --airport it reads that airport's stands and runways through the program's facility
// readers instead and prints them and what the readers logged.
// Without --seconds it runs until 2 s after the world's last scripted moment (timeline,
// track, timed faults), at least 5 s.
// Exit codes: 0 done, 1 the world file cannot be used, 2 bad arguments.
#include <algorithm>
#include <cstdlib>
#include <iostream>
#include <string>
#include <string_view>

#include <fmt/format.h>

#include "foundation/manual_clock.h"
#include "platform/simworld/installed_world.h"
#include "platform/simworld/probe_client.h"
#include "platform/simworld/world_file.h"
#include "tools/simprobe/airport_report.h"

namespace {

using namespace skyloom;

constexpr std::string_view kUsage =
    "usage: simprobe <world.json> [--seconds N] [--client NAME] [--step-ms N] [--no-journal]\n"
    "       simprobe <world.json> --airport ICAO [--no-journal]\n";

bool lf_number(std::string_view text, double& out) {
    try {
        std::size_t used = 0;
        out = std::stod(std::string(text), &used);
        return used == text.size() && out > 0;
    } catch (const std::exception&) {
        return false;
    }
}

// Two seconds after the last moment the world file scripts, at least 5 s.
double lf_defaultSeconds(const simworld::WorldSetup& setup) {
    double last = 3;
    for (const auto& event : setup.timeline) {
        last = std::max(last, event.atSeconds);
    }
    for (const auto& point : setup.user.track) {
        last = std::max(last, point.atSeconds);
    }
    for (const auto& fault : setup.faults) {
        last = std::max({last, fault.atSeconds.value_or(0), fault.untilSeconds.value_or(0)});
    }
    return last + 2;
}

} // namespace

int main(int argc, char** argv) {
    std::string file;
    simworld::ProbeOptions options;
    bool secondsGiven = false;
    bool journal = true;
    std::string airport;
    for (int i = 1; i < argc; ++i) {
        const std::string_view arg = argv[i];
        const bool hasValue = i + 1 < argc;
        double value = 0;
        if (arg == "--seconds" && hasValue && lf_number(argv[i + 1], value)) {
            options.durationSeconds = value;
            secondsGiven = true;
            ++i;
        } else if (arg == "--step-ms" && hasValue && lf_number(argv[i + 1], value)) {
            options.stepSeconds = value / 1000.0;
            ++i;
        } else if (arg == "--client" && hasValue) {
            options.clientName = argv[++i];
        } else if (arg == "--airport" && hasValue) {
            airport = argv[++i];
        } else if (arg == "--no-journal") {
            journal = false;
        } else if (file.empty() && !arg.starts_with("--")) {
            file = arg;
        } else {
            std::cerr << "simprobe: bad argument '" << arg << "'\n" << kUsage;
            return 2;
        }
    }
    if (file.empty()) {
        std::cerr << kUsage;
        return 2;
    }

    ManualClock clock;
    std::shared_ptr<simworld::World> world;
    try {
        world = simworld::gf_installWorldFile(file, clock);
        if (!secondsGiven) {
            options.durationSeconds = lf_defaultSeconds(world->setup());
        }
    } catch (const simworld::WorldFileError& e) {
        std::cerr << "simprobe: " << e.what() << '\n';
        return 1;
    }
    if (!airport.empty()) {
        for (const std::string& line : simprobe::gf_airportReport(clock, airport)) {
            std::cout << line << '\n';
        }
    } else {
        const std::vector<std::string> seen = simworld::gf_runProbeClient(clock, options);
        std::cout << fmt::format("== client \"{}\" for {:g} s\n", options.clientName,
                                 options.durationSeconds);
        for (const std::string& line : seen) {
            std::cout << line << '\n';
        }
    }
    if (journal) {
        std::cout << "== journal\n";
        for (const std::string& line : world->journalLines()) {
            std::cout << line << '\n';
        }
    }
    simworld::gf_uninstallWorld();
    return EXIT_SUCCESS;
}
