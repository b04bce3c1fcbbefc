// Helpers of the live-traffic replay: a dbase of every ICAO model of the Doc 8643 type list in
// ../shared (categories from its descriptions and wake classes), livery tables built straight
// from livery records, the liveries the demo installs for a capture, and the replay of a
// recorded App capture through the feed's own parser into a mailbox, each burst when the
// program's clock reaches its time.
#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "feed/app_traffic_assembler.h"
#include "foundation/clock.h"
#include "sim/sim_command_queue.h"
#include "sim/sim_event_queue.h"
#include "tools/rtapp_standin/capture.h"
#include "tools/track_replay/replay_tables.h"
#include "traffic/decode/message_decoder.h"
#include "traffic/step/traffic_mailbox.h"

namespace skyloom::testing {

inline constexpr const char* kDoc8643 = "data/aircraft/doc8643-AircraftTypes.json";
inline constexpr const char* kLosAngelesCapture = "feed/recordings/KLAX_20200617_2152.csv";
inline constexpr double kLosAngelesElevationFt = 125.0;

// Publishes a dbase of the type list's models; false when the file is not there.
bool publishTypeListDbase();

using tools::ReplayLivery;
// The program's livery tables, holding exactly these liveries.
inline void buildLiveryTables(const std::vector<ReplayLivery>& liveries) {
    tools::gf_buildReplayLiveryTables(liveries);
}

// Takes one step's commands into `taken` and answers them as the simulator would: each create
// gets the next object id from `nextObject`, each removal is confirmed.
void answerCommandsAsTheSimulator(SimCommandQueue& commands, SimEventQueue& events,
                                  SimCommandBatch& taken, std::uint32_t& nextObject);

// Every report of a capture as the feed's own parser posts it, by hexid in the order posted
// (straight from the parser: no mailbox between, nothing replaced).
std::map<std::uint32_t, std::vector<TrafficEntry>> captureReports(const tools::Capture& capture);

// What the demo's livery packages hold for a capture: for every model it reports, one livery
// per airline flying it (aircraft without an airline fly "PVT", as the livery scan files
// them), titled "Skyloom Demo <model> <airline or Private>"; models and airlines as the feed's
// own parser keys the reports.
std::vector<ReplayLivery> captureLiveries(const tools::Capture& capture);

// The capture's bursts go through an App reader's assembler into the mailbox, each once the
// clock has run as long since the start as the capture since its first live burst. With
// `bufferedBursts`, the first that many bursts are instead the App's buffer, answered at the
// start as the App stand-in answers the program's buffer request (five snapshots 6 s apart,
// the App's "now" the first live burst).
class CaptureReplay {
public:
    CaptureReplay(tools::Capture capture, TrafficMailbox& mailbox, Clock& clock,
                  std::size_t bufferedBursts = 0);
    // Feeds the bursts that are due; false once every burst was fed.
    bool feedDue();
    std::size_t bursts() const { return capture_.bursts.size(); }
    // The hexids the assembler posted, and the seconds the capture spans.
    const std::set<std::uint32_t>& postedHexids() const { return posted_; }
    std::size_t postedEntries() const { return postedEntries_; }
    double spanSeconds() const;

private:
    void feedBuffer(std::size_t bufferedBursts);

    tools::Capture capture_;
    TrafficMailbox& mailbox_;
    Clock& clock_;
    Clock::SteadyTime start_;
    std::size_t next_ = 0;
    std::set<std::uint32_t> posted_;
    std::size_t postedEntries_ = 0;
    AppTrafficAssembler assembler_;
};

// The live traffic's decoder, noting which hexids reached it and which were admitted.
class NotingDecoder final : public TrafficDecoder {
public:
    explicit NotingDecoder(TrafficState& state) : state_(state), inner_(state) {}
    void decodeMessage(const TrafficEntry& entry) override;

    std::set<std::uint32_t> delivered;
    std::set<std::uint32_t> admitted;
    // The hexids of which a report named a known model of an included category.
    std::set<std::uint32_t> eligible;
    // The highest ground speed (kt) each hexid reported, and the tick its last report is due.
    std::map<std::uint32_t, double> fastestKt;
    std::map<std::uint32_t, std::int32_t> lastDueTick;

private:
    TrafficState& state_;
    LiveTrafficDecoder inner_;
};

} // namespace skyloom::testing
