#include "tests/traffic/support/live_replay.h"

#include <algorithm>
#include <fstream>
#include <map>
#include <vector>

#include <fmt/format.h>
#include <nlohmann/json.hpp>

#include "config/params_snapshot.h"
#include "feed/rt_app_server.h"
#include "refdata/code_table.h"
#include "refdata/dbase_lookups.h"
#include "tests/support/shared_data.h"

namespace skyloom::testing {

namespace {

// The category of a Doc 8643 type: helicopters and gyroplanes are Rotorcraft; jets by their
// wake class Heavy, Large or Bizjet; multi-engine propeller aircraft of medium wake Large,
// other multi-engine ones TwoProps; everything else Light.
std::string lf_categoryOf(const std::string& description, const std::string& wake) {
    if (description.size() < 3) {
        return "Light";
    }
    if (description[0] == 'H' || description[0] == 'G') {
        return "Rotorcraft";
    }
    if (description[2] == 'J') {
        return wake == "H" || wake == "J" ? "Heavy" : wake == "M" ? "Large" : "Bizjet";
    }
    if (description[1] >= '2' && description[1] <= '8') {
        return wake == "M" || wake == "H" ? "Large" : "TwoProps";
    }
    return "Light";
}

} // namespace

bool publishTypeListDbase() {
    const std::filesystem::path file = sharedPath(kDoc8643);
    if (file.empty()) {
        return false;
    }
    std::ifstream in(file);
    const nlohmann::json types = nlohmann::json::parse(in);
    std::map<std::string, std::string> categories; // the first row of a designator decides
    for (const auto& type : types) {
        const std::string code = type.value("Designator", "");
        if (!code.empty() && code.find_first_of("<>&\"") == std::string::npos) {
            categories.emplace(code,
                               lf_categoryOf(type.value("Description", ""), type.value("WTC", "")));
        }
    }
    std::map<std::string, std::vector<std::string>> byCategory;
    for (const auto& [code, category] : categories) {
        byCategory[category].push_back(code);
    }
    return tools::gf_publishReplayDbase(byCategory);
}

std::map<std::uint32_t, std::vector<TrafficEntry>> captureReports(const tools::Capture& capture) {
    std::map<std::uint32_t, std::vector<TrafficEntry>> reports;
    AppTrafficAssembler assembler(
        "Traffic Reader",
        {[&](std::vector<TrafficEntry>& batch, TrafficBatchKind, std::uint32_t, bool) {
             for (TrafficEntry& entry : batch) {
                 reports[entry.hexid].push_back(std::move(entry));
             }
             batch.clear();
             return TrafficPostOutcome{};
         },
         nullptr, nullptr});
    for (const tools::CaptureBurst& burst : capture.bursts) {
        const auto at =
            std::chrono::duration_cast<Clock::Duration>(std::chrono::duration<double>(burst.time));
        const Clock::SteadyTime now{at};
        const Clock::UtcTime receivedAt{std::chrono::duration_cast<Clock::UtcTime::duration>(at)};
        for (const std::string& datagram : burst.datagrams) {
            assembler.handleDatagram(datagram, now, receivedAt);
        }
        assembler.handleDatagram("RTTFC_EOT", now, receivedAt);
    }
    return reports;
}

std::vector<ReplayLivery> captureLiveries(const tools::Capture& capture) {
    std::map<std::string, std::set<std::string>> airlinesByModel;
    for (const auto& [hexid, reports] : captureReports(capture)) {
        for (const TrafficEntry& entry : reports) {
            if (entry.key.model != 0) {
                airlinesByModel[gf_modelCode(entry.key.model)].insert(
                    entry.key.airline != 0 ? gf_airlineCode(entry.key.airline) : std::string());
            }
        }
    }
    std::vector<ReplayLivery> liveries;
    for (const auto& [model, airlines] : airlinesByModel) {
        for (const std::string& airline : airlines) {
            // The livery scan files a livery without an airline under "PVT".
            liveries.push_back(
                {fmt::format("Skyloom Demo {} {}", model, airline.empty() ? "Private" : airline),
                 airline.empty() ? "PVT" : airline, model, ""});
        }
    }
    return liveries;
}

CaptureReplay::CaptureReplay(tools::Capture capture, TrafficMailbox& mailbox, Clock& clock,
                             std::size_t bufferedBursts)
    : capture_(std::move(capture)), mailbox_(mailbox), clock_(clock), start_(clock.steadyNow()),
      assembler_("Traffic Reader", {[this](std::vector<TrafficEntry>& batch, TrafficBatchKind kind,
                                           std::uint32_t offsetBase, bool dropWhenOff) {
                                        for (const TrafficEntry& entry : batch) {
                                            posted_.insert(entry.hexid);
                                        }
                                        postedEntries_ += batch.size();
                                        return mailbox_.post(batch, kind, offsetBase, dropWhenOff);
                                    },
                                    nullptr, nullptr}) {
    feedBuffer(bufferedBursts);
}

void CaptureReplay::feedBuffer(std::size_t bufferedBursts) {
    bufferedBursts = std::min(bufferedBursts, capture_.bursts.size());
    if (bufferedBursts == 0) {
        return;
    }
    std::vector<tools::CaptureBurst> history(
        capture_.bursts.begin(), capture_.bursts.begin() + static_cast<long>(bufferedBursts));
    capture_.bursts.erase(capture_.bursts.begin(),
                          capture_.bursts.begin() + static_cast<long>(bufferedBursts));
    const double now = capture_.bursts.empty()
                           ? history.back().time + tools::kCaptureBurstGapSeconds
                           : capture_.bursts.front().time;
    const Clock::SteadyTime steadyNow = clock_.steadyNow();
    const Clock::UtcTime receivedAt{
        std::chrono::duration_cast<Clock::UtcTime::duration>(std::chrono::duration<double>(now))};
    assembler_.bufferRequested();
    const std::vector<tools::CaptureBurst> snapshots = tools::gf_bufferSnapshots(
        history, now,
        {RtAppServer::kBufferSnapshots, static_cast<double>(RtAppServer::kBufferSpacingSeconds)});
    for (std::size_t i = 0; i < snapshots.size(); ++i) {
        for (const std::string& datagram : snapshots[i].datagrams) {
            assembler_.handleDatagram(tools::gf_bufferedFromRttfc(datagram, i), steadyNow,
                                      receivedAt);
        }
        assembler_.handleDatagram("RTBUF_SEP", steadyNow, receivedAt);
    }
    assembler_.handleDatagram("RTBUF_EOT", steadyNow, receivedAt);
}

double CaptureReplay::spanSeconds() const {
    return capture_.bursts.empty() ? 0.0
                                   : capture_.bursts.back().time - capture_.bursts.front().time;
}

bool CaptureReplay::feedDue() {
    const Clock::SteadyTime now = clock_.steadyNow();
    const double elapsed = std::chrono::duration<double>(now - start_).count();
    while (next_ < capture_.bursts.size() &&
           capture_.bursts[next_].time - capture_.bursts.front().time <= elapsed) {
        const tools::CaptureBurst& burst = capture_.bursts[next_++];
        const Clock::UtcTime receivedAt{std::chrono::duration_cast<Clock::UtcTime::duration>(
            std::chrono::duration<double>(burst.time))};
        for (const std::string& datagram : burst.datagrams) {
            assembler_.handleDatagram(datagram, now, receivedAt);
        }
        assembler_.handleDatagram("RTTFC_EOT", now, receivedAt);
    }
    return next_ < capture_.bursts.size();
}

void NotingDecoder::decodeMessage(const TrafficEntry& entry) {
    delivered.insert(entry.hexid);
    double& fastest = fastestKt[entry.hexid];
    fastest = std::max(fastest, entry.sample.groundSpeedKt);
    std::int32_t& due = lastDueTick[entry.hexid];
    due = std::max(due, entry.sample.time);
    if (gf_isKnownModel(gf_modelCode(entry.key.model)) &&
        gf_isCategoryIncluded(gf_modelCategory(entry.key.model), *gf_paramsSnapshot())) {
        eligible.insert(entry.hexid);
    }
    inner_.decodeMessage(entry);
    if (state_.findByHexid(entry.hexid) != nullptr) {
        admitted.insert(entry.hexid);
    }
}

void answerCommandsAsTheSimulator(SimCommandQueue& commands, SimEventQueue& events,
                                  SimCommandBatch& taken, std::uint32_t& nextObject) {
    commands.takeAll(taken);
    for (const SimCreateRequest& create : taken.creates) {
        events.post(SimEvent{nextObject++, create.hexid, 0, SimEventKind::liveAssigned, 0, 0});
    }
    for (const std::uint32_t removed : taken.removals) {
        events.post(SimEvent{removed, 0, 0, SimEventKind::objectRemoved, 0, 0});
    }
}

} // namespace skyloom::testing
