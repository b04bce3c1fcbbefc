#include "app/main_loop.h"

#include <chrono>
#include <map>
#include <cstdint>
#include <stop_token>
#include <string>
#include <utility>
#include <vector>

#include <fmt/format.h>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "app/program_mailbox.h"
#include "app/program_services.h"
#include "app/program_traffic.h"
#include "config/parameters.h"
#include "config/params_snapshot.h"
#include "foundation/program_clock.h"
#include "gui/parking_interval.h"
#include "parking/parking_state.h"
#include "parking/static_parking_state.h"
#include "runtime/current_day_slot.h"
#include "runtime/user_aircraft.h"
#include "sim/sim_link_state.h"
#include "tests/app/support/app_test_support.h"
#include "tests/support/log_capture.h"
#include "traffic/stands/static_aircraft_view.h"
#include "traffic/step/aircraft_record.h"
#include "traffic/step/traffic_mailbox.h"
#include "traffic/step/traffic_tick.h"

namespace skyloom {
namespace {

using std::chrono::milliseconds;
using std::chrono::seconds;
using ::testing::ElementsAre;
using ::testing::ElementsAreArray;

class MainLoopTest : public testing::AppTest {
protected:
    // Runs a loop whose observer first calls `each` and then stops the run after `cycles`.
    MainLoopCounters runCycles(std::uint64_t cycles, std::function<void(MainLoop&)> each = {}) {
        MainRunContext run = context();
        run.cycleObserver = [&](MainLoop& loop) {
            if (each) {
                each(loop);
            }
            if (loop.counters().cycles == cycles) {
                stop_.request(StopReason::userClosedSim, 0);
            }
        };
        ProgramTraffic program(run);
        MainLoop loop(run, program);
        loop.run();
        return loop.counters();
    }

    // An active live aircraft `nm` north of the user aircraft at 47N 0E.
    static LiveAircraft& addActive(MainLoop& loop, std::string callsign, std::uint32_t objectId,
                                   double nm = 1.0) {
        AircraftBase base;
        base.callsign = std::move(callsign);
        base.key.airline = 7;
        LiveAircraft& a =
            loop.traffic().liveAircraft.emplace_back(TrafficSample{}, std::move(base), 0.0, 0);
        a.simState = SimState::active;
        a.objectId = objectId;
        a.sent.latitude = 47.0 + nm / 60.0;
        return a;
    }

    static void setOption(IntListParameter& option, std::int64_t value) {
        option.assign(value);
        gf_params().applySettings(option);
    }

    std::vector<std::int32_t> nextParkingUpdates() const {
        std::vector<std::int32_t> minutes;
        for (const GuiUpdate& update : appliedUpdates()) {
            if (const auto* next = update.get<GuiUpdate::NextParkingUpdate>()) {
                minutes.push_back(next->minutes);
            }
        }
        return minutes;
    }
};

TEST_F(MainLoopTest, StepCadencesOverTenThousandCycles) {
    // Sunday 23:59:00 UTC: the run crosses into Monday's first half-hour slot (which starts
    // at 23:59:30).
    clock_.setUtc(ManualClock::utcTime(2026, 1, 11, 23, 59, 0));
    const Clock::SteadyTime start = clock_.steadyNow();
    std::uint64_t slotAtFirstCycle = 0;
    const MainLoopCounters counters = runCycles(10'000, [&](MainLoop& loop) {
        const std::uint64_t cycle = loop.counters().cycles;
        if (cycle == 1) {
            slotAtFirstCycle = gf_currentDaySlot();
        }
        // The simulator link's on-ground reply, once a second.
        if (cycle % 100 == 50) {
            user_.groundDataReceived.store(true);
        }
    });

    EXPECT_EQ(counters.cycles, 10'000u);
    EXPECT_EQ(clock_.steadyNow() - start, 10'000 * kMainCycle);
    EXPECT_EQ(counters.userDataSteps, 100u);
    EXPECT_EQ(counters.secondSteps, 100u);
    EXPECT_EQ(counters.minuteSteps, 1u);
    // Once-a-second counts 14, 28, 42, 56, 84 and 98; 70 is a multiple of 5.
    EXPECT_EQ(counters.parkingSlots, 6u);
    EXPECT_EQ(counters.resyncs, 0u);
    // The once-a-second step ticks the status line's expiry.
    EXPECT_EQ(appliedCount(GuiUpdateKind::statusExpiryTick), 100u);
    // Refreshed before the first cycle, and by the user-data steps after midnight.
    EXPECT_EQ(slotAtFirstCycle, gf_packDaySlot({7, 47}));
    EXPECT_EQ(gf_currentDaySlot(), gf_packDaySlot({1, 0}));
}

// Every user-data step removes the blocked aircraft; "Block" removes it at the next cycle and
// "Flush" the static aircraft.
TEST_F(MainLoopTest, BlockedAircraftAreRemovedEachUserDataStepAndAtOnceWhenBlockedOrFlushed) {
    gf_updateParamsSnapshot([](ParamsSnapshot& s) { s.block.BLOCK_CALLSIGN = "BLK1"; });
    // Object id -> the cycle after which its aircraft was on its way out.
    std::map<std::uint32_t, std::uint64_t> removedAt;
    runCycles(300, [&](MainLoop& loop) {
        const std::uint64_t cycle = loop.counters().cycles;
        TrafficState& traffic = loop.traffic();
        // A blocked aircraft shows up three times; a static aircraft stands all along.
        if (cycle == 1 || cycle == 60 || cycle == 90) {
            addActive(loop, "BLK1", static_cast<std::uint32_t>(40 + cycle));
        }
        if (cycle == 1) {
            StaticAircraft& parked = traffic.staticAircraft.emplace_back();
            parked.base.callsign = "KLM1*";
            parked.objectId = 30;
            parked.simState = SimState::active;
        }
        for (const LiveAircraft& a : traffic.liveAircraft) {
            if (a.simState == SimState::removingfromsim) {
                removedAt.emplace(a.objectId, cycle);
            }
        }
        for (const StaticAircraft& a : traffic.staticAircraft) {
            if (a.simState == SimState::removingfromsim) {
                removedAt.emplace(a.objectId, cycle);
            }
        }
        if (cycle % 100 == 50) {
            user_.groundDataReceived.store(true);
        }
        if (cycle == 80) {
            requests_.blockApplied.store(true);
        }
        if (cycle == 120) {
            requests_.flush.store(true);
        }
    });
    gf_updateParamsSnapshot([](ParamsSnapshot& s) { s.block.BLOCK_CALLSIGN.clear(); });
    // The reply noted after cycle 50 is taken by cycle 51; "Block" and "Flush" at the next
    // cycle; the third blocked aircraft at the user-data step after it came.
    EXPECT_THAT(removedAt, ElementsAre(std::pair(30U, 121U), std::pair(41U, 51U),
                                       std::pair(100U, 81U), std::pair(130U, 151U)));
    EXPECT_FALSE(requests_.blockApplied.load());
    EXPECT_FALSE(requests_.flush.load());
}

// "Aircraft" is answered by the next user-data step with the active live aircraft.
TEST_F(MainLoopTest, TheAircraftRequestFillsTheSelectorAtTheNextUserDataStep) {
    runCycles(60, [&](MainLoop& loop) {
        if (loop.counters().cycles == 1) {
            AircraftBase base;
            base.callsign = "SWR1";
            base.registration = "HB-JLT";
            base.hexid = 0x4b1801;
            loop.traffic().liveAircraft.emplace_back(TrafficSample{}, std::move(base), 0.0, 0);
            loop.traffic().liveAircraft.back().simState = SimState::active;
            loop.traffic().liveAircraft.back().objectId = 26;
            requests_.aircraftList.store(true);
            user_.groundDataReceived.store(true);
        }
    });
    EXPECT_THAT(gf_params().AIRCRAFT_SELECTOR.items(),
                ElementsAre("select an aircraft", "SWR1, HB-JLT, 4b1801, oid=1a"));
    EXPECT_FALSE(requests_.aircraftList.load());
}

TEST_F(MainLoopTest, WithoutTheOnGroundReplyNoUserDataStepRuns) {
    clock_.setUtc(ManualClock::utcTime(2026, 1, 11, 23, 59, 0));
    const MainLoopCounters counters = runCycles(10'000);
    EXPECT_EQ(counters.userDataSteps, 0u);
    EXPECT_EQ(counters.secondSteps, 100u);
    // Only the refresh before the first cycle happened.
    EXPECT_EQ(gf_currentDaySlot(), gf_packDaySlot({7, 47}));
}

TEST_F(MainLoopTest, ParkingSlotsAreMultiplesOfFourteenThatAreNotMultiplesOfFive) {
    struct Case {
        std::uint64_t secondSteps;
        bool slot;
    };
    for (const Case c : {Case{0, false}, Case{5, false}, Case{13, false}, Case{14, true},
                         Case{28, true}, Case{56, true}, Case{70, false}, Case{84, true},
                         Case{140, false}, Case{154, true}, Case{420, false}}) {
        EXPECT_EQ(gf_isParkingSlot(c.secondSteps), c.slot) << c.secondSteps;
    }
}

struct LagCase {
    milliseconds lag; // how long cycle 50 takes
    std::uint64_t resyncs;
};

TEST_F(MainLoopTest, ALoopMoreThanHundredMillisecondsBehindResynchronisesOnce) {
    // Cycle 50 starts at 490 ms; its next cycle is due at 500 ms. A cycle of 110 ms leaves the
    // loop exactly 100 ms behind, which it still catches up.
    for (const LagCase c : {LagCase{milliseconds{90}, 0}, LagCase{milliseconds{110}, 0},
                            LagCase{milliseconds{111}, 1}, LagCase{milliseconds{150}, 1},
                            LagCase{milliseconds{2000}, 1}}) {
        stop_.reset();
        const Clock::SteadyTime start = clock_.steadyNow();
        std::vector<Clock::Duration> cycleTimes;
        const MainLoopCounters counters = runCycles(1000, [&](MainLoop& loop) {
            cycleTimes.push_back(clock_.steadyNow() - start);
            if (loop.counters().cycles == 50) {
                clock_.advance(c.lag);
            }
        });
        EXPECT_EQ(counters.resyncs, c.resyncs) << c.lag.count() << " ms";
        const Clock::Duration afterLag = cycleTimes[49] + c.lag;
        if (c.resyncs == 1) {
            // The next cycle runs at once, then every 10 ms from there: no burst.
            EXPECT_EQ(cycleTimes[50], afterLag);
            for (std::size_t i = 51; i < cycleTimes.size(); ++i) {
                ASSERT_EQ(cycleTimes[i] - cycleTimes[i - 1], kMainCycle) << "cycle " << i + 1;
            }
        } else {
            // The missed cycles run back to back until the loop is on its grid again.
            for (std::size_t i = 50; i < cycleTimes.size(); ++i) {
                const Clock::Duration grid = static_cast<std::int64_t>(i) * kMainCycle;
                ASSERT_EQ(cycleTimes[i], std::max<Clock::Duration>(grid, afterLag))
                    << "cycle " << i + 1;
            }
        }
    }
}

struct TickLagCase {
    milliseconds lag; // how long cycle 50 takes
    bool flightRuns;
    std::uint64_t caughtUp;
    std::uint64_t givenUp;
};

// The feed times its reports by the traffic tick: the tick keeps to the clock (one tick per
// 10 ms of it) whether the loop runs its missed cycles back to back (100 ms behind at most) or
// re-synchronises and the traffic moves through the ticks of the gap, up to 30 s of them;
// while no flight runs it stands still.
TEST_F(MainLoopTest, TheTrafficTickKeepsToTheClockWhenTheLoopFallsBehind) {
    for (const TickLagCase c :
         {TickLagCase{milliseconds{90}, true, 0, 0}, TickLagCase{milliseconds{150}, true, 14, 0},
          TickLagCase{milliseconds{5000}, true, 499, 0}, TickLagCase{seconds{45}, true, 3000, 1499},
          TickLagCase{milliseconds{5000}, false, 0, 0}}) {
        SCOPED_TRACE(fmt::format("{} ms, {}", c.lag.count(), c.flightRuns ? "flight" : "none"));
        stop_.reset();
        g_simConnectionState.store(c.flightRuns ? SimConnectionState::running
                                                : SimConnectionState::notConnected);
        const Clock::SteadyTime start = clock_.steadyNow();
        const std::uint32_t tickBefore = g_trafficTick.load();
        const MainLoopCounters counters = runCycles(1000, [&](MainLoop& loop) {
            if (loop.counters().cycles == 50) {
                clock_.advance(c.lag);
            }
        });
        g_simConnectionState.store(SimConnectionState::notConnected);
        gf_trafficMailbox().reset();

        EXPECT_EQ(counters.caughtUpTicks, c.caughtUp);
        EXPECT_EQ(counters.givenUpTicks, c.givenUp);
        const auto clockTicks =
            static_cast<std::uint32_t>((clock_.steadyNow() - start) / kMainCycle);
        EXPECT_EQ(g_trafficTick.load() - tickBefore, c.flightRuns ? clockTicks - c.givenUp : 0u);
    }
}

TEST_F(MainLoopTest, TheLoopEndsAtTheCycleThatRaisedTheStopOrWhenTheWorkerIsAskedToStop) {
    EXPECT_EQ(runCycles(7).cycles, 7u);

    stop_.reset();
    std::stop_source source;
    MainRunContext run = context();
    run.cycleObserver = [&](MainLoop& loop) {
        if (loop.counters().cycles == 5) {
            source.request_stop();
        }
    };
    ProgramTraffic program(run);
    MainLoop loop(run, program, source.get_token());
    loop.run();
    EXPECT_EQ(loop.counters().cycles, 5u);
}

TEST_F(MainLoopTest, TheParkingIntervalIsCountedDownInMinutesAndStartsAgain) {
    ParamsSnapshot settings;
    settings.PARKING_INTERVAL_MINUTES = 5;
    gf_showParkingInterval(gui_, settings);
    // Six minutes and a second.
    runCycles(36'100);
    EXPECT_THAT(nextParkingUpdates(), ElementsAre(5, 4, 3, 2, 1, 5, 4));
}

TEST_F(MainLoopTest, ANewParkingIntervalRestartsTheCountdown) {
    ParamsSnapshot settings;
    settings.PARKING_INTERVAL_MINUTES = 5;
    gf_showParkingInterval(gui_, settings);
    runCycles(18'100, [&](MainLoop& loop) {
        if (loop.counters().cycles == 9'000) {
            ParamsSnapshot changed;
            changed.PARKING_INTERVAL_MINUTES = 10;
            gf_showParkingInterval(gui_, changed);
        }
    });
    EXPECT_THAT(nextParkingUpdates(), ElementsAreArray({5, 4, 10, 9, 8}));
}

// A reader posting a batch every 2 s for 70 s never stalls the run: while a flight runs the
// traffic step takes the entries, while none runs delivery is off and the batches are dropped.
TEST_F(MainLoopTest, ReadersPostingForMoreThanAMinuteNeverStallTheMailbox) {
    for (const bool flightRuns : {false, true}) {
        SCOPED_TRACE(flightRuns ? "flight running" : "no flight");
        TrafficMailbox& mailbox = gf_trafficMailbox();
        mailbox.reset();
        stop_.reset();
        gf_stopControl().reset();
        g_simConnectionState.store(flightRuns ? SimConnectionState::running
                                              : SimConnectionState::notConnected);
        std::uint32_t hexid = 20000;
        const MainLoopCounters counters = runCycles(7'000, [&](MainLoop& loop) {
            if (loop.counters().cycles % 200 == 0) {
                std::vector<TrafficEntry> batch(3);
                for (TrafficEntry& entry : batch) {
                    entry.hexid = ++hexid;
                    entry.timestamp = 1.7e9;
                }
                // The App reader's way and the web API reader's way, in turn.
                gf_postTrafficBatch(batch, TrafficBatchKind::live, 30, hexid % 2 == 0);
            }
        });
        g_simConnectionState.store(SimConnectionState::notConnected);

        EXPECT_EQ(counters.cycles, 7'000u);
        EXPECT_EQ(mailbox.deliveryEnabled(), flightRuns);
        EXPECT_FALSE(mailbox.stalledForGood());
        // The batch posted in the last cycle waits for the next step.
        EXPECT_EQ(mailbox.pendingCount(), flightRuns ? 3u : 0u);
        EXPECT_EQ(mailbox.counts().livePosts, 35u);
        EXPECT_EQ(mailbox.counts().entriesTaken, flightRuns ? 102u : 0u);
        EXPECT_EQ(gf_stopControl().current(), StopRequest{});
        EXPECT_EQ(logText().find("Traffic mailbox stalled"), std::string::npos);
        mailbox.reset();
    }
}

// Beyond MAX_LIVE_SEL the furthest live aircraft go, at each user-data step and at the cycle
// after the limit changed; 500 sets no limit, 0 admits none.
// A simulator that quit took the objects of its connection with it: on a new connection the
// loop gives their aircraft up before the next traffic step, once the simulator has named
// itself on it (a connection whose set-up failed counts for nothing), and only once.
TEST_F(MainLoopTest, ANewSimulatorConnectionStartsTheTrafficOver) {
    const std::uint32_t first = g_simConnectionCount.load();
    std::vector<std::size_t> liveAfter;
    runCycles(6, [&](MainLoop& loop) {
        liveAfter.push_back(loop.traffic().liveAircraft.size());
        switch (loop.counters().cycles) {
        case 1:
            addActive(loop, "AAA1", 101);
            addActive(loop, "BBB2", 102);
            break;
        case 2: // open, not yet named
            g_simConnectionCount.store(first + 1);
            break;
        case 3:
            g_simConnectionState.store(SimConnectionState::connected);
            break;
        case 4:
            addActive(loop, "CCC3", 201);
            break;
        default:
            break;
        }
    });
    g_simConnectionState.store(SimConnectionState::notConnected);
    g_simConnectionCount.store(first);
    EXPECT_THAT(liveAfter, ElementsAre(0u, 2u, 2u, 0u, 1u, 1u));
    const std::string log = logText();
    EXPECT_NE(log.find(fmt::format("Simulator connection {}: the traffic starts over, 2 live and "
                                   "0 static aircraft of the previous connection are gone",
                                   first + 1)),
              std::string::npos)
        << log;
}

TEST_F(MainLoopTest, LiveAircraftBeyondTheLimitAreRemovedFurthestFirst) {
    struct Case {
        std::int64_t limit;
        bool limitChanged;                  // else the on-ground reply
        std::vector<std::uint32_t> removed; // object ids, in the order removed
    };
    user_.publishPosition({47.0, 0.0}, 2000.0);
    for (const Case& c : {Case{2, false, {40, 30}}, Case{3, true, {40}}, Case{500, false, {}},
                          Case{0, true, {40, 30, 20, 10}}}) {
        stop_.reset();
        setOption(gf_params().MAX_LIVE_SEL, c.limit);
        std::vector<std::uint32_t> removed;
        runCycles(2, [&](MainLoop& loop) {
            if (loop.counters().cycles == 1) {
                for (const std::uint32_t nm : {20U, 40U, 10U, 30U}) {
                    addActive(loop, "A" + std::to_string(nm), nm, nm);
                }
                (c.limitChanged ? requests_.maxLiveChanged : user_.groundDataReceived).store(true);
            }
            removed.assign(loop.traffic().removalQueue.begin(), loop.traffic().removalQueue.end());
        });
        EXPECT_EQ(removed, c.removed) << c.limit;
    }
    setOption(gf_params().MAX_LIVE_SEL, 500);
}

// "Park", a new MAX_PARK_SEL and a deeper livery matching are taken at the next cycle.
TEST_F(MainLoopTest, WindowRequestsAreTakenAtTheNextCycle) {
    bool updateRequested = false;
    std::size_t noLiveryKeys = 1;
    std::vector<std::uint32_t> removed;
    runCycles(2, [&](MainLoop& loop) {
        TrafficState& traffic = loop.traffic();
        if (loop.counters().cycles == 1) {
            // Two live aircraft parked where one is wanted: the one parked first goes.
            traffic.maxParked = 1;
            for (const std::uint32_t id : {5U, 6U}) {
                LiveAircraft& parked = addActive(loop, "P" + std::to_string(id), id);
                parked.phase.phase = FlightPhase::parked;
                parked.standWatch.parkedAt += seconds{id == 6 ? 1 : 2};
            }
            traffic.noLiveryKeys.insert("SWR A320");
            requests_.staticParkingUpdates.store(2);
            requests_.maxParkChanged.store(true);
            requests_.matchingDepthRaised.store(true);
            return;
        }
        updateRequested = loop.parking().state.parkingUpdateRequested.exchange(false);
        removed.assign(traffic.removalQueue.begin(), traffic.removalQueue.end());
        noLiveryKeys = traffic.noLiveryKeys.size();
    });
    EXPECT_TRUE(updateRequested);
    EXPECT_THAT(removed, ElementsAre(6U));
    EXPECT_EQ(noLiveryKeys, 0U);
    EXPECT_FALSE(requests_.staticParkingUpdates.load() != 0 || requests_.maxParkChanged.load() ||
                 requests_.matchingDepthRaised.load());
}

// A switch of RT_PARKTRAFFIC_ONLY or a new parking share adjusts the parking at the next
// user-data step, with the value last switched to; without stands nothing is adjusted.
TEST_F(MainLoopTest, AParkOptionChangeAdjustsTheParkingOfAnAirportWithStands) {
    struct Case {
        bool stands, rtOnlySwitched; // else parking_percentage changed
        std::vector<bool> adjustments;
    };
    for (const Case& c :
         {Case{true, true, {true}}, Case{true, false, {false}}, Case{false, true, {}}}) {
        stop_.reset();
        const testing::LogCapture log;
        runCycles(3, [&](MainLoop& loop) {
            if (loop.counters().cycles == 1) {
                loop.parking().state.stands.resize(c.stands ? 1 : 0);
                c.rtOnlySwitched ? requests_.noteParkTrafficOnlyChange(true)
                                 : setOption(gf_params().parking_percentage, 55);
            }
            user_.groundDataReceived.store(true);
        });
        // The adjustment reports what it changes on the status line, and the log.
        EXPECT_EQ(log.linesWith("Parking adjustments: ").size() +
                      log.linesWith("RT Parking changes: ").size(),
                  c.adjustments.size());
        EXPECT_EQ(std::exchange(gf_staticParkingState().generating, false), c.stands);
        gf_parkingState().clear();
        requests_.clear();
    }
    setOption(gf_params().parking_percentage, 30);
}

// A live aircraft seen for the first time takes the callsign pair of the stand use its callsign
// (with or without a ghost's "_") names today; others keep theirs.
TEST_F(MainLoopTest, NewLiveAircraftTakeTheCallsignPairOfTheirRealStandOption) {
    clock_.setUtc(ManualClock::utcTime(2026, 1, 12, 10, 0, 0)); // a Monday
    FlightOption option;
    option.key.airline = 7;
    option.callsign = "SWR12";
    option.callsign2 = "SWR13";
    option.hours = HoursBitset::range(0, 47);
    option.seq = option.day = 1;
    gf_parkingState().stands.resize(1);
    gf_parkingState().stands[0].options.push_back(option);
    std::vector<std::string> pairs;
    runCycles(2, [&](MainLoop& loop) {
        if (loop.counters().cycles == 1) {
            for (const char* callsign : {"SWR12", "SWR13_", "SWR99"}) {
                addActive(loop, callsign, 1);
            }
            user_.groundDataReceived.store(true);
            return;
        }
        for (const LiveAircraft& a : loop.traffic().liveAircraft) {
            EXPECT_EQ(a.realOptionsMatched, 1U);
            pairs.push_back(a.base.displayCallsign + ":" + a.base.thirdText);
        }
    });
    gf_parkingState().clear();
    EXPECT_THAT(pairs, ElementsAre("SWR12:SWR13", "SWR12:SWR13", ":"));
}

TEST_F(MainLoopTest, NoParkingIntervalNoCountdown) {
    const MainLoopCounters counters = runCycles(12'100);
    EXPECT_EQ(counters.minuteSteps, 2u);
    EXPECT_EQ(appliedCount(GuiUpdateKind::nextParkingUpdate), 0u);
}

} // namespace
} // namespace skyloom
