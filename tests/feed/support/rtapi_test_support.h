// Helpers of the web API tests: a fixture with the web API stand-in answering from the
// recordings, a manual clock that the stand-in and the readers share, a mailbox, stop
// request, query area, identity sets and parked list of the test's own, a log opened in a
// temporary folder, and the expected entries of a recorded aircraft computed straight from
// the recording's JSON.
#pragma once

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <limits>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include "feed/feed_identities.h"
#include "feed/parked_traffic.h"
#include "feed/rtapi_credentials.h"
#include "feed/rtapi_query_area.h"
#include "feed/rtapi_readers.h"
#include "feed/rtapi_session.h"
#include "foundation/manual_clock.h"
#include "refdata/airports.h"
#include "runtime/stop_request.h"
#include "runtime/user_aircraft.h"
#include "tests/support/recording_window_sink.h"
#include "tests/support/temp_dir.h"
#include "tools/rtapi_standin/rtapi_standin.h"
#include "traffic/step/traffic_mailbox.h"

namespace skyloom::testing {

inline constexpr const char* kRtApiRecordings = "feed/recordings/RT_API_decoded";
inline constexpr const char* kTestLicence = "AAA-BBB-CCC-DDD";

// Sets (or, given no value, removes) an environment variable and restores it afterwards.
class ScopedEnv {
public:
    ScopedEnv(const char* name, const std::optional<std::filesystem::path>& value);
    ~ScopedEnv();
    ScopedEnv(const ScopedEnv&) = delete;
    ScopedEnv& operator=(const ScopedEnv&) = delete;

private:
    const char* name_;
    std::optional<std::string> old_;
};

// Opens Log.txt in a folder of its own for the object's lifetime.
class RtApiLog {
public:
    RtApiLog();
    ~RtApiLog();
    std::string text() const;
    bool contains(std::string_view part) const;
    // How many lines contain `part`.
    std::size_t count(std::string_view part) const;

private:
    TempDir dir_;
};

// Limits for the stand-ins on a loaded machine: a reply comes within them even where the
// machine holds the stand-in's thread for seconds (1.5 s was too short beside a CPU hog under
// ThreadSanitizer), and a request never answered still ends within 10 s.
RtApiLimits gf_testRtApiLimits();

// The recording as JSON.
nlohmann::json gf_readRecording(const std::filesystem::path& folder, std::string_view name);

// What a recorded aircraft array must become (values computed here from the JSON alone, with
// the QNH 1013.25 hPa so that barometric altitudes stay as they are).
struct ExpectedAircraft {
    std::uint32_t hexid = 0;
    double latitude = 0.0;
    double longitude = 0.0;
    double altitudeFt = 0.0;
    std::string callsign;
    std::uint8_t airborne = 0;
    double timestamp = 0.0;
};
ExpectedAircraft gf_expectedAircraft(const std::string& key, const nlohmann::json& values,
                                     std::optional<double> referenceFt = std::nullopt);

// The array-valued members of an object, as (key, values) pairs.
std::vector<std::pair<std::string, nlohmann::json>> gf_aircraftOf(const nlohmann::json& object);

// Compares the entries (in any order) with the expected aircraft by hexid.
::testing::AssertionResult gf_entriesMatch(const std::vector<TrafficEntry>& entries,
                                           const std::vector<ExpectedAircraft>& expected);

class RtApiTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A session with the test's licence (or `credentials`) talking to the stand-in.
    std::unique_ptr<RtApiSession> makeSession(std::optional<RtCredentials> credentials = {});
    // An authenticated session (asserts that it is).
    std::unique_ptr<RtApiSession> authenticatedSession();
    // The readers' environment over the test's own objects, reporting to the test's recording
    // window sink or to `window`.
    RtApiEnvironment environment(RtApiSession& session);
    RtApiEnvironment environment(RtApiSession& session, WindowSink& window);

    void setUser(const Lalo& position) { user_ = UserPosition{position, 1000.0, true}; }

    std::filesystem::path recordings_;
    ManualClock clock_;
    StopControl stop_;
    RecordingWindowSink window_;
    std::atomic<std::uint32_t> tick_{0};
    std::unique_ptr<TrafficMailbox> mailbox_;
    FeedIdentities identities_;
    ParkedTrafficList parked_;
    RtApiQueryArea area_;
    std::atomic<std::int32_t> trafficShift_{0};
    std::atomic<std::int32_t> metarShift_{0};
    std::atomic<double> preciseQnh_{1013.25};
    UserPosition user_;
    double rangeNm_ = 40.0;
    std::optional<AirportEntry> parkAirport_;
    std::unique_ptr<RtApiLog> log_;
    std::unique_ptr<tools::RtApiStandIn> standIn_;
};

// Düsseldorf, the centre of the recorded EDDL replies.
inline constexpr Lalo kDuesseldorf{51.2895, 6.7668};
// London Heathrow, the park airport of the recorded parked reply.
inline constexpr Lalo kHeathrow{51.4706, -0.4619};

} // namespace skyloom::testing

// The recordings folder, or skip.
#define SKYLOOM_REQUIRE_RTAPI_RECORDINGS()                                                         \
    if (recordings_.empty()) {                                                                     \
        GTEST_SKIP() << "shared data not found: ../shared/"                                        \
                     << ::skyloom::testing::kRtApiRecordings;                                      \
    }
