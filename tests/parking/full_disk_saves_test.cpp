// What parking keeps on disk when the disk is full: the park-airport list and a learned file
// are saved through the safe save, so that a save the disk refuses leaves the previous file
// whole (and says so in the log), and the next start reads what the previous save wrote.
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include <gtest/gtest.h>

#include "config/params_snapshot.h"
#include "config/program_paths.h"
#include "foundation/file_header.h"
#include "foundation/log_file.h"
#include "foundation/manual_clock.h"
#include "parking/learned_airport_file.h"
#include "parking/park_airport_list.h"
#include "parking/parking_state.h"
#include "refdata/airports.h"
#include "refdata/park_airport.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/small_disk.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_files.h"

namespace skyloom {
namespace {

namespace fs = std::filesystem;

const AirportEntry kEham{IcaoCode("EHAM"), {}, 52.3, 4.76, -11};
const AirportEntry kEgll{IcaoCode("EGLL"), {}, 51.47, -0.45, 83};

TEST(FullDiskSavesTest, TheParkAirportListAndALearnedFileKeepTheirPreviousSave) {
    const testing::TempDir dir;
    const fs::path disk = dir / "work";
    const fs::path out = dir / "out";
    fs::create_directories(disk);
    fs::create_directories(out);
    const std::string list = "EGLL,B32\nEHAM\n";
    const std::optional<int> code = testing::runOnSmallDisk(disk, 256 * 1024, [&] {
        ::setenv("SKYLOOM_WORKDIR", disk.c_str(), 1);
        LogFile::openIn(out);
        gf_setAirports({kEham, kEgll});
        testing::writeText(gf_airportsFolder() / kMyParkAirportsFileName, list);

        // A learned file saved while there is room.
        ParkAirportEntry entry;
        entry.set(kEham);
        const ParamsSnapshot settings;
        const ManualClock clock;
        ParkingState state;
        state.airportFileApplied = true;
        state.file.publisherName = "Big Pub";
        state.file.learnedSavePath = gf_airportsFolder() / "learned" / "EHAM.xml";
        std::vector<Stand> stands = testing::gridAirport(3).stands;
        FlightOption learned = testing::optionOf("KLM", "B738", "PH-OLD", 3, 20, 23, 1);
        learned.origin = 0;
        stands[0].options = {learned};
        gf_saveLearned(state, stands, false, {entry, settings, kHeaderSimMsfs2024, clock});

        testing::RecordingWindowSink window;
        ParkAirportList parkAirports;
        parkAirports.readFile(window);
        parkAirports.setPositionAndName(kEham.icao, kEham.position(), "G1");
        testing::fillDisk(disk);
        parkAirports.writeFile();
        learned.reg = "PH-NEW";
        stands[0].options.push_back(learned);
        gf_saveLearned(state, stands, false, {entry, settings, kHeaderSimMsfs2024, clock});

        fs::copy(gf_airportsFolder(), out / "airports", fs::copy_options::recursive);
        LogFile::close();
        return 0;
    });
    if (!code) {
        GTEST_SKIP() << testing::kNoSmallDisk;
    }
    ASSERT_EQ(*code, 0);
    const std::string log = testing::readText(out / "Log.txt");
    const fs::path airports = out / "airports";
    EXPECT_NE(log.find("==> Could not write '"), std::string::npos) << log;
    EXPECT_EQ(testing::readText(airports / kMyParkAirportsFileName), list);
    EXPECT_FALSE(fs::exists(airports / (std::string(kMyParkAirportsFileName) + ".tmp")));

    EXPECT_NE(log.find("saving '"), std::string::npos) << log;
    const std::string saved = testing::readText(airports / "learned" / "EHAM.xml");
    EXPECT_NE(saved.find("PH-OLD"), std::string::npos) << saved;
    EXPECT_EQ(saved.find("PH-NEW"), std::string::npos) << saved;
}

} // namespace
} // namespace skyloom
