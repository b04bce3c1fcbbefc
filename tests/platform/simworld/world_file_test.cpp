// World files: the files in data/worlds load, every value reaches the description, and bad
// files fail with a message that names the file, the place and the fault.
#include <filesystem>
#include <fstream>

#include <gmock/gmock.h>

#include "platform/simworld/world_file.h"
#include "support/world_fixture.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"

namespace skyloom::simworld::testing {
namespace {

using ::testing::HasSubstr;
using ::testing::StartsWith;

TEST(WorldFileTest, EveryWorldFileOfTheProjectLoadsAndRuns) {
    const auto folder = skyloom::testing::sourceDir() / "data/worlds";
    int count = 0;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        if (entry.path().extension() != ".json") {
            continue;
        }
        SCOPED_TRACE(entry.path().string());
        ManualClock clock;
        const WorldSetup setup = gf_loadWorldFile(entry.path());
        EXPECT_NO_THROW(World(setup, clock));
        ++count;
    }
    EXPECT_GE(count, 2);
}

TEST(WorldFileTest, ProbeWorldIsReadCompletely) {
    const WorldSetup setup =
        gf_loadWorldFile(skyloom::testing::sourceDir() / "data/worlds/probe.json");
    EXPECT_EQ(setup.simulator.applicationName, "KittyHawk");
    EXPECT_EQ(setup.simulator.applicationVersion,
              (std::array<std::uint32_t, 4>{11, 0, 282174, 999}));
    EXPECT_FALSE(setup.simulator.flightRunning);
    EXPECT_EQ(setup.zuluStart, ManualClock::utcTime(2026, 1, 5, 12));
    EXPECT_DOUBLE_EQ(setup.frames.rateHz, 2.0);
    EXPECT_EQ(setup.user.atcModel, "A20N");
    ASSERT_EQ(setup.user.track.size(), 5u);
    EXPECT_EQ(setup.user.track[0].headingDeg, 280.0);
    EXPECT_FALSE(setup.user.track[0].altitudeFeet);
    EXPECT_EQ(setup.user.track[4].altitudeFeet, 1616.0);
    EXPECT_EQ(setup.user.track[3].lights, 30);
    ASSERT_EQ(setup.objects.size(), 2u);
    EXPECT_EQ(setup.objects[1].objectId, 301u);
    EXPECT_EQ(setup.objects[1].altitudeFeet, 11000.0);
    ASSERT_EQ(setup.timeline.size(), 3u);
    EXPECT_EQ(setup.timeline[0].kind, TimelineEventKind::flightLoaded);
    EXPECT_EQ(setup.timeline[0].file, "flights\\custom\\LSZH.FLT");
    ASSERT_EQ(setup.faults.size(), 1u);
    EXPECT_EQ(setup.faults[0].kind, FaultKind::refuseOpen);
    EXPECT_EQ(setup.faults[0].count, 2u);
}

TEST(WorldFileTest, FaultsAreReadWithTheirDefaults) {
    const WorldSetup setup = gf_parseWorldText(R"({"faults": [
        {"kind": "brokenPipe", "atSeconds": 3},
        {"kind": "failCall", "function": "SimConnect_AIRemoveObject", "nth": 4, "result": "0x80070057"},
        {"kind": "wrongSimulator"},
        {"kind": "exception", "function": "SimConnect_Open", "exception": 5, "index": 1},
        {"kind": "truncateMessage", "message": "EVENT", "bytes": 20},
        {"kind": "unknownMessage"},
        {"kind": "quit", "atSeconds": 9}]})",
                                               "inline");
    ASSERT_EQ(setup.faults.size(), 6u);
    EXPECT_EQ(gf_faultResult(setup.faults[0]), E_BROKEN_PIPE);
    EXPECT_EQ(setup.faults[1].nth, 4u);
    EXPECT_EQ(gf_faultResult(setup.faults[1]), E_INVALIDARG);
    EXPECT_EQ(setup.faults[2].count, 0u); // every connection
    EXPECT_EQ(setup.faults[3].function, "SimConnect_Open");
    EXPECT_EQ(setup.faults[4].name, "EVENT");
    EXPECT_EQ(setup.faults[5].messageId, 99u);
    EXPECT_EQ(setup.faults[5].bytes, 12u);
    ASSERT_EQ(setup.timeline.size(), 1u);
    EXPECT_EQ(setup.timeline[0].kind, TimelineEventKind::quit);
    EXPECT_DOUBLE_EQ(setup.timeline[0].atSeconds, 9.0);
}

TEST(WorldFileTest, FlightLoadedMessagesAndSimulatorVersions) {
    const WorldSetup setup = gf_parseWorldText(R"({
        "simulator": {"name": "SunRise"},
        "timeline": [{"at": 1, "event": "flightLoaded", "message": "EVENT"},
                     {"at": 2, "event": "flightLoaded", "message": "EVENT_FILENAME"},
                     {"at": 3, "event": "flightLoaded"}],
        "faults": [{"kind": "wrongSimulator", "version": [11, 1, 2, 3]}]})",
                                               "inline");
    ASSERT_EQ(setup.timeline.size(), 3u);
    EXPECT_TRUE(setup.timeline[0].plainEvent);
    EXPECT_FALSE(setup.timeline[1].plainEvent);
    EXPECT_FALSE(setup.timeline[2].plainEvent);
    // A simulator named without a version reports its own.
    EXPECT_EQ(setup.simulator.applicationVersion, kMsfs2024Version);
    ASSERT_EQ(setup.faults.size(), 1u);
    EXPECT_EQ(setup.faults[0].version, (std::array<std::uint32_t, 4>{11, 1, 2, 3}));
    const WorldSetup given = gf_parseWorldText(
        R"({"simulator": {"name": "SunRise", "version": [12, 0, 1, 2]}})", "inline");
    EXPECT_EQ(given.simulator.applicationVersion, (std::array<std::uint32_t, 4>{12, 0, 1, 2}));
}

TEST(WorldFileTest, BadFilesNameTheirFault) {
    struct Case {
        const char* text;
        const char* message;
    };
    const Case cases[] = {
        {"{", "bad.json: not valid JSON"},
        {"[]", "bad.json: /: an object is expected here"},
        {R"({"simulatr": {}})", "bad.json: /simulatr: unknown key"},
        {R"({"simulator": {"version": [11, 0, 1]}})",
         "/simulator/version: four numbers are expected"},
        {R"({"simulator": {"running": "yes"}})",
         "/simulator/running: true or false is expected here"},
        {R"({"zuluStart": "2026-02-30T00:00:00Z"})",
         "/zuluStart: \"2026-02-30T00:00:00Z\" is no UTC time"},
        {R"({"frames": {"rateHz": 0}})", "/frames/rateHz: 0 is outside 0.01 to 1000"},
        {R"({"user": {"objectId": "1"}})", "/user/objectId: a whole number is expected here"},
        {R"({"user": {"objectId": 0}})", "/user/objectId: 0 stands for the user"},
        {R"({"user": {"track": [{"at": 0, "latitude": 91, "longitude": 0}]}})",
         "/user/track/0/latitude: 91 is outside -90 to 90"},
        {R"({"user": {"track": [{"at": 0, "longitude": 0}]}})",
         "/user/track/0: \"latitude\" is missing"},
        {R"({"user": {"track": [{"at": 5, "latitude": 0, "longitude": 0}, {"at": 5, "latitude": 1, "longitude": 0}]}})",
         "/user/track/1/at: waypoints must come in rising time"},
        {R"({"user": {"track": [{"at": 0, "latitude": 0, "longitude": 0, "altitude": 5}]}})",
         "/user/track/0/altitude: unknown key"},
        {R"({"objects": [{"objectId": 5, "latitude": 0, "longitude": 0, "type": "plane"}]})",
         "/objects/0/type: \"plane\" is none of"},
        {R"({"objects": [{"objectId": 5, "latitude": 0, "longitude": 0}, {"objectId": 5, "latitude": 0, "longitude": 0}]})",
         "/objects/1/objectId: object id 5 is 0, the user's or given twice"},
        {R"({"timeline": [{"at": 1, "event": "flightStrat"}]})",
         "/timeline/0/event: \"flightStrat\" is none of"},
        {R"({"timeline": [{"at": -1, "event": "quit"}]})", "/timeline/0/at: -1 is outside"},
        {R"({"timeline": [{"at": 1, "event": "quit", "file": "x"}]})",
         "/timeline/0/file: unknown key"},
        {R"({"user": {"track": [{"at": 4, "latitude": 0, "longitude": 0}]}, "timeline": [{"at": 4, "event": "teleport", "latitude": 1, "longitude": 1}]})",
         "/timeline: a teleport at 4 s meets a waypoint"},
        {R"({"faults": [{"kind": "explode"}]})", "/faults/0/kind: \"explode\" is no fault kind"},
        {R"({"faults": [{"kind": "failCall", "function": "SimConnect_Opn"}]})",
         "/faults/0/function: \"SimConnect_Opn\" is no SimConnect function"},
        {R"({"faults": [{"kind": "failCall", "function": "SimConnect_Open", "result": "80004005"}]})",
         "/faults/0/result: a result such as \"0x80004005\" is expected here"},
        {R"({"faults": [{"kind": "refuseOpen"}]})", "/faults/0: a refuseOpen fault needs"},
        {R"({"faults": [{"kind": "brokenPipe", "nth": 2}]})",
         "/faults/0/nth: not used by a brokenPipe fault"},
        {R"({"faults": [{"kind": "exception", "exception": 3}]})",
         "/faults/0: an exception fault needs either"},
        {R"({"faults": [{"kind": "truncateMessage", "message": "OPENED", "bytes": 4}]})",
         "/faults/0/message: \"OPENED\" is no message kind"},
        {R"({"faults": [{"kind": "unknownName"}]})", "/faults/0: \"name\" is missing"},
        {R"({"faults": [{"kind": "exception", "function": "SimConnect_Close", "exception": 1}]})",
         "/faults/0/function: an exception after SimConnect_Close has no connection to reach"},
        {R"({"faults": [{"kind": "wrongSimulator", "version": [12, 1]}]})",
         "/faults/0/version: four numbers are expected"},
        {R"({"faults": [{"kind": "brokenPipe", "version": [1, 2, 3, 4]}]})",
         "/faults/0/version: not used by a brokenPipe fault"},
        {R"({"timeline": [{"at": 1, "event": "flightLoaded", "message": "FILENAME"}]})",
         "/timeline/0/message: \"FILENAME\" is neither EVENT nor EVENT_FILENAME"},
        {R"({"timeline": [{"at": 1, "event": "flightLoaded", "message": "EVENT", "file": "a.FLT"}]})",
         "/timeline/0/file: a plain EVENT carries no file"},
    };
    for (const Case& c : cases) {
        try {
            gf_parseWorldText(c.text, "bad.json");
            ADD_FAILURE() << "accepted: " << c.text;
        } catch (const WorldFileError& e) {
            EXPECT_THAT(e.what(), StartsWith("bad.json: ")) << c.text;
            EXPECT_THAT(e.what(), HasSubstr(c.message)) << c.text;
        }
    }
}

TEST(WorldFileTest, ABadFileLeavesTheInstalledWorldAlone) {
    skyloom::testing::TempDir dir;
    const auto bad = dir / "bad.json";
    std::ofstream(bad) << R"({"frames": {"rateHz": -1}})";
    ManualClock clock;
    auto good = std::make_shared<World>(WorldSetup{}, clock);
    WorldInstallation installation(good);
    try {
        gf_installWorldFile(bad, clock);
        ADD_FAILURE() << "a bad file was installed";
    } catch (const WorldFileError& e) {
        EXPECT_THAT(e.what(), HasSubstr("bad.json: /frames/rateHz"));
    }
    EXPECT_EQ(gf_installedWorld(), good);
    EXPECT_THROW(gf_installWorldFile(dir / "missing.json", clock), WorldFileError);
    EXPECT_EQ(gf_installedWorld(), good);
}

TEST(WorldFileTest, TwoTeleportsAtOneTimeAreRefusedWhenInstalling) {
    skyloom::testing::TempDir dir;
    const auto file = dir / "twice.json";
    std::ofstream(file) << R"({"timeline": [
        {"at": 4, "event": "teleport", "latitude": 1, "longitude": 1},
        {"at": 4, "event": "teleport", "latitude": 2, "longitude": 2}]})";
    ManualClock clock;
    try {
        gf_installWorldFile(file, clock);
        ADD_FAILURE() << "installed";
    } catch (const WorldFileError& e) {
        EXPECT_THAT(e.what(), HasSubstr("two waypoints of the user track at 4 s"));
    }
}

} // namespace
} // namespace skyloom::simworld::testing
