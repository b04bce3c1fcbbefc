// ObjectIdList.txt and the window's aircraft list from the live records, and the stand at a
// position from the published stands.
#include <atomic>
#include <memory>
#include <string>
#include <vector>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "config/program_paths.h"
#include "foundation/manual_clock.h"
#include "foundation/text_files.h"
#include "foundation/unsaved_files.h"
#include "refdata/code_table.h"
#include "sim/ai_position_batch.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "tests/support/log_capture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/traffic_test_world.h"
#include "traffic/step/live_views.h"

namespace skyloom {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

class LiveViewsTest : public ::testing::Test, protected testing::TrafficStateParts {
protected:
    void add(std::uint32_t hexid, const char* callsign, const char* registration, SimState simState,
             bool onGround, std::uint32_t objectId) {
        AircraftBase base;
        base.hexid = hexid;
        base.callsign = callsign;
        base.registration = registration;
        base.key.airline = gf_airlineId(std::string(callsign).substr(0, 3));
        base.key.model = gf_modelId("B738");
        LiveAircraft aircraft(TrafficSample{}, std::move(base), 0.0, 0);
        aircraft.simState = simState;
        aircraft.objectId = objectId;
        aircraft.motion.onGround = onGround ? 1 : 0;
        aircraft.phase.phase = onGround ? FlightPhase::parked : FlightPhase::flying;
        state_.liveAircraft.push_back(std::move(aircraft));
    }

    testing::LogCapture log_;
};

TEST_F(LiveViewsTest, TheListsShowActiveAircraftOnlyWithNullForAMissingRegistration) {
    const testing::TempDir dir;
    const std::filesystem::path& folder = dir.path();
    ASSERT_TRUE(lf_writeObjectIdList(state_, folder / kObjectIdListFileName));
    EXPECT_THAT(LinesFile::readLines(folder / kObjectIdListFileName).lines, IsEmpty());

    add(0x4b1801, "SWR1", "HB-JLT", SimState::active, false, 26);
    add(0x4ca000, "RYR2", "", SimState::active, true, 27);
    add(0x4ca001, "RYR3", "EI-ABC", SimState::adding2sim, false, 0);
    ASSERT_TRUE(lf_writeObjectIdList(state_, folder / kObjectIdListFileName));
    EXPECT_THAT(LinesFile::readLines(folder / kObjectIdListFileName).lines,
                ElementsAre("1a;SWR1;HB-JLT;SWR;B738;AIR;", "1b;RYR2;;RYR;B738;GND;PARKED"));
    EXPECT_FALSE(std::filesystem::exists(folder / "ObjectIdList.txt.tmp"));

    EXPECT_THAT(gf_liveAircraftList(state_, AirGroundSelector::all),
                ElementsAre("SWR1, HB-JLT, 4b1801, oid=1a", "RYR2, null, 4ca000, oid=1b"));
    EXPECT_THAT(gf_liveAircraftList(state_, AirGroundSelector::airborne),
                ElementsAre("SWR1, HB-JLT, 4b1801, oid=1a"));
    EXPECT_THAT(gf_liveAircraftList(state_, AirGroundSelector::ground),
                ElementsAre("RYR2, null, 4ca000, oid=1b"));

    gf_clearUnsavedFiles();
    const std::filesystem::path refused = folder / "missing" / kObjectIdListFileName;
    EXPECT_FALSE(lf_writeObjectIdList(state_, refused));
    EXPECT_THAT(log_.linesWith("Failed to write"), ::testing::SizeIs(1));
    // The user is told of the list itself, not of the file it was written to on the way.
    EXPECT_EQ(gf_lastUnsavedFile().path, refused);
    EXPECT_THAT(gf_unsavedFiles().files, ::testing::SizeIs(1));
    gf_clearUnsavedFiles();
}

} // namespace
} // namespace skyloom
