// skyloom_download_server: serves a folder as the maker's download area on 127.0.0.1, for the
// demo and for trying the update check by hand. Prints the base address, then serves until
// interrupted (Ctrl-C or SIGTERM).
//
//   skyloom_download_server --root DIR [--port N] [--fault none|404|slow|cut|hang]
//                           [--fault-path /path] [--slow-ms N]
//
// --fault applies to every path, or with --fault-path only to that one.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include <fmt/format.h>
#include <pthread.h>
#include <signal.h>

#include "tools/download_server/download_server.h"

namespace {

int lf_usage(std::string_view problem) {
    fmt::print(stderr,
               "{}\nusage: skyloom_download_server --root DIR [--port N] "
               "[--fault none|404|slow|cut|hang] [--fault-path /path] [--slow-ms N]\n",
               problem);
    return 2;
}

} // namespace

int main(int argc, char** argv) {
    using namespace skyloom::tools;
    std::string root;
    long port = 0;
    ServerFault fault = ServerFault::none;
    std::string faultPath;
    long slowMs = 1000;
    for (int i = 1; i < argc; ++i) {
        const std::string_view option = argv[i];
        if (i + 1 >= argc) {
            return lf_usage(fmt::format("{} needs a value", option));
        }
        const std::string value = argv[++i];
        if (option == "--root") {
            root = value;
        } else if (option == "--port") {
            port = std::strtol(value.c_str(), nullptr, 10);
        } else if (option == "--fault") {
            const auto parsed = gf_serverFaultFromText(value);
            if (!parsed) {
                return lf_usage(fmt::format("unknown fault '{}'", value));
            }
            fault = *parsed;
        } else if (option == "--fault-path") {
            faultPath = value;
        } else if (option == "--slow-ms") {
            slowMs = std::strtol(value.c_str(), nullptr, 10);
        } else {
            return lf_usage(fmt::format("unknown option '{}'", option));
        }
    }
    if (root.empty()) {
        return lf_usage("--root is required");
    }
    if (port < 0 || port > 65535 || slowMs < 0) {
        return lf_usage("--port or --slow-ms out of range");
    }

    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    // Blocked before the server's thread starts, so that only sigwait below receives them.
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);
    try {
        DownloadServer server(root, static_cast<std::uint16_t>(port));
        server.setSlowDelay(std::chrono::milliseconds(slowMs));
        if (faultPath.empty()) {
            server.setFault(fault);
        } else {
            server.setPathFault(faultPath, fault);
        }
        fmt::print("Serving {} at {} (fault: {}{}{})\n", root, server.baseUrl(),
                   gf_serverFaultText(fault), faultPath.empty() ? "" : " on ", faultPath);
        std::fflush(stdout);
        int received = 0;
        sigwait(&signals, &received);
    } catch (const std::exception& e) {
        fmt::print(stderr, "{}\n", e.what());
        return 1;
    }
    return 0;
}
