// The App road's end-to-end fixture: a link on loopback ports that the system chooses, posting
// to a mailbox of the test's own, with the RealTraffic App stand-in to connect to it; and the
// bursts of a capture file read here independently of the stand-in, to compare with.
#pragma once

#include <atomic>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "feed/rt_app_link.h"
#include "foundation/manual_clock.h"
#include "runtime/stop_request.h"
#include "tests/feed/support/app_feed_support.h"
#include "tests/support/recording_window_sink.h"
#include "tools/rtapp_standin/rtapp_standin.h"

namespace skyloom::testing {

// Waits (in real time) until the condition holds; false when it never did. A bound for a
// peer's answer, not a measurement.
bool gf_eventually(const std::function<bool()>& condition,
                   std::chrono::milliseconds limit = std::chrono::milliseconds{10000});

// One aircraft report as the capture file has it.
struct CapturedRecord {
    std::uint32_t hexid = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    double altitudeFt = 0.0;
    double groundSpeedKt = 0.0;
    std::string callsign;
    // The record's own time stamp, else its receiver time.
    double timestamp = 0.0;
    std::string line;
};

// The capture's bursts. Timed captures: records that arrived within 2 s of the one before
// belong together. Csv captures: a burst ends before the first hexid that repeats, and a line
// identical to the one before is dropped. A record identical to the last one of its hexid
// (an unchanged aircraft sent again) carries nothing new and is left out.
std::vector<std::vector<CapturedRecord>> gf_readBursts(const std::filesystem::path& file);

// The live records of a burst that the program plays: static aircraft are passed over, and a
// record stamped far from the burst's median stamp (a csv capture's first burst holds records
// of nine hours later) is refused; `strays` counts those.
std::vector<CapturedRecord> gf_playedRecords(const std::vector<CapturedRecord>& burst,
                                             std::size_t& strays);

class RtAppLinkTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    virtual void customise(RtAppLinkSettings&) {}
    // The clock of the link's waits.
    virtual Clock& linkClock() { return clock_; }

    tools::RtAppStandin& standin(tools::RtAppStandinOptions options = {});
    // Connects the stand-in and plays the main worker until the App's version reply came.
    void connect(tools::RtAppStandin& app);
    // Takes every pending entry as the main loop would, in the order it would.
    std::vector<TrafficEntry> takeAll();

    LogCapture log_;
    ManualClock clock_;
    StopControl stop_;
    std::atomic<std::uint32_t> tick_{5000};
    TrafficMailbox mailbox_{clock_, stop_, tick_};
    RecordingDecoder decoder_;
    std::atomic<std::int32_t> qnh_{0};
    FeedIdentities identities_;
    ParkedTrafficList parked_;
    std::vector<std::string> failures_;
    RecordingWindowSink window_;
    std::unique_ptr<RtAppLink> link_;
    std::unique_ptr<tools::RtAppStandin> standin_;
};

} // namespace skyloom::testing
