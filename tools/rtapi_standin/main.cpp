// skyloom_rtapi_standin: the RealTraffic web API stand-in on 127.0.0.1, for the demo and for
// trying the RT Direct road by hand (point SKYLOOM_RTAPI_URL at the address it prints). Serves
// until interrupted (Ctrl-C or SIGTERM).
//
//   skyloom_rtapi_standin --recordings DIR [--port N]
//                         [--licence VALUE[:standard|professional|expired]]...
//                         [--rrl MS] [--wrrl MS] [--no-rate-limits] [--live FILE]
//                         [--metar FILE] [--fault PATH=STATUS|slow|cut|hang|malformed]...
//                         [--slow-ms N] [--status-in-body] [--no-gzip]
//
// DIR is the RT_API_decoded folder of the recordings. Without --licence the stand-in knows
// "AAA-BBB-CCC-DDD" (professional). --live names the recording in DIR that answers location
// traffic: one reply, or a live series played back from the first traffic request on
// (live_series.h); --metar the one that answers the nearest METARs.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include <fmt/format.h>
#include <pthread.h>
#include <signal.h>

#include "tools/rtapi_standin/rtapi_standin.h"

namespace {

using namespace skyloom::tools;

int lf_usage(std::string_view problem) {
    fmt::print(stderr,
               "{}\nusage: skyloom_rtapi_standin --recordings DIR [--port N] "
               "[--licence VALUE[:standard|professional|expired]]... [--rrl MS] [--wrrl MS] "
               "[--no-rate-limits] [--live FILE] [--metar FILE] "
               "[--fault PATH=STATUS|slow|cut|hang|malformed]... [--slow-ms N] [--status-in-body] "
               "[--no-gzip]\n",
               problem);
    return 2;
}

bool lf_parseFault(const std::string& text, std::string& path, StandInAnswer& answer) {
    const auto equals = text.find('=');
    if (equals == std::string::npos || equals == 0) {
        return false;
    }
    path = text.substr(0, equals);
    const std::string kind = text.substr(equals + 1);
    if (kind == "slow") {
        answer.fault = StandInFault::slow;
    } else if (kind == "cut") {
        answer.fault = StandInFault::cutShort;
    } else if (kind == "hang") {
        answer.fault = StandInFault::neverAnswer;
    } else if (kind == "malformed") {
        answer.fault = StandInFault::malformed;
    } else {
        char* end = nullptr;
        const long status = std::strtol(kind.c_str(), &end, 10);
        if (end == kind.c_str() || *end != '\0' || status < 100 || status > 599) {
            return false;
        }
        answer.fault = StandInFault::status;
        answer.status = static_cast<int>(status);
    }
    return true;
}

} // namespace

int main(int argc, char** argv) {
    std::string recordings;
    long port = 0;
    long rrl = 2000;
    long wrrl = 2000;
    long slowMs = 200;
    bool rateLimits = true;
    bool statusInBody = false;
    bool gzip = true;
    std::string live;
    std::string metar;
    std::vector<std::pair<std::string, StandInLicence>> licences;
    std::vector<std::pair<std::string, StandInAnswer>> faults;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (option == "--no-rate-limits") {
            rateLimits = false;
            continue;
        }
        if (option == "--status-in-body") {
            statusInBody = true;
            continue;
        }
        if (option == "--no-gzip") {
            gzip = false;
            continue;
        }
        if (i + 1 >= argc) {
            return lf_usage(fmt::format("{} needs a value", option));
        }
        const std::string value = argv[++i];
        if (option == "--recordings") {
            recordings = value;
        } else if (option == "--port") {
            port = std::strtol(value.c_str(), nullptr, 10);
        } else if (option == "--rrl") {
            rrl = std::strtol(value.c_str(), nullptr, 10);
        } else if (option == "--wrrl") {
            wrrl = std::strtol(value.c_str(), nullptr, 10);
        } else if (option == "--slow-ms") {
            slowMs = std::strtol(value.c_str(), nullptr, 10);
        } else if (option == "--live") {
            live = value;
        } else if (option == "--metar") {
            metar = value;
        } else if (option == "--licence") {
            const auto colon = value.find(':');
            const std::string kind =
                colon == std::string::npos ? "professional" : value.substr(colon + 1);
            StandInLicence licence = StandInLicence::professional;
            if (kind == "standard") {
                licence = StandInLicence::standard;
            } else if (kind == "expired") {
                licence = StandInLicence::expired;
            } else if (kind != "professional") {
                return lf_usage(fmt::format("unknown licence kind '{}'", kind));
            }
            licences.emplace_back(value.substr(0, colon), licence);
        } else if (option == "--fault") {
            std::string path;
            StandInAnswer answer;
            if (!lf_parseFault(value, path, answer)) {
                return lf_usage(fmt::format("bad fault '{}'", value));
            }
            faults.emplace_back(path, answer);
        } else {
            return lf_usage(fmt::format("unknown option '{}'", option));
        }
    }
    if (recordings.empty()) {
        return lf_usage("--recordings is required");
    }
    if (port < 0 || port > 65535 || rrl < 0 || wrrl < 0 || slowMs < 0) {
        return lf_usage("a number is out of range");
    }
    if (licences.empty()) {
        licences.emplace_back("AAA-BBB-CCC-DDD", StandInLicence::professional);
    }

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    // Blocked before the server's threads start, so that only sigwait below receives them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    try {
        RtApiStandIn standIn(recordings, nullptr, static_cast<std::uint16_t>(port));
        for (const auto& [value, licence] : licences) {
            standIn.addLicence(value, licence);
        }
        standIn.setRateLimits(std::chrono::milliseconds(rrl), std::chrono::milliseconds(wrrl));
        standIn.setEnforceRateLimits(rateLimits);
        standIn.setStatusInBodyOnly(statusInBody);
        standIn.setGzip(gzip);
        standIn.setSlowDelay(std::chrono::milliseconds(slowMs));
        if (!live.empty()) {
            standIn.setLiveRecording(live);
        }
        if (!metar.empty()) {
            standIn.setMetarRecording(metar);
        }
        for (const auto& [path, answer] : faults) {
            standIn.setFault(path, answer);
        }
        fmt::print("RealTraffic web API stand-in at {} (recordings {})\n", standIn.baseUrl(),
                   recordings);
        std::fflush(stdout);
        int received = 0;
        sigwait(&signals, &received);
    } catch (const std::exception& e) {
        fmt::print(stderr, "{}\n", e.what());
        return 1;
    }
    return 0;
}
