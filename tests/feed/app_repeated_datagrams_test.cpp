// Live datagrams that repeat the last one of their hexid: an App that sends every datagram
// twice (as the Pontiac capture shows) must give the batches of one that sends it once.
#include "feed/app_traffic_assembler.h"

#include <chrono>
#include <fstream>
#include <set>
#include <string>
#include <vector>

#include <fmt/format.h>

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "foundation/manual_clock.h"
#include "tests/feed/support/app_feed_support.h"
#include "tests/support/shared_data.h"
#include "tools/rtapp_standin/capture.h"

namespace skyloom {
namespace {

using std::chrono::milliseconds;

// Feeds datagrams to an assembler as the traffic reader would and keeps what it posts.
class Assembly {
public:
    void feed(const std::string& datagram) {
        assembler_.handleDatagram(datagram, clock_.steadyNow(), clock_.utcNow());
    }
    void wait(milliseconds span) { clock_.advance(span); }
    void end() { feed("RTTFC_EOT"); }

    // Each posted batch as one line per entry.
    std::vector<std::vector<std::string>> batches() const {
        std::vector<std::vector<std::string>> out;
        for (const testing::PostedBatch& batch : recorder_.batches()) {
            std::vector<std::string>& lines = out.emplace_back();
            for (const TrafficEntry& entry : batch.entries) {
                lines.push_back(fmt::format("{} {} {:.4f} {:.4f} {} {} {}", entry.hexid,
                                            entry.timestamp, entry.sample.latitude,
                                            entry.sample.longitude, entry.sample.altitudeFt,
                                            entry.sample.groundSpeedKt, entry.callsign));
            }
        }
        return out;
    }
    const AppTrafficCounts& counts() const { return assembler_.counts(); }

private:
    ManualClock clock_;
    testing::BatchRecorder recorder_;
    AppTrafficAssembler assembler_{"Traffic Reader", {recorder_.post(), nullptr, nullptr}};
};

// A record of aircraft `letter` (A is hexid 20001) in the App's round `round`: each round's
// report is new.
std::string lf_report(char letter, int round) {
    return testing::rttfcDatagram({{1, std::to_string(20001 + (letter - 'A'))},
                                   {9, fmt::format("{}{}{}1", letter, letter, letter)},
                                   {14, fmt::format("{:.1f}", 1645144889.8 + 10.0 * round)}});
}

TEST(AppRepeatedDatagramsTest, ADatagramIdenticalToTheLastOfItsHexidIsDropped) {
    struct Case {
        const char* label;
        // "A0" is aircraft A's report of round 0, "|" the end marker, "+N" a wait of N ms (the
        // App's rounds come 2 s apart at the quickest).
        std::vector<std::string> steps;
        // The aircraft letters of each posted batch.
        std::vector<std::string> batches;
        std::uint64_t duplicates;
    };
    const auto memory = std::to_string(AppTrafficAssembler::kRepeatMemory.count());
    const auto justBefore = std::to_string(AppTrafficAssembler::kRepeatMemory.count() - 1);
    const std::vector<Case> cases = {
        {"every datagram twice", {"A0", "A0", "B0", "B0", "C0", "C0", "|"}, {"ABC"}, 3},
        {"doubled rounds without end markers",
         {"A0", "A0", "B0", "B0", "+2000", "A1", "A1", "B1", "B1", "|"},
         {"AB", "AB"},
         4},
        {"an unchanged report in the next round",
         {"A0", "B0", "|", "A0", "B1", "|"},
         {"AB", "B"},
         1},
        {"only the last report of the hexid counts",
         {"A0", "+2000", "A1", "+2000", "A0", "|"},
         {"A", "A", "A"},
         0},
        {"kept while it keeps coming",
         {"A0", "|", "+40000", "A0", "|", "+40000", "A0", "|"},
         {"A"},
         2},
        {"still remembered just before the memory ends",
         {"A0", "|", "+" + justBefore, "A0", "|"},
         {"A"},
         1},
        {"forgotten after the memory", {"A0", "|", "+" + memory, "A0", "|"}, {"A", "A"}, 0},
    };
    testing::LogCapture log;
    for (const Case& c : cases) {
        Assembly assembly;
        for (const std::string& step : c.steps) {
            if (step == "|") {
                assembly.end();
            } else if (step.starts_with("+")) {
                assembly.wait(milliseconds{std::stoll(step.substr(1))});
            } else {
                assembly.feed(lf_report(step[0], step[1] - '0'));
            }
        }
        std::vector<std::string> letters;
        for (const std::vector<std::string>& batch : assembly.batches()) {
            std::string text;
            for (const std::string& line : batch) {
                text += static_cast<char>('A' + (std::stoi(line) - 20001));
            }
            letters.push_back(text);
        }
        EXPECT_EQ(letters, c.batches) << c.label;
        EXPECT_EQ(assembly.counts().duplicates, c.duplicates) << c.label;
        EXPECT_EQ(assembly.counts().rejected, 0u) << c.label;
    }
}

// The rounds of a capture as the stand-in replays them (duplicate lines dropped), 2 s apart:
// without end markers, each batch ends where the next round begins.
std::vector<std::vector<std::string>> lf_undoubled(const tools::Capture& capture) {
    std::vector<std::vector<std::string>> rounds;
    for (const tools::CaptureBurst& burst : capture.bursts) {
        rounds.push_back(burst.datagrams);
    }
    return rounds;
}

// The traffic records of a csv capture exactly as recorded, repeats included, in rounds: a
// round ends before a record of an aircraft it holds that does not repeat the record before.
std::vector<std::vector<std::string>> lf_asRecorded(const std::filesystem::path& file) {
    std::vector<std::vector<std::string>> rounds(1);
    std::set<std::string> inRound;
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        while (!line.empty() && (line.back() == '\r' || line.back() == ' ')) {
            line.pop_back();
        }
        if (!line.starts_with("AITFC,")) {
            continue;
        }
        std::string datagram = tools::gf_rttfcFromAitfc(line, 0.0);
        const std::string hexid = datagram.substr(0, datagram.find(',', 6));
        const bool repeat = !rounds.back().empty() && rounds.back().back() == datagram;
        if (!repeat && !inRound.insert(hexid).second) {
            rounds.emplace_back();
            inRound = {hexid};
        }
        rounds.back().push_back(std::move(datagram));
    }
    return rounds;
}

std::size_t lf_datagrams(const std::vector<std::vector<std::string>>& rounds) {
    std::size_t count = 0;
    for (const std::vector<std::string>& round : rounds) {
        count += round.size();
    }
    return count;
}

// Feeds every datagram `copies` times in a row, a round every 2 s, then the end marker.
void lf_assemble(Assembly& assembly, const std::vector<std::vector<std::string>>& rounds,
                 int copies) {
    for (const std::vector<std::string>& round : rounds) {
        for (const std::string& datagram : round) {
            for (int i = 0; i < copies; ++i) {
                assembly.feed(datagram);
            }
        }
        assembly.wait(milliseconds{2000});
    }
    assembly.end();
}

class AppDoubledCaptureTest : public ::testing::TestWithParam<const char*> {};

TEST_P(AppDoubledCaptureTest, DoubledDatagramsGiveTheBatchesOfTheUndoubledReplay) {
    SKYLOOM_REQUIRE_SHARED(file, std::string("feed/recordings/") + GetParam());
    testing::LogCapture log;
    const std::vector<std::vector<std::string>> datagrams =
        lf_undoubled(tools::gf_readCapture(file));
    Assembly once;
    lf_assemble(once, datagrams, 1);
    Assembly twice;
    lf_assemble(twice, datagrams, 2);

    const auto expected = once.batches();
    // Every capture holds a few dozen rounds at least.
    ASSERT_GT(expected.size(), 20u);
    EXPECT_EQ(twice.batches(), expected);
    EXPECT_EQ(twice.counts().liveRecords, once.counts().liveRecords);
    EXPECT_EQ(twice.counts().duplicates, once.counts().duplicates + lf_datagrams(datagrams));
    // Only what the undoubled replay refuses too: reports stamped far from their round.
    EXPECT_EQ(twice.counts().rejected, once.counts().rejected);
}

INSTANTIATE_TEST_SUITE_P(Recordings, AppDoubledCaptureTest,
                         ::testing::Values("KLAS_20190305_2056Z.txt", "MMMX.txt",
                                           "KLAX_20200617_2152.csv", "KPTK_20201128.csv"),
                         [](const ::testing::TestParamInfo<const char*>& info) {
                             const std::string file = info.param;
                             return file.substr(0, file.find('.'));
                         });

// The Pontiac capture holds every record twice in a row, as an App that repeats its
// datagrams sends them.
TEST(AppRepeatedDatagramsTest, ThePontiacCaptureAsRecordedGivesTheBatchesOfItsUndoubledReplay) {
    SKYLOOM_REQUIRE_SHARED(file, "feed/recordings/KPTK_20201128.csv");
    const std::vector<std::vector<std::string>> recorded = lf_asRecorded(file);
    const std::vector<std::vector<std::string>> undoubled =
        lf_undoubled(tools::gf_readCapture(file));
    ASSERT_EQ(lf_datagrams(recorded), 2 * lf_datagrams(undoubled));

    testing::LogCapture log;
    Assembly asRecorded;
    lf_assemble(asRecorded, recorded, 1);
    Assembly replay;
    lf_assemble(replay, undoubled, 1);
    EXPECT_EQ(asRecorded.batches(), replay.batches());
    EXPECT_EQ(asRecorded.counts().liveRecords, replay.counts().liveRecords);
    // Every batch is a whole round of the capture, not one or two aircraft.
    EXPECT_EQ(asRecorded.counts().liveBatches, replay.counts().liveBatches);
    EXPECT_GT(asRecorded.counts().liveRecords / asRecorded.counts().liveBatches, 10u);
}

} // namespace
} // namespace skyloom
