// The static parking plan over seeded random traffic on a real layout (FlightGear's EHAM in
// ../shared, converted and read back as an airport file at test time): flight options, live
// aircraft, live aircraft parked at stands (stayers) and RealTraffic parked reports drawn per
// seed. Whatever is drawn, no
// stand holds two aircraft, no aircraft is wider than its stand, the plan stays within the
// wanted count, the user's recorded stand stays free, an adjustment turns a kept turnaround
// aircraft round, and a plan repeated over the aircraft the first one placed changes nothing.
#include <algorithm>
#include <map>
#include <random>
#include <string>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "foundation/program_clock.h"
#include "foundation/random.h"
#include "parking/airport_file_reader.h"
#include "parking/stand_search_checks.h"
#include "tests/parking/support/parking_test_support.h"
#include "tests/parking/support/static_parking_fixture.h"
#include "tests/support/captured_log.h"
#include "tests/support/shared_data.h"
#include "tests/support/temp_dir.h"

namespace skyloom {
namespace {

constexpr std::uint32_t kSeeds = 12;
constexpr std::size_t kIdentities = 400;

struct Identity {
    std::string reg;
    std::string callsign;
    std::string callsign2;
    LiveryKey key;
};

class StaticParkingPropertyTest : public ::testing::Test {
protected:
    void SetUp() override {
        SKYLOOM_REQUIRE_SHARED(parking, "data/stands/EHAM/parking.xml");
        AirportFile airport = testing::airportNamed("EHAM");
        airport.stands = testing::flightGearStands(parking);
        ASSERT_TRUE(testing::writeApf(airport, dir_ / "EHAM.xml"));
        const AirportFileReadResult read = gf_readAirportFile(dir_ / "EHAM.xml", {});
        ASSERT_TRUE(read) << read.error;
        layout_ = read.file->stands;
    }

    // Fills the fixture with the traffic of one seed.
    void drawTraffic(testing::StaticParkingFixture& f, std::uint32_t seed) {
        std::mt19937 rng(seed);
        const auto draw = [&rng](int lo, int hi) {
            return std::uniform_int_distribution<int>(lo, hi)(rng);
        };
        std::vector<Identity> pool;
        for (std::size_t i = 0; i < kIdentities; ++i) {
            const std::uint16_t model =
                testing::testModelId(static_cast<std::uint16_t>(draw(1, testing::kTestModelCount)));
            pool.push_back({fmt::format("PH-{:04}", i), fmt::format("KLM{}", i),
                            draw(0, 2) == 0 ? fmt::format("KLM{}", i + 5000) : std::string(),
                            LiveryKey{static_cast<std::uint16_t>(1 + i % 20), 0, model, 0, 0}});
        }
        const DaySlotParts now = gf_unpackDaySlot(f.now);
        f.stands = layout_;
        for (Stand& stand : f.stands) {
            const int count = draw(0, 3) == 0 ? 0 : draw(1, 4);
            for (int k = 0; k < count; ++k) {
                const Identity& who = pool[static_cast<std::size_t>(draw(0, kIdentities - 1))];
                FlightOption option;
                option.key = who.key;
                option.reg = who.reg;
                option.callsign = who.callsign;
                option.callsign2 = who.callsign2;
                option.day = static_cast<std::uint32_t>(draw(0, 9) < 6 ? now.weekday : draw(1, 7));
                const int first = draw(12, 40);
                option.hours =
                    HoursBitset::range(static_cast<unsigned>(first),
                                       static_cast<unsigned>(std::min(47, first + draw(0, 8))));
                option.real = draw(0, 4) == 0 ? 0 : 1;
                option.origin = 1;
                option.seq = static_cast<std::uint32_t>(k + 1);
                stand.options.push_back(std::move(option));
            }
        }
        for (int i = 0; i < 8; ++i) {
            const Identity& who = pool[static_cast<std::size_t>(draw(0, kIdentities - 1))];
            f.addLive(who.callsign, who.reg);
        }
        stayers_.clear();
        while (stayers_.size() < 6) {
            const std::int32_t sid = draw(1, static_cast<int>(f.stands.size()));
            const std::vector<std::int32_t>& near =
                f.stands[static_cast<std::size_t>(sid) - 1].exclusions;
            if (std::none_of(stayers_.begin(), stayers_.end(), [&](const LiveStayer& s) {
                    return s.standId == sid ||
                           std::find(near.begin(), near.end(), s.standId) != near.end();
                })) {
                const std::size_t i = stayers_.size();
                stayers_.push_back({fmt::format("DLH{}", i), fmt::format("D-A{:03}", i), sid,
                                    15.0 * static_cast<double>(i)});
            }
        }
        std::vector<ParkedEntry> parked;
        for (int i = 0; i < 30; ++i) {
            const Stand& stand =
                f.stands[static_cast<std::size_t>(draw(0, static_cast<int>(f.stands.size()) - 1))];
            ParkedEntry entry;
            entry.modelId =
                testing::testModelId(static_cast<std::uint16_t>(draw(1, testing::kTestModelCount)));
            entry.callsign = fmt::format("RTX{}", i);
            entry.registration = fmt::format("N{}RT", i);
            entry.position = stand.position;
            entry.hexid = 50000 + static_cast<std::uint32_t>(i);
            entry.standText = draw(0, 3) == 0 ? std::string() : stand.id;
            entry.standAirport = "EHAM";
            entry.slot = now.slot - draw(0, 8);
            entry.timestamp = 1000.0 + i;
            parked.push_back(std::move(entry));
        }
        f.parked.complete(std::move(parked));
        f.recordedStand =
            f.stands[static_cast<std::size_t>(draw(0, static_cast<int>(f.stands.size()) - 1))].id;
        f.settings.RANDOM = seed % 2 == 1;
        f.settings.MAX_PARK_SEL = seed % 3 == 0 ? 40 : 400; // the maximum bites in every third
        f.settings.RT_PARKTRAFFIC_ONLY = seed % 4 == 0 ? 1 : 0;
        gf_seedRandomEngine(seed);
    }

    // No stand holds two aircraft, no two neighbours that exclude each other are both taken,
    // no aircraft is wider than its stand, and the plan stays within the wanted count.
    // The drawn stayers become live aircraft parked at their stands.
    void addStayers(testing::StaticParkingFixture& f) const {
        for (const LiveStayer& s : stayers_) {
            f.addStayer(s.callsign, s.registration, s.standId, s.minutes);
        }
    }

    void expectSoundParking(const testing::StaticParkingFixture& f, bool withStayers) const {
        std::map<std::int32_t, int> occupants;
        std::int32_t kept = 0;
        for (const ParkingPlanEntry& entry : f.state.plan) {
            ++occupants[entry.standId];
            ASSERT_GE(entry.standId, 1);
            ASSERT_LE(static_cast<std::size_t>(entry.standId), f.stands.size());
            const Stand* stand = &f.stands[static_cast<std::size_t>(entry.standId) - 1];
            EXPECT_LE(testing::testModelOf(entry.key.model).halfWingspanMetres / 1852.0 -
                          stand->radius,
                      kStandWidthToleranceNm)
                << entry.callsign << " on " << stand->id;
        }
        // The user's recorded stand and its neighbours stay free of static aircraft.
        const auto recorded = std::find_if(f.stands.begin(), f.stands.end(),
                                           [&](const Stand& s) { return s.id == f.recordedStand; });
        ASSERT_NE(recorded, f.stands.end());
        for (const ParkingPlanEntry& entry : f.state.plan) {
            EXPECT_NE(entry.standId, recorded->sid);
            EXPECT_EQ(
                std::count(recorded->exclusions.begin(), recorded->exclusions.end(), entry.standId),
                0);
        }
        for (const StaticAircraft& aircraft : f.statics) {
            if (aircraft.simState == SimState::active) {
                ++occupants[aircraft.standId];
                kept += aircraft.kept ? 1 : 0;
            }
        }
        for (const LiveStayer& stayer : withStayers ? stayers_ : std::vector<LiveStayer>{}) {
            ++occupants[stayer.standId];
        }
        for (const auto& [sid, count] : occupants) {
            EXPECT_EQ(count, 1) << "stand " << sid;
            for (const std::int32_t other :
                 f.stands[static_cast<std::size_t>(sid) - 1].exclusions) {
                EXPECT_FALSE(occupants.contains(other)) << sid << " and " << other;
            }
        }
        EXPECT_LE(lf_countStandsInUse(f.stands), f.state.wanted);
        EXPECT_LE(static_cast<std::int32_t>(f.state.plan.size()) + kept, f.state.wanted);
    }

    testing::TempDir dir_;
    std::vector<Stand> layout_;
    std::vector<LiveStayer> stayers_;
};

TEST_F(StaticParkingPropertyTest, APlanRepeatedOverItsOwnAircraftChangesNothing) {
    const testing::CapturedLog log;
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        SCOPED_TRACE(seed);
        testing::StaticParkingFixture f;
        drawTraffic(f, seed);
        f.plan();
        ASSERT_GT(f.state.plan.size(), f.settings.RT_PARKTRAFFIC_ONLY != 0 ? 5u : 20u);
        expectSoundParking(f, false);
        const std::vector<Stand> before = f.stands;
        f.realise();
        f.plan();
        EXPECT_TRUE(f.state.plan.empty()) << f.state.plan.size() << " new entries";
        EXPECT_TRUE(std::all_of(f.statics.begin(), f.statics.end(),
                                [](const StaticAircraft& a) { return a.kept; }));
        for (std::size_t i = 0; i < f.stands.size(); ++i) {
            EXPECT_EQ(f.stands[i].inUse, before[i].inUse) << f.stands[i].id;
        }
        expectSoundParking(f, false);
    }
}

TEST_F(StaticParkingPropertyTest, AnAdjustmentLeavesOneAircraftAStandAndTurnsTurnaroundsRound) {
    const testing::CapturedLog log;
    std::size_t turnarounds = 0;
    for (std::uint32_t seed = 1; seed <= kSeeds; ++seed) {
        SCOPED_TRACE(seed);
        testing::StaticParkingFixture f;
        drawTraffic(f, seed);
        f.plan();
        f.realise();
        addStayers(f);
        f.adjust();
        expectSoundParking(f, true);
        const std::int32_t today = gf_unpackDaySlot(f.now).weekday;
        for (const StaticAircraft& aircraft : f.statics) {
            const AircraftBase& base = aircraft.base;
            if (aircraft.source == 0 || !aircraft.kept || base.thirdText.empty() ||
                base.callsign != base.displayCallsign + "*") {
                continue;
            }
            const std::vector<FlightOption>& options = f.stands[aircraft.standId - 1].options;
            if (std::none_of(options.begin(), options.end(), [&](const FlightOption& o) {
                    return gf_isOptionAvailable(o) && static_cast<std::int32_t>(o.day) == today &&
                           o.callsign == base.displayCallsign && o.key == base.key;
                })) {
                continue;
            }
            ++turnarounds;
            EXPECT_EQ(aircraft.simState, SimState::removingfromsim) << base.callsign;
            EXPECT_NE(std::find_if(f.state.plan.begin(), f.state.plan.end(),
                                   [&](const ParkingPlanEntry& e) {
                                       return e.standId == aircraft.standId &&
                                              e.callsign2 == base.thirdText && e.preferFirst == 0;
                                   }),
                      f.state.plan.end())
                << base.callsign;
        }
    }
    EXPECT_GT(turnarounds, 0u);
}

} // namespace
} // namespace skyloom
