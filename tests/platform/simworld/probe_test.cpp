// The probe client on the world file data/worlds/probe.json sees, in order, the refused
// opens, the connection, OPEN, the "Sim" events, the flight's frames and the user's data.
#include <gmock/gmock.h>

#include "platform/simworld/probe_client.h"
#include "platform/simworld/world_file.h"
#include "support/world_fixture.h"
#include "tests/support/shared_data.h"

namespace skyloom::simworld::testing {
namespace {

using ::testing::ContainsRegex;

// The index of the first line at or after `from` that holds `text`, or lines.size().
std::size_t lf_find(const std::vector<std::string>& lines, std::size_t from,
                    std::string_view text) {
    for (std::size_t i = from; i < lines.size(); ++i) {
        if (lines[i].find(text) != std::string::npos) {
            return i;
        }
    }
    return lines.size();
}

TEST(ProbeTest, ProbeWorldShowsOpenSimEventsFramesAndUserData) {
    ManualClock clock;
    const auto file = skyloom::testing::sourceDir() / "data/worlds/probe.json";
    auto world = gf_installWorldFile(file, clock);
    ProbeOptions options;
    options.durationSeconds = 12;
    const std::vector<std::string> lines = gf_runProbeClient(clock, options);
    gf_uninstallWorld();

    const char* expected[] = {
        "0.200 open refused 2 times (0x80004005)",
        "0.200 connected as \"Skyloom\"",
        "0.200 OPEN \"KittyHawk\" 11.0.282174.999",
        "0.200 EVENT Sim 0",
        "1.000 EVENT FlightLoaded \"flights\\custom\\LSZH.FLT\"",
        "2.000 EVENT Sim 1",
        "2.000 USER title \"Airbus A320 Neo Asobo\"",
        "2.000 USER model \"A20N\"",
        "2.000 AI object 1 (1/2)",
        "2.000 AI object 300 (2/2) agl 0.0 ft ground 1416.0 ft on ground 1 atc id \"HBJCA\"",
        "2.200 USER object 1 at 47.453500, 8.560500 alt 1416.0 ft agl 0.0 ft gs 0.0 kt",
        "2.500 FRAME rate 2 speed 1",
        "6.200 USER object 1 at 47.453533, 8.560335 alt 1416.0 ft agl 0.0 ft gs 11.4 kt",
        "10.200 USER on ground 0",
        "10.200 USER object 1 at 47.454290, 8.557700 alt 1426.0 ft agl 10.0 ft",
        "10.500 FRAME",
        "11.000 EVENT Sim 0",
        "12.000 closed",
    };
    std::size_t at = 0;
    for (const char* text : expected) {
        at = lf_find(lines, at, text);
        ASSERT_LT(at, lines.size()) << "missing, or out of order: " << text;
    }
    // Frames only while the flight runs: 2.5 s to 10.5 s at 2 Hz.
    const auto frames = std::count_if(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find("FRAME") != std::string::npos;
    });
    EXPECT_EQ(frames, 17);
    EXPECT_THAT(world->journalLines().back(), ContainsRegex("c1 > SimConnect_Close\\(\\) = S_OK$"));
}

TEST(ProbeTest, WithoutAWorldTheProbeSaysSo) {
    ManualClock clock;
    EXPECT_EQ(gf_runProbeClient(clock, ProbeOptions{}),
              std::vector<std::string>{"no world is installed"});
}

} // namespace
} // namespace skyloom::simworld::testing
