#include "tests/feed/support/app_link_fixture.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <optional>
#include <set>
#include <sstream>
#include <thread>

#include <fmt/format.h>

#include "foundation/std_regex.h"
#include "runtime/rt_status.h"

namespace skyloom::testing {

using std::chrono::milliseconds;

bool gf_eventually(const std::function<bool()>& condition, milliseconds limit) {
    const auto end = std::chrono::steady_clock::now() + limit;
    while (!condition()) {
        if (std::chrono::steady_clock::now() > end) {
            return false;
        }
        std::this_thread::sleep_for(milliseconds{2});
    }
    return true;
}

std::vector<std::vector<CapturedRecord>> gf_readBursts(const std::filesystem::path& file) {
    const std::regex timed(R"(^([0-9.]+) : (AITFC,.*)$)");
    const std::regex tuple(R"(^\(([0-9.]+), ':', '(AITFC,.*)'\)$)");
    std::vector<std::vector<CapturedRecord>> bursts;
    std::map<std::uint32_t, std::string> lastOfHexid;
    std::set<std::uint32_t> inBurst;
    std::ifstream in(file);
    std::string line;
    std::string previous;
    double last = -1e9;
    while (std::getline(in, line)) {
        if (!line.empty() && line.back() == '\r') {
            line.pop_back();
        }
        std::smatch match;
        std::string datagram;
        std::optional<double> receivedAt;
        if (std::regex_match(line, match, timed) || std::regex_match(line, match, tuple)) {
            receivedAt = std::stod(match[1].str());
            datagram = match[2].str();
        } else if (line.starts_with("AITFC,") && line != previous) {
            datagram = line;
        }
        previous = line;
        if (datagram.empty()) {
            continue;
        }
        std::vector<std::string> fields;
        std::stringstream stream(datagram);
        std::string field;
        while (std::getline(stream, field, ',')) {
            fields.push_back(field);
        }
        fields.resize(15);
        const auto hexid = static_cast<std::uint32_t>(std::stoul(fields[1]));
        const bool newBurst = receivedAt ? *receivedAt - last > 2.0 : inBurst.contains(hexid);
        if (bursts.empty() || newBurst) {
            bursts.emplace_back();
            inBurst.clear();
        }
        inBurst.insert(hexid);
        last = receivedAt.value_or(last);
        // Timed captures have no time stamp of their own: the receiver's time makes each new.
        const std::string identity = receivedAt ? line : datagram;
        if (lastOfHexid[hexid] == identity) {
            continue;
        }
        lastOfHexid[hexid] = identity;
        bursts.back().push_back({hexid, std::stod(fields[2]), std::stod(fields[3]),
                                 std::stod(fields[4]), std::stod(fields[8]), fields[9],
                                 receivedAt ? *receivedAt : std::stod(fields[14]), datagram});
    }
    return bursts;
}

std::vector<CapturedRecord> gf_playedRecords(const std::vector<CapturedRecord>& burst,
                                             std::size_t& strays) {
    std::vector<CapturedRecord> live;
    std::vector<double> stamps;
    for (const CapturedRecord& record : burst) {
        if (record.hexid > 10000) {
            live.push_back(record);
            stamps.push_back(record.timestamp);
        }
    }
    if (live.size() < 3) {
        return live;
    }
    std::sort(stamps.begin(), stamps.end());
    const double median = stamps[(stamps.size() - 1) / 2];
    std::vector<CapturedRecord> played;
    for (const CapturedRecord& record : live) {
        if (record.timestamp - median > 60.0 || median - record.timestamp > 300.0) {
            ++strays;
        } else {
            played.push_back(record);
        }
    }
    return played;
}

void RtAppLinkTest::SetUp() {
    g_rtConnected.store(false);
    g_rtProfessional.store(false);
    mailbox_.enable(true);
    RtAppLinkSettings settings;
    settings.address = "127.0.0.1";
    settings.tcpPort = 0;
    settings.trafficPort = 0;
    settings.weatherPort = 0;
    settings.post = [this](std::vector<TrafficEntry>& batch, TrafficBatchKind kind,
                           std::uint32_t base, bool dropWhenOff) {
        return mailbox_.post(batch, kind, base, dropWhenOff);
    };
    settings.qnh = [this](std::int32_t hpa) { qnh_.store(hpa); };
    settings.identities = &identities_;
    settings.parked = &parked_;
    settings.failed = [this](std::string_view name, std::string_view text) {
        failures_.push_back(fmt::format("{}: {}", name, text));
    };
    settings.rangeNm = 40.0;
    customise(settings);
    link_ = std::make_unique<RtAppLink>(RunServices{linkClock(), stop_, window_}, settings);
}

void RtAppLinkTest::TearDown() {
    standin_.reset();
    link_.reset();
    g_rtConnected.store(false);
    g_rtProfessional.store(false);
}

tools::RtAppStandin& RtAppLinkTest::standin(tools::RtAppStandinOptions options) {
    options.programPort = link_->server().port();
    options.trafficPort = link_->trafficReader().port();
    options.weatherPort = link_->weatherReader().port();
    standin_ = std::make_unique<tools::RtAppStandin>(options);
    return *standin_;
}

void RtAppLinkTest::connect(tools::RtAppStandin& app) {
    const std::uint64_t replies = link_->server().counts().replies;
    app.connect(milliseconds{5000});
    ASSERT_TRUE(gf_eventually([&] {
        link_->server().poll();
        return link_->server().counts().replies > replies;
    }));
}

std::vector<TrafficEntry> RtAppLinkTest::takeAll() {
    decoder_.clear();
    while (mailbox_.takeTrafficBatches() > 0) {
    }
    return decoder_.entries();
}

} // namespace skyloom::testing
