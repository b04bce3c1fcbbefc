// The world's facility data: definitions are checked entry by entry against the shape of a
// facility definition; a request is answered with one record per item, depth first in the
// definition's order, each holding the fields its block asks for in their facility types,
// then FACILITY_DATA_END; unknown airports and other regions get only the end; and the
// serving of an airport holds records back, drops the end or delays the reply (a delayed
// reply holds back no message due before it, and a quit drops it).
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "platform/simworld/facility_file.h"
#include "support/world_fixture.h"
#include "tests/support/shared_data.h"

namespace skyloom::simworld::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::HasSubstr;
using ::testing::IsEmpty;

constexpr std::size_t kHeader = SIMCONNECT_RECV_FACILITY_DATA_HEADER_SIZE;

AirportFacilitySetup lf_fixture(const char* name) {
    return gf_loadAirportFile(skyloom::testing::sourceDir() / "data/worlds/airports" /
                              (std::string(name) + ".json"));
}

class FacilityWorldTest : public WorldTest {
protected:
    void startWith(std::vector<AirportFacilitySetup> airports) {
        WorldSetup setup = gf_runningSetup();
        setup.airports = std::move(airports);
        start(setup);
        client_.emplace("PARKING_DATA_RDR");
        ASSERT_TRUE(client_->opened());
        client_->dispatch(); // the OPEN
    }
    void define(DWORD id, const std::vector<std::string>& entries) {
        for (const std::string& entry : entries) {
            ASSERT_EQ(SimConnect_AddToFacilityDefinition(client_->handle(), id, entry.c_str()),
                      S_OK);
        }
    }
    std::vector<Received> request(DWORD define, const char* icao, const char* region = "") {
        EXPECT_EQ(SimConnect_RequestFacilityData(client_->handle(), define, 7, icao, region), S_OK);
        return client_->dispatch();
    }
    // The data type of each record with its place in its list ("15 3/18"), "END", or "OTHER".
    static std::vector<std::string> shape(const std::vector<Received>& messages) {
        std::vector<std::string> out;
        for (const Received& m : messages) {
            if (m.id != SIMCONNECT_RECV_ID_FACILITY_DATA) {
                out.push_back(m.id == SIMCONNECT_RECV_ID_FACILITY_DATA_END ? "END" : "OTHER");
                continue;
            }
            const auto r = m.as<SIMCONNECT_RECV_FACILITY_DATA>();
            out.push_back(r.inList != 0
                              ? fmt::format("{} {}/{}", r.dataType, r.listIndex + 1, r.listLength)
                              : fmt::format("{}", r.dataType));
        }
        return out;
    }
    std::vector<std::string> exceptions() const {
        std::vector<std::string> out;
        for (const JournalEntry& entry : world_->journal()) {
            if (entry.text.starts_with("EXCEPTION")) {
                out.push_back(entry.text);
            }
        }
        return out;
    }

    std::optional<TestClient> client_;
};

const std::vector<std::string> kStandDefinition{"OPEN AIRPORT",
                                                "LATITUDE",
                                                "LONGITUDE",
                                                "ALTITUDE",
                                                "NAME",
                                                "N_HELIPADS",
                                                "N_TAXI_PARKINGS",
                                                "OPEN TAXI_PARKING",
                                                "TYPE",
                                                "TAXI_POINT_TYPE",
                                                "NAME",
                                                "SUFFIX",
                                                "NUMBER",
                                                "ORIENTATION",
                                                "HEADING",
                                                "RADIUS",
                                                "BIAS_X",
                                                "BIAS_Z",
                                                "CLOSE TAXI_PARKING",
                                                "OPEN HELIPAD",
                                                "LATITUDE",
                                                "LONGITUDE",
                                                "ALTITUDE",
                                                "HEADING",
                                                "LENGTH",
                                                "WIDTH",
                                                "SURFACE",
                                                "TYPE",
                                                "CLOSE HELIPAD",
                                                "CLOSE AIRPORT"};

TEST_F(FacilityWorldTest, TheRecordsHoldTheDefinitionsFieldsInTheirTypes) {
    startWith({lf_fixture("qska")});
    define(1, kStandDefinition);
    const std::vector<Received> reply = request(1, "QSKA");
    ASSERT_EQ(reply.size(), 1u + 18 + 3 + 1);
    EXPECT_EQ(shape(reply).front(), "0");
    EXPECT_EQ(shape(reply)[1], "15 1/18");
    EXPECT_EQ(shape(reply)[19], "4 1/3");
    EXPECT_EQ(shape(reply).back(), "END");

    const Received& airport = reply[0];
    EXPECT_EQ(airport.size, kHeader + 3 * 8 + 32 + 2 * 4);
    const auto header = airport.as<SIMCONNECT_RECV_FACILITY_DATA>();
    EXPECT_EQ(header.userRequestId, 7u);
    EXPECT_EQ(header.parentUniqueRequestId, 0u);
    EXPECT_DOUBLE_EQ(airport.dataAt<double>(kHeader), 46.9);
    EXPECT_DOUBLE_EQ(airport.dataAt<double>(kHeader + 16), 500.0);
    EXPECT_EQ(airport.textAt(kHeader + 24, 32), "Skyloom Test Field Alpha");
    EXPECT_EQ(airport.dataAt<std::int32_t>(kHeader + 56), 3);  // helipads
    EXPECT_EQ(airport.dataAt<std::int32_t>(kHeader + 60), 18); // taxi parkings, all of them

    // The second parking: GATE_HEAVY, GATE, 12, suffix A, bias -20, 45.
    const Received& parking = reply[2];
    EXPECT_EQ(parking.size, kHeader + 40);
    const auto parkingHeader = parking.as<SIMCONNECT_RECV_FACILITY_DATA>();
    EXPECT_EQ(parkingHeader.parentUniqueRequestId, header.uniqueRequestId);
    EXPECT_NE(parkingHeader.uniqueRequestId, header.uniqueRequestId);
    EXPECT_EQ(parking.dataAt<std::int32_t>(kHeader), 10);
    EXPECT_EQ(parking.dataAt<std::int32_t>(kHeader + 8), 10);
    EXPECT_EQ(parking.dataAt<std::int32_t>(kHeader + 12), 12);
    EXPECT_EQ(parking.dataAt<std::uint32_t>(kHeader + 16), 12u);
    EXPECT_EQ(parking.dataAt<float>(kHeader + 32), -20.0f);
    EXPECT_EQ(parking.dataAt<float>(kHeader + 36), 45.0f);
    EXPECT_EQ(reply[19].size, kHeader + 44); // a helipad
}

TEST_F(FacilityWorldTest, ANameThatFillsItsFieldHasNoNulAndNAME64HoldsMore) {
    startWith({lf_fixture("qskb")});
    define(1, {"OPEN AIRPORT", "NAME", "NAME64", "ICAO", "CLOSE AIRPORT"});
    const std::vector<Received> reply = request(1, "qskb"); // idents match in any case
    ASSERT_EQ(reply.size(), 2u);
    ASSERT_EQ(reply[0].size, kHeader + 32 + 64 + 8);
    std::string name32(32, '\0');
    std::memcpy(name32.data(), reply[0].bytes.data() + kHeader, 32);
    EXPECT_EQ(name32, "Skyloom Dateline Seaplane Base B");
    EXPECT_EQ(reply[0].textAt(kHeader + 32, 64), "Skyloom Dateline Seaplane Base Bravo");
    EXPECT_EQ(reply[0].textAt(kHeader + 96, 8), "QSKB");
}

TEST_F(FacilityWorldTest, RunwaysComeWithTheirThresholdsDepthFirstThenTheStarts) {
    startWith({lf_fixture("qska")});
    define(2, {"OPEN AIRPORT", "N_RUNWAYS", "OPEN START", "NUMBER", "CLOSE START", "OPEN RUNWAY",
               "PRIMARY_NUMBER", "OPEN SECONDARY_THRESHOLD", "LENGTH", "ENABLE",
               "CLOSE SECONDARY_THRESHOLD", "OPEN PRIMARY_THRESHOLD", "LENGTH",
               "CLOSE PRIMARY_THRESHOLD", "CLOSE RUNWAY", "CLOSE AIRPORT"});
    const std::vector<Received> reply = request(2, "QSKA");
    EXPECT_THAT(shape(reply),
                ElementsAre("0", "2 1/7", "2 2/7", "2 3/7", "2 4/7", "2 5/7", "2 6/7", "2 7/7",
                            "1 1/3", "23", "23", "1 2/3", "23", "23", "1 3/3", "23", "23", "END"));
    // The secondary threshold was defined first, so it comes first; both name their runway.
    const auto runway = reply[8].as<SIMCONNECT_RECV_FACILITY_DATA>();
    const auto secondary = reply[9].as<SIMCONNECT_RECV_FACILITY_DATA>();
    EXPECT_EQ(secondary.parentUniqueRequestId, runway.uniqueRequestId);
    EXPECT_EQ(reply[9].size, kHeader + 8);
    EXPECT_EQ(reply[9].dataAt<float>(kHeader), 0.0f);     // 09L-27R: 27R has none
    EXPECT_EQ(reply[10].dataAt<float>(kHeader), 150.0f);  // 09L: 150 m
    EXPECT_EQ(reply[1].dataAt<std::int32_t>(kHeader), 9); // the first START
}

TEST_F(FacilityWorldTest, UnknownAirportsAndOtherRegionsGetOnlyTheEnd) {
    startWith({lf_fixture("qska")});
    define(1, {"OPEN AIRPORT", "CLOSE AIRPORT"});
    EXPECT_THAT(shape(request(1, "QXXX")), ElementsAre("END"));
    EXPECT_THAT(shape(request(1, "QSKA", "LS")), ElementsAre("END"));
    EXPECT_THAT(shape(request(1, "QSKA", "QS")), ElementsAre("0", "END"));
    EXPECT_THAT(world_->journalLines(),
                ::testing::Contains(HasSubstr("(no airport QXXX in this world)")));
}

TEST_F(FacilityWorldTest, ServingHoldsRecordsBackDropsTheEndAndDelays) {
    AirportFacilitySetup airport = lf_fixture("qskb");
    airport.serving.withhold[static_cast<std::size_t>(FacilityKind::runway)] = 1;
    airport.serving.withhold[static_cast<std::size_t>(FacilityKind::start)] = 2;
    airport.serving.sendEnd = false;
    airport.serving.delaySeconds = 2;
    startWith({airport});
    define(2, {"OPEN AIRPORT", "N_RUNWAYS", "OPEN RUNWAY", "CLOSE RUNWAY", "OPEN START",
               "CLOSE START", "CLOSE AIRPORT"});
    EXPECT_THAT(request(2, "QSKB"), IsEmpty());
    advance(1.99);
    EXPECT_THAT(client_->dispatch(), IsEmpty());
    advance(0.01);
    const std::vector<Received> reply = client_->dispatch();
    EXPECT_THAT(shape(reply),
                ElementsAre("0", "1 1/3", "1 2/3", "2 1/6", "2 2/6", "2 3/6", "2 4/6"));
    EXPECT_EQ(reply[0].dataAt<std::int32_t>(kHeader), 3); // the count includes what is held
}

TEST_F(FacilityWorldTest, ADelayedReplyHoldsBackNothingDueBeforeIt) {
    AirportFacilitySetup slow = lf_fixture("qska");
    slow.serving.delaySeconds = 5;
    AirportFacilitySetup quick = lf_fixture("qskb");
    quick.serving.delaySeconds = 1;
    startWith({slow, quick});
    define(1, {"OPEN AIRPORT", "CLOSE AIRPORT"});
    EXPECT_THAT(request(1, "QSKA"), IsEmpty());
    // Answered at once, a later request with a shorter delay and an exception pass it.
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(client_->handle(), 1, "Sim"), S_OK);
    ASSERT_EQ(SimConnect_SubscribeToSystemEvent(client_->handle(), 2, "NoSuchEvent"), S_OK);
    EXPECT_THAT(shape(client_->dispatch()), ElementsAre("OTHER", "OTHER"));
    EXPECT_EQ(SimConnect_RequestFacilityData(client_->handle(), 1, 8, "QSKB", ""), S_OK);
    advance(1);
    const std::vector<Received> quickReply = client_->dispatch();
    ASSERT_THAT(shape(quickReply), ElementsAre("0", "END"));
    EXPECT_EQ(quickReply[0].as<SIMCONNECT_RECV_FACILITY_DATA>().userRequestId, 8u);
    advance(3.99);
    EXPECT_THAT(client_->dispatch(), IsEmpty());
    advance(0.01);
    const std::vector<Received> slowReply = client_->dispatch();
    ASSERT_THAT(shape(slowReply), ElementsAre("0", "END"));
    EXPECT_EQ(slowReply[0].as<SIMCONNECT_RECV_FACILITY_DATA>().userRequestId, 7u);
}

TEST_F(FacilityWorldTest, AQuitDropsTheRepliesStillOnTheirWay) {
    AirportFacilitySetup slow = lf_fixture("qska");
    slow.serving.delaySeconds = 5;
    TimelineEvent quit;
    quit.atSeconds = 2;
    quit.kind = TimelineEventKind::quit;
    WorldSetup setup = gf_runningSetup();
    setup.airports = {slow};
    setup.timeline = {quit};
    start(setup);
    client_.emplace("PARKING_DATA_RDR");
    client_->dispatch();
    define(1, {"OPEN AIRPORT", "CLOSE AIRPORT"});
    EXPECT_THAT(request(1, "QSKA"), IsEmpty());
    advance(2);
    EXPECT_THAT(shape(client_->dispatch()), ElementsAre("OTHER")); // the QUIT
    // Nothing waits any more: the dispatch says that the simulator is gone.
    EXPECT_THAT(client_->dispatch(), IsEmpty());
    EXPECT_EQ(client_->lastDispatchResult(), E_BROKEN_PIPE);
    const auto lines = world_->journalLines();
    EXPECT_THAT(lines, ::testing::Contains(HasSubstr("c1 * dropped FACILITY_DATA request=7")));
    EXPECT_THAT(lines, ::testing::Contains(
                           "    2.000 c1 * dropped FACILITY_DATA_END request=7 (simulator quit)"));
    advance(5);
    EXPECT_THAT(client_->dispatch(), IsEmpty());
}

struct DefinitionFault {
    std::vector<std::string> entries; // the last one is refused
    const char* reason;
};

TEST_F(FacilityWorldTest, AnEntryThatDoesNotFitTheDefinitionIsRefused) {
    startWith({});
    const std::vector<DefinitionFault> cases{
        {{"OPEN RUNWAY"}, "a definition starts with OPEN AIRPORT"},
        {{"LATITUDE"}, "a definition starts with OPEN AIRPORT"},
        {{"OPEN AIRPORT", "PRIMARY_NUMBER"}, "PRIMARY_NUMBER is no field of AIRPORT"},
        {{"OPEN AIRPORT", "OPEN PRIMARY_THRESHOLD"},
         "PRIMARY_THRESHOLD cannot be opened inside AIRPORT"},
        {{"OPEN AIRPORT", "OPEN RUNWAY", "CLOSE AIRPORT"},
         "CLOSE AIRPORT does not close the open RUNWAY"},
        {{"OPEN AIRPORT", "OPEN HANGAR"}, "unknown facility field"},
        {{"OPEN AIRPORT", "CLOSE AIRPORT", "OPEN AIRPORT"},
         "the definition is complete after CLOSE AIRPORT"},
    };
    DWORD id = 10;
    for (const DefinitionFault& c : cases) {
        SCOPED_TRACE(c.reason);
        world_->clearJournal();
        for (const std::string& entry : c.entries) {
            EXPECT_EQ(SimConnect_AddToFacilityDefinition(client_->handle(), id, entry.c_str()),
                      S_OK);
        }
        client_->dispatch();
        EXPECT_THAT(exceptions(), ElementsAre(HasSubstr(c.reason)));
        ++id;
    }
}

TEST_F(FacilityWorldTest, ARequestOnAnUnfinishedDefinitionIsRefused) {
    startWith({lf_fixture("qska")});
    define(3, {"OPEN AIRPORT", "OPEN RUNWAY"});
    EXPECT_THAT(shape(request(3, "QSKA")), ElementsAre("OTHER"));
    EXPECT_THAT(exceptions(), ElementsAre(HasSubstr("the definition leaves RUNWAY open")));
}

} // namespace
} // namespace skyloom::simworld::testing
