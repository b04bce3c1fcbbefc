#include "tests/feed/support/rtapi_test_support.h"

#include <cstdlib>
#include <fstream>
#include <map>
#include <sstream>

#include <fmt/format.h>

#include "feed/rtapi_transport.h"
#include "foundation/log_file.h"
#include "runtime/rt_status.h"
#include "tests/support/shared_data.h"

namespace skyloom::testing {

ScopedEnv::ScopedEnv(const char* name, const std::optional<std::filesystem::path>& value)
    : name_(name) {
    if (const char* old = std::getenv(name)) {
        old_ = old;
    }
    if (value) {
        ::setenv(name, value->string().c_str(), 1);
    } else {
        ::unsetenv(name);
    }
}

ScopedEnv::~ScopedEnv() {
    if (old_) {
        ::setenv(name_, old_->c_str(), 1);
    } else {
        ::unsetenv(name_);
    }
}

RtApiLog::RtApiLog() {
    LogFile::openIn(dir_.path());
}

RtApiLog::~RtApiLog() {
    LogFile::close();
}

std::string RtApiLog::text() const {
    LogFile::flush();
    std::ifstream in(dir_ / "Log.txt");
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

bool RtApiLog::contains(std::string_view part) const {
    return text().find(part) != std::string::npos;
}

std::size_t RtApiLog::count(std::string_view part) const {
    const std::string all = text();
    std::size_t found = 0;
    for (std::size_t at = all.find(part); at != std::string::npos; at = all.find(part, at + 1)) {
        ++found;
    }
    return found;
}

RtApiLimits gf_testRtApiLimits() {
    RtApiLimits limits;
    limits.connectTimeout = std::chrono::milliseconds(10000);
    limits.totalTimeout = std::chrono::milliseconds(20000);
    limits.lowSpeedBytesPerSecond = 10;
    limits.lowSpeedTime = std::chrono::seconds(10);
    return limits;
}

nlohmann::json gf_readRecording(const std::filesystem::path& folder, std::string_view name) {
    std::ifstream in(folder / std::string(name));
    return nlohmann::json::parse(in);
}

ExpectedAircraft gf_expectedAircraft(const std::string& key, const nlohmann::json& values,
                                     std::optional<double> referenceFt) {
    ExpectedAircraft expected;
    expected.hexid = static_cast<std::uint32_t>(std::stoul(key, nullptr, 16));
    expected.latitude = values[1].get<double>();
    expected.longitude = values[2].get<double>();
    const bool onGround = values[14].get<int>() == 1;
    expected.airborne = onGround ? 0 : 1;
    if (onGround && referenceFt) {
        expected.altitudeFt = *referenceFt;
    } else if (!values[4].is_null()) {
        expected.altitudeFt = values[4].get<double>();
    } else {
        expected.altitudeFt = values[18].get<double>();
    }
    const std::string callsign = values[13].is_string() ? values[13].get<std::string>() : "";
    expected.callsign = callsign == "null" ? "" : callsign;
    expected.timestamp = values[10].get<double>();
    return expected;
}

std::vector<std::pair<std::string, nlohmann::json>> gf_aircraftOf(const nlohmann::json& object) {
    std::vector<std::pair<std::string, nlohmann::json>> aircraft;
    for (auto it = object.begin(); it != object.end(); ++it) {
        if (it->is_array()) {
            aircraft.emplace_back(it.key(), *it);
        }
    }
    return aircraft;
}

::testing::AssertionResult gf_entriesMatch(const std::vector<TrafficEntry>& entries,
                                           const std::vector<ExpectedAircraft>& expected) {
    if (entries.size() != expected.size()) {
        return ::testing::AssertionFailure()
               << entries.size() << " entries, " << expected.size() << " expected";
    }
    std::map<std::uint32_t, const TrafficEntry*> byHexid;
    for (const TrafficEntry& entry : entries) {
        if (!byHexid.emplace(entry.hexid, &entry).second) {
            return ::testing::AssertionFailure() << "hexid " << entry.hexid << " twice";
        }
    }
    for (const ExpectedAircraft& want : expected) {
        const auto it = byHexid.find(want.hexid);
        if (it == byHexid.end()) {
            return ::testing::AssertionFailure() << "hexid " << want.hexid << " missing";
        }
        const TrafficEntry& got = *it->second;
        const auto near = [](double a, double b) { return std::abs(a - b) < 1e-6; };
        if (got.callsign != want.callsign || !near(got.sample.latitude, want.latitude) ||
            !near(got.sample.longitude, want.longitude) ||
            !near(got.sample.altitudeFt, want.altitudeFt) || got.sample.airborne != want.airborne ||
            !near(got.timestamp, want.timestamp)) {
            return ::testing::AssertionFailure()
                   << fmt::format("hexid {:x}: got {} {} {} {} ft airborne {} t {}, want {} {} {} "
                                  "{} ft airborne {} t {}",
                                  want.hexid, got.callsign, got.sample.latitude,
                                  got.sample.longitude, got.sample.altitudeFt, got.sample.airborne,
                                  got.timestamp, want.callsign, want.latitude, want.longitude,
                                  want.altitudeFt, want.airborne, want.timestamp);
        }
    }
    return ::testing::AssertionSuccess();
}

void RtApiTest::SetUp() {
    recordings_ = sharedPath(kRtApiRecordings);
    log_ = std::make_unique<RtApiLog>();
    mailbox_ = std::make_unique<TrafficMailbox>(clock_, stop_, tick_);
    mailbox_->enable(true);
    standIn_ = std::make_unique<tools::RtApiStandIn>(recordings_, &clock_);
    standIn_->addLicence(kTestLicence, tools::StandInLicence::professional);
    g_rtConnected.store(false);
    g_rtProfessional.store(false);
}

void RtApiTest::TearDown() {
    standIn_.reset();
    mailbox_.reset();
    log_.reset();
    g_rtConnected.store(false);
    g_rtProfessional.store(false);
}

std::unique_ptr<RtApiSession> RtApiTest::makeSession(std::optional<RtCredentials> credentials) {
    if (!credentials) {
        credentials = RtCredentials{RtCredentialKind::licence, kTestLicence};
    }
    auto transport = std::make_unique<RtApiTransport>(standIn_->baseUrl(), gf_testRtApiLimits(),
                                                      [this] { return stop_.keepRunning(); });
    return std::make_unique<RtApiSession>(*credentials, std::move(transport));
}

std::unique_ptr<RtApiSession> RtApiTest::authenticatedSession() {
    auto session = makeSession();
    const RtApiAnswer answer = session->authenticate();
    EXPECT_TRUE(answer.ok()) << answer.problem;
    return session;
}

RtApiEnvironment RtApiTest::environment(RtApiSession& session) {
    return environment(session, window_);
}

RtApiEnvironment RtApiTest::environment(RtApiSession& session, WindowSink& window) {
    RtApiEnvironment env{RunServices{clock_, stop_, window}};
    env.session = &session;
    env.post = [mailbox = mailbox_.get()](std::vector<TrafficEntry>& batch, TrafficBatchKind kind,
                                          std::uint32_t offsetBase, bool dropWhenOff) {
        return mailbox->post(batch, kind, offsetBase, dropWhenOff);
    };
    env.area = &area_;
    env.identities = &identities_;
    env.parked = &parked_;
    env.userPosition = [this] { return user_; };
    env.rangeNm = [this] { return rangeNm_; };
    env.parkAirport = [this] { return parkAirport_; };
    env.trafficTimeShiftMinutes = &trafficShift_;
    env.metarTimeShiftMinutes = &metarShift_;
    env.preciseQnhHpa = &preciseQnh_;
    return env;
}

} // namespace skyloom::testing
