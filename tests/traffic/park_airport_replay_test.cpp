// The KLAX capture through the program's own wiring (tests/traffic/support/program_replay.h),
// with an airport file of KLAX's own and without one, as most airports are: the download area
// has no archived file for it, or there is no download area at all. The user stays at the
// gate, so KLAX stays the park airport whether or not its file can be had: it is chosen once,
// its missing file is asked for once and said once in the log, the status line names the
// airport and the window paints it for some seconds, and every landing there flares and logs
// its touch-down as with the file. A file that the download area could not give for a while
// (the area was not up) is asked for again until it comes, which the status line says once,
// as it said its first failure once. On the ground every object of the capture moves where its
// nose points: before, landing rolls at Hawthorne turned off 37 and 94 degrees off their noses
// and helicopters lifted off 40 to 148 degrees off theirs.
#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <map>
#include <memory>
#include <optional>
#include <ostream>
#include <set>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "parking/parking_state.h"
#include "refdata/download_area.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"
#include "tests/traffic/support/program_replay.h"
#include "tests/traffic/support/replay_measure.h"
#include "tools/download_server/download_server.h"

namespace skyloom::testing {
namespace {

enum class KlaxFile {
    own,            // airports/my_thirdparty/KLAX.xml, as the demo writes it
    notOnTheArea,   // none of its own; the download area answers 404 for the archived one
    noDownloadArea, // none of its own, and no download area to ask
    areaStartsLate, // the archived one, on a download area that starts 100 s in
};

// The nose on the ground, moving at 5 kt or more, off the direction it moves in (as the
// end-to-end checks hold it).
constexpr double kGroundNoseOffDeg = 30.0;
// When the download area of KlaxFile::areaStartsLate starts listening: after the first ask
// and the one 30 s later, before the one 60 s after that.
constexpr double kAreaStartsAtSeconds = 100.0;
// The share of the capture that is replayed, in seconds after its first burst: EVA620's
// arrival rolls out in it (140 s into the run), and the run lasts well past the late download
// area's answer. The whole capture (1,108 s, 12 arrivals rolling out) ran out ctest's 900 s
// under ThreadSanitizer on a busy machine.
constexpr double kShareSeconds = 150.0;

tools::Capture lf_captureShare(tools::Capture capture) {
    if (!capture.bursts.empty()) {
        const double end = capture.bursts.front().time + kShareSeconds;
        std::erase_if(capture.bursts,
                      [end](const tools::CaptureBurst& burst) { return burst.time > end; });
    }
    return capture;
}

struct FileCase {
    KlaxFile file;
    const char* why;
    friend void PrintTo(const FileCase& c, std::ostream* out) { *out << c.why; }
};

// What the run showed of the aircraft that landed.
struct Landings {
    std::set<std::string> flared;         // seen in the flare of their landing
    std::set<std::string> rolledOut;      // went from their landing into the landing roll
    std::set<std::string> onGroundFlying; // bound for Los Angeles, on the ground in flight
};

class KlaxParkAirportReplay : public ProgramReplayTest,
                              public ::testing::WithParamInterface<FileCase> {
protected:
    void TearDown() override {
        gf_setDownloadAreaBase("");
        area_.reset();
        ProgramReplayTest::TearDown();
    }

    // The capture's airliners that it shows landing at Los Angeles: reported in the air with
    // Los Angeles as destination, later reported on the ground.
    std::set<std::string> capturedLandings() const {
        std::set<std::string> landed;
        for (const auto& [hexid, reports] : reports()) {
            const auto airborne = std::find_if(reports.begin(), reports.end(), [](const auto& r) {
                return r.sample.airborne != 0 && r.destination == IataCode("LAX");
            });
            if (std::any_of(airborne, reports.end(),
                            [](const auto& r) { return r.sample.airborne == 0; })) {
                landed.insert(reports.front().callsign);
            }
        }
        return landed;
    }

    std::optional<TempDir> areaFolder_;
    std::unique_ptr<tools::DownloadServer> area_;
};

TEST_P(KlaxParkAirportReplay, StaysTheParkAirportAndEveryLandingFlaresAndTouchesDown) {
    SKYLOOM_REQUIRE_SHARED(capturePath, kLosAngelesCapture);
    const KlaxFile file = GetParam().file;
    const bool late = file == KlaxFile::areaStartsLate;
    withAirportFile_ = file == KlaxFile::own || late;
    const std::string skip = prepare(kLosAngelesReplayAirport,
                                     lf_captureShare(tools::gf_readCapture(
                                         capturePath, kLosAngelesElevationFt)),
                                     ManualClock::utcTime(2026, 1, 7, 21, 52, 32));
    if (!skip.empty()) {
        GTEST_SKIP() << skip;
    }
    if (file == KlaxFile::notOnTheArea || late) {
        areaFolder_.emplace();
        area_ = std::make_unique<tools::DownloadServer>(areaFolder_->path());
        gf_setDownloadAreaBase(area_->baseUrl());
    }
    std::uint16_t areaPort = 0;
    if (late) {
        // The demo's file of KLAX as the archived one; nothing listens on the area's port yet.
        const std::filesystem::path own = workFolder() / "airports/my_thirdparty/KLAX.xml";
        writeEncrypted(areaFolder_->path() / "downloads/MSFS/archive/stock/KLAX.enc",
                       readText(own));
        std::filesystem::remove(own);
        areaPort = area_->port();
        area_.reset();
    }

    Landings landings;
    std::map<std::uint32_t, FlightPhase> phases;
    const std::string failed = "failed to download the airport file of KLAX";
    std::size_t secondsPainted = 0; // the window painted, once a second, with the failure shown
    ReplayRunOptions options;
    options.afterLastBurst = std::chrono::seconds(60);
    for (const auto& [hexid, reports] : reports()) {
        options.followed.insert(hexid);
    }
    std::size_t mostStatics = 0;
    bool fileApplied = false;
    options.onCycle = [&](MainLoop& loop) {
        fileApplied = fileApplied || gf_parkingState().airportFileApplied;
        if (loop.counters().cycles % 100 == 0 && windowPaints(failed)) {
            ++secondsPainted;
        }
        if (late && !area_ &&
            static_cast<double>(loop.counters().cycles) / 100.0 >= kAreaStartsAtSeconds) {
            area_ = std::make_unique<tools::DownloadServer>(areaFolder_->path(), areaPort);
        }
        const std::vector<StaticAircraft>& statics = loop.traffic().staticAircraft;
        mostStatics = std::max<std::size_t>(
            mostStatics, std::count_if(statics.begin(), statics.end(), [](const auto& a) {
                return a.simState == SimState::active;
            }));
        for (const LiveAircraft& a : loop.traffic().liveAircraft) {
            const std::string& callsign = a.base.callsign;
            const FlightPhase phase = a.phase.phase;
            if (phase == FlightPhase::landing && a.step.touchDownStage > 0) {
                landings.flared.insert(callsign);
            }
            const auto last = phases.find(a.base.hexid);
            if (phase == FlightPhase::landing_roll && last != phases.end() &&
                last->second == FlightPhase::landing) {
                landings.rolledOut.insert(callsign);
            }
            if (phase == FlightPhase::flying && a.motion.onGround != 0 &&
                a.base.destination == IataCode("LAX")) {
                landings.onGroundFlying.insert(callsign);
            }
            phases[a.base.hexid] = phase;
        }
    };
    const ReplayRunResult result = run(options);

    // Every landing flares, touches down and logs it; none ends on the ground in flight.
    EXPECT_THAT(landings.onGroundFlying, ::testing::IsEmpty());
    EXPECT_THAT(landings.rolledOut, ::testing::Contains("EVA620")) << "the share's arrival lands";
    std::set<std::string> touchedDown;
    for (const std::string& line : logLinesWith(" touch down")) {
        const std::size_t from = line.find(' ') + 1;
        touchedDown.insert(line.substr(from, line.find(' ', from) - from));
    }
    EXPECT_EQ(touchedDown, landings.rolledOut);
    for (const std::string& callsign : landings.rolledOut) {
        EXPECT_TRUE(landings.flared.contains(callsign)) << callsign << " landed without a flare";
    }
    for (const std::string& callsign : capturedLandings()) {
        EXPECT_TRUE(touchedDown.contains(callsign)) << callsign << " did not touch down";
    }
    // On the ground every object moves where its nose points, rolling out, turning off, lifting
    // off, at the park airport and at the fields around it.
    for (const auto& [hexid, frames] : result.frames) {
        const NoseOff nose = gf_largestGroundNoseOff(frames);
        EXPECT_LE(nose.deg, kGroundNoseOffDeg)
            << reports().at(hexid).front().callsign << " at " << nose.seconds << " s";
    }

    // KLAX is chosen once and stays; a missing file is asked for once and said once. One the
    // download area could not give for a while is asked for again until it comes, its first
    // failure and its download said, and its static aircraft are placed.
    EXPECT_EQ(logLinesWith("The park airport is KLAX").size(), 1u);
    const bool missing = file == KlaxFile::notOnTheArea || file == KlaxFile::noDownloadArea;
    // Late: its first failure, its download, and the read of the file it gave.
    EXPECT_EQ(logLinesWith("KLAX.enc").size(), missing ? 1u
                                               : late  ? 3u
                                                       : 0u)
        << ::testing::PrintToString(logLinesWith("KLAX.enc"));
    if (late) {
        EXPECT_THAT(logLinesWith("==> Airport file downloads answered again after "),
                    ::testing::SizeIs(1));
        EXPECT_TRUE(fileApplied);
        EXPECT_GT(mostStatics, 0u);
    }
    if (area_) {
        const std::vector<std::string> asked = area_->requests();
        EXPECT_EQ(
            std::count_if(asked.begin(), asked.end(),
                          [](const std::string& path) { return path.ends_with("/KLAX.enc"); }),
            1);
    }
    // Said once when the failures begin, and once when they end, however often it is read
    // again between.
    const std::vector<std::string> status = statusTexts();
    EXPECT_EQ(std::count(status.begin(), status.end(), failed), missing || late ? 1 : 0);
    EXPECT_EQ(std::count(status.begin(), status.end(),
                         "downloaded the airport file of KLAX after 2 failed attempts"),
              late ? 1 : 0);
    // The user sees it: what the parking step sends after it does not take it off the line
    // before it was painted for some seconds.
    if (missing || late) {
        EXPECT_GE(secondsPainted, 5u);
    } else {
        EXPECT_EQ(secondsPainted, 0u);
    }
    EXPECT_TRUE(std::none_of(status.begin(), status.end(), [](const std::string& text) {
        return text.find("downloads/") != std::string::npos;
    })) << "the status line names the airport, not an address";
}

INSTANTIATE_TEST_SUITE_P(
    KlaxFiles, KlaxParkAirportReplay,
    ::testing::Values(FileCase{KlaxFile::own, "an airport file of its own"},
                      FileCase{KlaxFile::notOnTheArea, "none, and a 404 from the download area"},
                      FileCase{KlaxFile::noDownloadArea, "none, and no download area"},
                      FileCase{KlaxFile::areaStartsLate,
                               "the archived one, the download area up 100 s late"}));

} // namespace
} // namespace skyloom::testing
