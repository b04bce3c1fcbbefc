#include "config/params_snapshot.h"

#include <array>
#include <atomic>
#include <condition_variable>
#include <latch>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include <fmt/format.h>
#include <gtest/gtest.h>

#include "config/parameters.h"
#include "foundation/random.h"

namespace skyloom {
namespace {

TEST(ParamsSnapshotCellTest, AnUpdateNeverChangesAPublishedSnapshot) {
    ParamsSnapshotCell cell;
    const std::shared_ptr<const ParamsSnapshot> before = cell.load();
    const std::shared_ptr<const ParamsSnapshot> after =
        cell.update([](ParamsSnapshot& s) { s.TCAS_FL = 250; });
    EXPECT_EQ(before->TCAS_FL, 0);
    EXPECT_EQ(after->TCAS_FL, 250);
    EXPECT_EQ(cell.load(), after);
    EXPECT_NE(before, after);
}

TEST(ParamsSnapshotCellTest, TheObserverSeesEveryPublication) {
    int calls = 0;
    bool lastRandom = true;
    ParamsSnapshotCell cell({}, [&](const ParamsSnapshot& s) {
        ++calls;
        lastRandom = s.RANDOM;
    });
    cell.publish(ParamsSnapshot{});
    cell.update([](ParamsSnapshot& s) { s.RANDOM = true; });
    cell.update([](ParamsSnapshot& s) { s.RANDOM = false; });
    EXPECT_EQ(calls, 3);
    EXPECT_FALSE(lastRandom);
}

// Two writers publish one after the other, but the first one's observer call is late: the
// observer must still end with the newer snapshot, or RANDOM would stay stale in the
// foundation until the next change.
TEST(ParamsSnapshotCellTest, TheObserverEndsWithTheLatestSnapshotWhenNotificationsCross) {
    std::mutex mutex;
    std::condition_variable changed;
    bool firstWaiting = false;
    bool release = false;
    std::vector<std::int32_t> seen;
    const std::thread::id main = std::this_thread::get_id();
    ParamsSnapshotCell cell({}, [&](const ParamsSnapshot& s) {
        std::unique_lock lock(mutex);
        if (std::this_thread::get_id() != main && s.TCAS_FL == 1 && !firstWaiting) {
            firstWaiting = true;
            changed.notify_all();
            changed.wait(lock, [&] { return release; });
        }
        seen.push_back(s.TCAS_FL);
    });
    std::thread first([&] { cell.update([](ParamsSnapshot& s) { s.TCAS_FL = 1; }); });
    {
        std::unique_lock lock(mutex);
        changed.wait(lock, [&] { return firstWaiting; });
    }
    cell.update([](ParamsSnapshot& s) { s.TCAS_FL = 2; });
    {
        std::lock_guard lock(mutex);
        release = true;
    }
    changed.notify_all();
    first.join();
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 2) << "the late notification is followed by the current snapshot";
}

TEST(ParamsSnapshotCellTest, RangeFieldsAgreeInNmAndMetres) {
    ParamsSnapshot snapshot;
    gf_setRangeFields(snapshot, 40);
    EXPECT_DOUBLE_EQ(snapshot.RANGE, 40.0);
    EXPECT_EQ(snapshot.rangeNm, 40);
    EXPECT_EQ(snapshot.rangeMetres, 74080u);
    gf_setRangeFields(snapshot, -3);
    EXPECT_EQ(snapshot.rangeMetres, 0u);
}

// Writers on several threads change different fields while readers take snapshots: a reader
// never sees a grouped change half made, and no writer's change is lost. The writers start once
// every reader has taken a snapshot, and half-way the first writer and the writer of the grouped
// change each wait until every reader has taken another: whatever the scheduler does, readers
// read while the writers write.
TEST(ParamsSnapshotCellTest, ConcurrentWritersAllWinAndReadersSeeWholeSnapshots) {
    ParamsSnapshotCell cell;
    constexpr int kReaders = 3;
    constexpr int kCounterUpdates = 4000;
    constexpr int kBlockUpdates = 2000;
    std::atomic<bool> writing{true};
    std::atomic<int> tornReads{0};
    // The moments a writer waits for: the readers' first snapshots, and for each of the two
    // writers a snapshot of every reader taken after it asked.
    std::latch readersStarted(kReaders);
    std::array<std::atomic<bool>, 2> asked{};
    std::array<std::latch, 2> readersReadAgain{std::latch(kReaders), std::latch(kReaders)};
    const auto readAgain = [&](std::size_t writer) {
        asked[writer].store(true);
        readersReadAgain[writer].wait();
    };

    std::vector<std::thread> readers;
    for (int r = 0; r < kReaders; ++r) {
        readers.emplace_back([&] {
            int lastCounter = 0;
            bool started = false;
            std::array<bool, 2> answered{};
            do {
                std::array<bool, 2> askedBefore{};
                for (std::size_t w = 0; w < asked.size(); ++w) {
                    askedBefore[w] = asked[w].load();
                }
                const std::shared_ptr<const ParamsSnapshot> s = cell.load();
                // The block settings travel together: the callsign spells the hex id.
                if (s->block.BLOCK_CALLSIGN != fmt::format("{}", s->block.BLOCK_HEXIDDEC) &&
                    !(s->block.BLOCK_CALLSIGN.empty() && s->block.BLOCK_HEXIDDEC == 0)) {
                    tornReads.fetch_add(1);
                }
                // Counters only grow: a reader never sees an older snapshot after a newer one.
                if (s->MAX_PARK_SEL < lastCounter) {
                    tornReads.fetch_add(1);
                }
                lastCounter = s->MAX_PARK_SEL;
                if (!started) {
                    started = true;
                    readersStarted.count_down();
                }
                for (std::size_t w = 0; w < asked.size(); ++w) {
                    if (askedBefore[w] && !answered[w]) {
                        answered[w] = true;
                        readersReadAgain[w].count_down();
                    }
                }
            } while (writing.load());
        });
    }
    readersStarted.wait();

    std::vector<std::thread> writers;
    // Two writers count up different fields; a counter read inside the change is re-read on
    // every retry, so a lost update would show as a final count below the number of updates.
    writers.emplace_back([&] {
        for (int i = 0; i < kCounterUpdates; ++i) {
            if (i == kCounterUpdates / 2) {
                readAgain(0);
            }
            cell.update([](ParamsSnapshot& s) { ++s.MAX_PARK_SEL; });
        }
    });
    writers.emplace_back([&] {
        for (int i = 0; i < kCounterUpdates; ++i) {
            cell.update([](ParamsSnapshot& s) { ++s.TCAS_FL; });
        }
    });
    writers.emplace_back([&] {
        for (int i = 1; i <= kBlockUpdates; ++i) {
            if (i == kBlockUpdates / 2) {
                readAgain(1);
            }
            cell.update([i](ParamsSnapshot& s) {
                s.block.BLOCK_HEXIDDEC = static_cast<std::uint32_t>(i);
                s.block.BLOCK_CALLSIGN = fmt::format("{}", i);
            });
        }
    });
    writers.emplace_back([&] {
        for (int i = 0; i < kBlockUpdates; ++i) {
            cell.update([i](ParamsSnapshot& s) { s.RANDOM = (i % 2) == 0; });
        }
    });
    for (std::thread& writer : writers) {
        writer.join();
    }
    writing.store(false);
    for (std::thread& reader : readers) {
        reader.join();
    }

    const std::shared_ptr<const ParamsSnapshot> last = cell.load();
    EXPECT_EQ(last->MAX_PARK_SEL, kCounterUpdates);
    EXPECT_EQ(last->TCAS_FL, kCounterUpdates);
    EXPECT_EQ(last->block.BLOCK_HEXIDDEC, static_cast<std::uint32_t>(kBlockUpdates));
    EXPECT_EQ(last->block.BLOCK_CALLSIGN, fmt::format("{}", kBlockUpdates));
    EXPECT_FALSE(last->RANDOM) << "the last of the flips set it off";
    EXPECT_EQ(tornReads.load(), 0);
}

// The same through the parameter objects: the GUI thread and the worker republish different
// parameters at once, and both changes are in the final snapshot.
TEST(ParamsSnapshotCellTest, ParametersRepublishedFromTwoThreadsBothArrive) {
    ParamsSnapshotCell cell;
    ProgramParameters parameters(nullptr, &cell);
    parameters.publishAll();
    constexpr int kRounds = 1500;

    std::thread gui([&] {
        for (int i = 0; i < kRounds; ++i) {
            parameters.TIME_SHIFT_DAYS.assign(i % 14);
            parameters.TIME_SHIFT_HOURS.assign(i % 14);
            parameters.TIME_SHIFT_MINS.assign(i % 14);
            parameters.applySettings(parameters.TIME_SHIFT_HOURS);
        }
    });
    std::thread worker([&] {
        for (int i = 0; i < kRounds; ++i) {
            parameters.MAX_FIT.assign(i % 48);
            parameters.applySettings(parameters.MAX_FIT);
        }
    });
    std::atomic<bool> done{false};
    std::atomic<int> mixedTimeShifts{0};
    std::thread reader([&] {
        while (!done.load()) {
            const auto s = cell.load();
            if (s->TIME_SHIFT_DAYS != s->TIME_SHIFT_HOURS ||
                s->TIME_SHIFT_HOURS != s->TIME_SHIFT_MINS) {
                mixedTimeShifts.fetch_add(1);
            }
        }
    });
    gui.join();
    worker.join();
    done.store(true);
    reader.join();

    const auto last = cell.load();
    EXPECT_EQ(last->TIME_SHIFT_DAYS, (kRounds - 1) % 14);
    EXPECT_EQ(last->MAX_FIT, (kRounds - 1) % 48);
    EXPECT_EQ(mixedTimeShifts.load(), 0);
}

// The worker republishes every value (a restart) while the GUI thread changes one: the
// change must be in the snapshot afterwards, whichever came first.
TEST(ParamsSnapshotCellTest, AChangeMadeWhileEverythingIsRepublishedIsKept) {
    ParamsSnapshotCell cell;
    ProgramParameters parameters(nullptr, &cell);
    parameters.publishAll();
    constexpr int kRounds = 400;
    std::atomic<int> started{0};
    std::atomic<int> finished{0};
    std::atomic<bool> stop{false};
    // Each round, the two threads start together.
    const auto waitForRound = [&](int round) {
        while (started.load() < round && !stop.load()) {
            std::this_thread::yield();
        }
    };
    std::thread gui([&] {
        for (int round = 1; round <= kRounds; ++round) {
            waitForRound(round);
            parameters.TCAS_FL.assign(round % 2 == 0 ? 450 : 50);
            parameters.applySettings(parameters.TCAS_FL);
            finished.fetch_add(1);
        }
    });
    std::thread worker([&] {
        for (int round = 1; round <= kRounds; ++round) {
            waitForRound(round);
            parameters.publishAll();
            finished.fetch_add(1);
        }
    });
    int lost = 0;
    for (int round = 1; round <= kRounds; ++round) {
        started.store(round);
        while (finished.load() < 2 * round) {
            std::this_thread::yield();
        }
        if (cell.load()->TCAS_FL != parameters.TCAS_FL.value()) {
            ++lost;
        }
    }
    stop.store(true);
    gui.join();
    worker.join();
    EXPECT_EQ(lost, 0) << "rounds whose change was overwritten by the whole republication";
}

TEST(ProgramSnapshotTest, StartsWithTheDefaultsAndHandsRandomToTheFoundation) {
    const auto first = gf_paramsSnapshot();
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->MATCHING_DEPTH, 4);
    const bool before = first->RANDOM;
    gf_updateParamsSnapshot([](ParamsSnapshot& s) { s.RANDOM = false; });
    EXPECT_FALSE(gf_isRandomEnabled());
    gf_updateParamsSnapshot([before](ParamsSnapshot& s) { s.RANDOM = before; });
    EXPECT_EQ(gf_isRandomEnabled(), before);

    gf_setCategoryFilters(false, true, false, true);
    const auto filtered = gf_paramsSnapshot();
    EXPECT_FALSE(filtered->LIGHT_AIRCRAFT);
    EXPECT_TRUE(filtered->TWO_PROPS);
    EXPECT_FALSE(filtered->HELICOPTERS);
    EXPECT_TRUE(filtered->HIGH_PERF_AIRCRAFT);
    gf_setRangeNm(25);
    EXPECT_EQ(gf_paramsSnapshot()->rangeNm, 25);
    EXPECT_FALSE(gf_paramsSnapshot()->LIGHT_AIRCRAFT) << "other fields stay";
    gf_setCategoryFilters(true, true, true, true);
}

} // namespace
} // namespace skyloom
